// jcamp/jcamp_reader.cpp: the JCAMP-DX reader: labelled records in blocks, their data as evenly
// spaced y values or as (XY..XY) points, and NTUPLES pages.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jcamp/jcamp.hpp"
#include "jcamp/jcamp_text.hpp"
#include "jcamp/jcamp_units.hpp"
#include "spectrum/axis.hpp"

namespace jcamp {
namespace {

// Blocks inside blocks: a file of blocks holds one level; a few more are allowed.
constexpr std::size_t deepest_blocks = 8;
// A DUP count lets a few characters stand for many points, but no real file holds more than this
// many points for each of its bytes: a count beyond it is damage, and is refused before it is
// given memory.
constexpr std::size_t points_per_byte = 1024;

using spectrum::outcome;
using spectrum::trouble;

// The forms seen in a file, in the order that `info` names them.
enum form_bit : unsigned { affn_bit = 1, pac_bit = 2, sqz_bit = 4, dif_bit = 8, dup_bit = 16 };

void note_form(unsigned& forms, token_kind k) {
  if (k == token_kind::affn) forms |= affn_bit;
  if (k == token_kind::pac) forms |= pac_bit;
  if (k == token_kind::sqz) forms |= sqz_bit;
  if (k == token_kind::dif) forms |= dif_bit;
  if (k == token_kind::dup) forms |= dup_bit;
}

// A count of points that a file may declare; more than 2^50 is damage.
bool is_count(double v) { return v >= 0.0 && v == std::floor(v) && v <= 1125899906842624.0; }

// The NTUPLES table of a block: one column for each variable, and the page being read.
struct ntuples_table {
  bool open = false;
  std::vector<std::string> symbols, units;
  std::vector<std::string> factors, firsts, lasts, dims;
  double page_z = 0.0;
  std::optional<double> page_points;
  std::string page_name;
};

struct block {
  std::int64_t line = 0;  // of its ##TITLE=
  std::string title, data_type, block_id;
  std::string x_units, y_units;
  bool link = false;  // it holds blocks
  double x_factor = 1.0, y_factor = 1.0;
  std::optional<double> first_x, last_x, delta_x, points;
  std::size_t spectra = 0;  // that its data gave
  ntuples_table ntuples;
};

// What a data record needs to know: how to scale, where x runs, how many points it declares.
struct data_frame {
  double x_factor = 1.0, y_factor = 1.0;
  std::optional<double> first_x, last_x, delta_x, points;
  std::string x_units, y_units;
  double z = 0.0;
};

class reader {
 public:
  reader(std::string_view text, spectrum::document& doc)
      : lines_{text}, doc_{doc}, most_points_{text.size() * points_per_byte + 1024} {}

  outcome run();

 private:
  trouble at_line(std::string reason) const { return trouble{std::move(reason), lines_.number()}; }
  // The points that the file may still hold beside the spectra before and the held ones.
  std::size_t room(std::size_t held) const {
    const std::size_t used = static_cast<std::size_t>(total_points_) + held;
    return used < most_points_ ? most_points_ - used : 0;
  }
  outcome record(const std::string& label, std::string_view value);
  outcome number_record(std::optional<double>& target, const std::string& label,
                        std::string_view value);
  outcome data_record(const std::string& label, std::string_view value);
  outcome even_data(spectrum::spectrum& t, const data_frame& f);
  outcome point_data(spectrum::spectrum& t, const data_frame& f, std::size_t group);
  outcome push(std::vector<double>& values, double v, double factor, std::optional<double> points);
  std::string continued(std::string_view value);
  void skip_data_lines();
  void finish_block();

  recio::line_scanner lines_;
  spectrum::document& doc_;
  std::size_t most_points_;  // of the whole file, its spectra together
  std::vector<block> open_;
  bool any_block_ = false;
  unsigned forms_ = 0;
  std::vector<std::string> skipped_;
  std::int64_t total_points_ = 0;
};

// A value that goes on over the lines after its label's line, up to the next labelled record.
std::string reader::continued(std::string_view value) {
  std::string out(recio::before_comment(value, comment_marker, blanks));
  std::string_view line;
  while (next_data_line(lines_, line)) {
    const std::string_view more = recio::before_comment(line, comment_marker, blanks);
    if (more.empty()) continue;
    if (!out.empty()) out += ' ';
    out += more;
  }
  return out;
}

void reader::skip_data_lines() {
  std::string_view line;
  while (next_data_line(lines_, line)) continue;
}

outcome reader::run() {
  std::string_view line;
  std::string label;
  std::string_view value;
  while (lines_.next(line)) {
    // Lines outside labelled records (between blocks, after the last) say nothing.
    if (!labelled(line, label, value)) continue;
    if (auto t = record(label, value)) return t;
  }
  if (!any_block_) return trouble{"no ##TITLE= record: not a JCAMP-DX file", 0};
  if (!open_.empty())
    return at_line("the file ends inside the block begun on line " +
                   std::to_string(open_.back().line) + ", before its ##END=");
  if (doc_.spectra.empty()) return at_line("the file holds no spectrum");
  doc_.facts.push_back({"points", total_points_});
  if (doc_.spectra.size() > 1)
    doc_.facts.push_back({"spectra", static_cast<std::int64_t>(doc_.spectra.size())});
  std::vector<std::string> forms;
  constexpr std::array<std::string_view, 5> names{"AFFN", "PAC", "SQZ", "DIF", "DUP"};
  for (std::size_t i = 0; i < names.size(); ++i)
    if (forms_ & (1u << i)) forms.emplace_back(names[i]);
  doc_.facts.push_back({"data form", forms});
  if (!skipped_.empty()) doc_.facts.push_back({"blocks without data, skipped", skipped_});
  return std::nullopt;
}

outcome reader::number_record(std::optional<double>& target, const std::string& label,
                              std::string_view value) {
  const std::string text = continued(value);
  target = number_of(text);
  if (!target) return at_line("##" + label + "= " + text + ": not a number");
  return std::nullopt;
}

outcome reader::record(const std::string& label, std::string_view value) {
  if (label == "TITLE") {
    if (!open_.empty() && !open_.back().link)
      return at_line("a ##TITLE= inside the block begun on line " +
                     std::to_string(open_.back().line) + ", before its ##END=");
    if (open_.size() == deepest_blocks) return at_line("blocks inside blocks too deep");
    block b;
    b.line = lines_.number();
    b.title = continued(value);
    open_.push_back(std::move(b));
    if (!any_block_) {
      doc_.memo = open_.back().title;
      doc_.facts.push_back({"title", doc_.memo});
    }
    any_block_ = true;
    return std::nullopt;
  }
  if (open_.empty()) {
    if (label == "END") return at_line("##END= without a ##TITLE= before it");
    skip_data_lines();
    return std::nullopt;
  }
  block& b = open_.back();
  if (label == "END") {
    finish_block();
    return std::nullopt;
  }
  if (label == "JCAMPDX") {
    const std::string version = continued(value);
    if (doc_.variant.empty()) doc_.variant = version;
    return std::nullopt;
  }
  if (label == "DATATYPE") {
    b.data_type = continued(value);
    return std::nullopt;
  }
  if (label == "BLOCKS") {
    b.link = true;
    skip_data_lines();
    return std::nullopt;
  }
  if (label == "BLOCKID") {
    b.block_id = continued(value);
    return std::nullopt;
  }
  if (label == "XUNITS") {
    b.x_units = continued(value);
    return std::nullopt;
  }
  if (label == "YUNITS") {
    b.y_units = continued(value);
    return std::nullopt;
  }
  if (label == "XFACTOR" || label == "YFACTOR") {
    std::optional<double> f;
    if (auto t = number_record(f, label, value)) return t;
    if (*f == 0.0) return at_line("##" + label + "= 0");
    (label == "XFACTOR" ? b.x_factor : b.y_factor) = *f;
    return std::nullopt;
  }
  if (label == "FIRSTX") return number_record(b.first_x, label, value);
  if (label == "LASTX") return number_record(b.last_x, label, value);
  if (label == "DELTAX") return number_record(b.delta_x, label, value);
  if (label == "NPOINTS") {
    std::optional<double>& target = b.ntuples.open ? b.ntuples.page_points : b.points;
    if (auto t = number_record(target, label, value)) return t;
    if (!is_count(*target)) return at_line("##NPOINTS= is not a count of points");
    return std::nullopt;
  }
  ntuples_table& n = b.ntuples;
  if (label == "NTUPLES") {
    n = ntuples_table{};
    n.open = true;
    const std::string name = continued(value);
    if (b.data_type.empty()) b.data_type = name;
    return std::nullopt;
  }
  if (n.open) {
    std::vector<std::string>* list = label == "SYMBOL"   ? &n.symbols
                                     : label == "UNITS"  ? &n.units
                                     : label == "FACTOR" ? &n.factors
                                     : label == "FIRST"  ? &n.firsts
                                     : label == "LAST"   ? &n.lasts
                                     : label == "VARDIM" ? &n.dims
                                                         : nullptr;
    if (list) {
      *list = items_of(continued(value));
      for (std::string& item : *list)
        if (list != &n.units) item = uppercase(item);
      return std::nullopt;
    }
    if (label == "PAGE") {
      n.page_name = continued(value);
      n.page_points.reset();
      const std::size_t equals = n.page_name.find('=');
      const auto z =
          number_of(equals == std::string::npos ? std::string_view(n.page_name)
                                                : std::string_view(n.page_name).substr(equals + 1));
      n.page_z = z ? *z : n.page_z + 1.0;
      return std::nullopt;
    }
    if (label == "ENDNTUPLES") {
      n.open = false;
      skip_data_lines();
      return std::nullopt;
    }
  }
  if (label == "XYDATA" || label == "XYPOINTS" || label == "PEAKTABLE" || label == "DATATABLE")
    return data_record(label, value);
  skip_data_lines();
  return std::nullopt;
}

void reader::finish_block() {
  block& b = open_.back();
  if (b.spectra == 0 && !b.link) {
    std::string name = b.title.empty() ? std::string("block") : b.title;
    if (!b.data_type.empty()) name += " (" + b.data_type + ")";
    if (!b.block_id.empty()) name = "block " + b.block_id + ": " + name;
    skipped_.push_back(std::move(name));
  }
  open_.pop_back();
}

outcome reader::data_record(const std::string& label, std::string_view value) {
  block& b = open_.back();
  const std::int64_t record_line = lines_.number();
  const auto vars = variables_of(value);
  if (!vars)
    return at_line("##" + label + "=" +
                   std::string(recio::before_comment(value, comment_marker, blanks)) +
                   ": not a data form that this program reads");
  data_frame f;
  std::size_t group = vars->group;
  if (label == "DATATABLE") {
    ntuples_table& n = b.ntuples;
    if (!n.open) return at_line("##DATA TABLE= outside ##NTUPLES=");
    const auto column = [&](const std::string& symbol) -> std::optional<std::size_t> {
      const auto at = std::find(n.symbols.begin(), n.symbols.end(), symbol);
      if (at == n.symbols.end()) return std::nullopt;
      return static_cast<std::size_t>(at - n.symbols.begin());
    };
    const auto xc = column(vars->x);
    const auto yc = column(vars->y);
    if (!xc || !yc) return at_line("##DATA TABLE= names a variable that ##SYMBOL= does not");
    const auto item = [](const std::vector<std::string>& list,
                         std::size_t i) -> std::optional<double> {
      return i < list.size() ? number_of(list[i]) : std::nullopt;
    };
    const auto text = [](const std::vector<std::string>& list, std::size_t i) {
      return i < list.size() ? list[i] : std::string{};
    };
    f.x_factor = item(n.factors, *xc).value_or(1.0);
    f.y_factor = item(n.factors, *yc).value_or(1.0);
    if (f.x_factor == 0.0 || f.y_factor == 0.0) return at_line("a ##FACTOR= of 0");
    f.first_x = item(n.firsts, *xc);
    f.last_x = item(n.lasts, *xc);
    f.points = n.page_points ? n.page_points : item(n.dims, *yc);
    if (f.points && !is_count(*f.points)) return at_line("##VAR_DIM= is not a count of points");
    f.x_units = text(n.units, *xc);
    f.y_units = text(n.units, *yc);
    f.z = n.page_z;
  } else {
    f.x_factor = b.x_factor;
    f.y_factor = b.y_factor;
    f.first_x = b.first_x;
    f.last_x = b.last_x;
    f.delta_x = b.delta_x;
    f.points = b.points;
    f.x_units = b.x_units;
    f.y_units = b.y_units;
  }
  spectrum::spectrum t;
  t.z = f.z;
  if (auto trouble = vars->even ? even_data(t, f) : point_data(t, f, group)) return trouble;
  // Points of a table are even where their x are, as far as the file prints them; a table of
  // peaks is a list of peaks whatever its x.
  if (!vars->even)
    t.x_stored = label == "PEAKTABLE" || !spectrum::even_as_printed(t.x);
  if (t.y.empty()) return trouble{"##" + label + "= holds no points", record_line};
  if (f.points && static_cast<double>(t.y.size()) != *f.points)
    return at_line("##NPOINTS= " + number_text(*f.points) + ", but the data from line " +
                   std::to_string(record_line) + " holds " + std::to_string(t.y.size()) +
                   " points");
  if (doc_.spectra.empty()) {
    doc_.x_unit = x_unit_of(f.x_units);
    doc_.y_unit = y_unit_of(f.y_units);
    doc_.experiment = b.data_type;
    doc_.facts.push_back({"data type", b.data_type});
    doc_.facts.push_back({"x units", doc_.x_unit.name});
    doc_.facts.push_back({"y units", doc_.y_unit.name});
  }
  total_points_ += static_cast<std::int64_t>(t.y.size());
  ++b.spectra;
  doc_.spectra.push_back(std::move(t));
  return std::nullopt;
}

outcome reader::push(std::vector<double>& values, double v, double factor,
                     std::optional<double> points) {
  if (points && static_cast<double>(values.size()) >= *points)
    return at_line("more points than ##NPOINTS= " + number_text(*points));
  if (room(values.size()) == 0) return at_line("more points than the file can hold");
  const double scaled = v * factor;
  if (!std::isfinite(scaled)) return at_line("a value beyond the range of double precision");
  values.push_back(scaled);
  return std::nullopt;
}

// Checks that two y values are one: integers exactly, decimals to the last few bits.
bool same_value(double a, double b) {
  return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

outcome reader::even_data(spectrum::spectrum& t, const data_frame& f) {
  std::string_view line;
  std::optional<double> first_line_x;
  double value = 0.0;  // the last y, before the factor
  bool have_value = false;
  bool check_next = false;  // the line before ended in DIF form: this line's first y repeats it
  if (f.points)
    t.y.reserve(std::min(static_cast<std::size_t>(*f.points), most_points_ / points_per_byte));
  while (next_data_line(lines_, line)) {
    std::size_t pos = 0;
    const token x = next_token(line, pos);
    if (x.k == token_kind::end) continue;
    if (x.k != token_kind::affn && x.k != token_kind::pac && x.k != token_kind::sqz)
      return at_line("a data line that does not begin with an x value");
    if (!first_line_x) first_line_x = x.value * f.x_factor;
    bool first_y = true;
    token_kind last = token_kind::end;      // the last y of this line
    token_kind repeated = token_kind::end;  // what a DUP repeats
    double difference = 0.0;
    for (token y = next_token(line, pos); y.k != token_kind::end; y = next_token(line, pos)) {
      note_form(forms_, y.k);
      switch (y.k) {
        case token_kind::affn:
        case token_kind::pac:
        case token_kind::sqz:
          if (first_y && check_next) {
            if (!same_value(y.value, value))
              return at_line("the DIF check value " + number_text(y.value) +
                             " differs from the last y of the line before, " + number_text(value));
          } else if (auto trouble = push(t.y, y.value, f.y_factor, f.points)) {
            return trouble;
          }
          value = y.value;
          have_value = true;
          repeated = token_kind::sqz;
          break;
        case token_kind::dif:
          if (!have_value) return at_line("a DIF value with no y value before it");
          value += y.value;
          difference = y.value;
          if (auto trouble = push(t.y, value, f.y_factor, f.points)) return trouble;
          repeated = token_kind::dif;
          break;
        case token_kind::dup: {
          if (last == token_kind::end || last == token_kind::dup)
            return at_line("a DUP count that follows no value on its line");
          if (y.count < 1) return at_line("a DUP count below 1");
          const auto more = static_cast<std::uint64_t>(y.count - 1);
          if (more > room(t.y.size()))
            return at_line("a DUP count of more points than the file can hold");
          for (std::uint64_t i = 0; i < more; ++i) {
            if (repeated == token_kind::dif) value += difference;
            if (auto trouble = push(t.y, value, f.y_factor, f.points)) return trouble;
          }
          break;
        }
        case token_kind::missing:
          return at_line("a missing value (?) among the y values");
        default:
          return at_line(std::string("'") + y.c + "' in a number");
      }
      last = y.k;
      first_y = false;
    }
    check_next =
        last == token_kind::dif || (last == token_kind::dup && repeated == token_kind::dif);
  }
  const std::size_t n = t.y.size();
  if (n == 0) return std::nullopt;
  double first = f.first_x ? *f.first_x : first_line_x.value_or(0.0);
  double last = 0.0;
  if (f.last_x)
    last = *f.last_x;
  else if (f.delta_x)
    last = first + *f.delta_x * static_cast<double>(n - 1);
  else if (n > 1)
    return at_line("evenly spaced data without ##LASTX= or ##DELTAX=");
  else
    last = first;
  if (!std::isfinite(first) || !std::isfinite(last))
    return at_line("an x beyond the range of double precision");
  t.first_x = first;
  t.last_x = last;
  t.x = spectrum::even_x(first, last, n);
  return std::nullopt;
}

outcome reader::point_data(spectrum::spectrum& t, const data_frame& f, std::size_t group) {
  std::string_view line;
  std::size_t number = 0;  // of the value in its group
  while (next_data_line(lines_, line)) {
    std::size_t pos = 0;
    for (token v = next_token(line, pos); v.k != token_kind::end; v = next_token(line, pos)) {
      note_form(forms_, v.k);
      if (v.k == token_kind::dif || v.k == token_kind::dup)
        return at_line("DIF or DUP form in a table of (XY..XY) points");
      if (v.k == token_kind::missing) return at_line("a missing value (?) in a table of points");
      if (v.k == token_kind::bad) return at_line(std::string("'") + v.c + "' in a number");
      if (number == 0) {
        if (room(t.x.size()) == 0) return at_line("more points than the file can hold");
        const double x = v.value * f.x_factor;
        if (!std::isfinite(x)) return at_line("an x beyond the range of double precision");
        t.x.push_back(x);
      } else if (number == 1) {
        if (auto trouble = push(t.y, v.value, f.y_factor, std::nullopt)) return trouble;
      }
      number = (number + 1) % group;
    }
  }
  if (number != 0) return at_line("a point without its y value");
  if (!t.x.empty()) {
    t.first_x = t.x.front();
    t.last_x = t.x.back();
  }
  return std::nullopt;
}

}  // namespace

spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options&,
                            spectrum::document& doc) {
  doc = spectrum::document{};
  doc.format = "jcamp";
  reader r{recio::text_of_bytes(file.bytes), doc};
  return r.run();
}

}  // namespace jcamp
