// jcamp/jcamp_reader.cpp: the JCAMP-DX reader: labelled records in blocks, their data as evenly
// spaced y values, as (XY..XY) points, peak tables and assignments, and NTUPLES pages; the texts
// of the file, its comment lines and the labels that no writer interprets.
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
#include "spectrum/axis.hpp"
#include "spectrum/units.hpp"

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
  std::string page_symbol;  // of the variable that numbers the pages: "N" of ##PAGE= N=1
};

struct block {
  std::int64_t line = 0;  // of its ##TITLE=
  std::string title, data_type, block_id;
  std::string x_units, y_units;
  bool link = false;       // it holds blocks
  bool structure = false;  // it is a chemical structure (##JCAMP-CS=), not a spectrum
  std::string unread;      // the label of data in a form that is not read: "##RADATA="
  double x_factor = 1.0, y_factor = 1.0;
  std::optional<double> first_x, last_x, delta_x, points;
  std::optional<double> z;         // of its spectra (##$Z=), where NTUPLES pages give none
  std::size_t first_spectrum = 0;  // the spectra of the file before it
  std::size_t spectra = 0;         // that its data gave
  bool pages = false;              // its spectra are NTUPLES pages, each with its own z
  ntuples_table ntuples;
  // Labels that no writer interprets, the document's once the block proves to hold spectra.
  std::vector<std::pair<std::string, std::string>> labels;
};

// What a data record needs to know: how to scale, where x runs, how many points it declares.
struct data_frame {
  double x_factor = 1.0, y_factor = 1.0;
  std::optional<double> first_x, last_x, delta_x, points;
  std::string x_units, y_units, z_units;
  double z = 0.0;
};

// The labels that a writer makes anew from the data rather than keeps: the data's extremes, its
// first and last y, the kind of its data record.
constexpr std::array<std::string_view, 7> from_the_data{"FIRSTY", "LASTY", "MINX",     "MAXX",
                                                        "MINY",   "MAXY",  "DATACLASS"};
// The records of an NTUPLES table that describe its columns, read as the table is read.
constexpr std::array<std::string_view, 5> table_columns{"VARNAME", "VARTYPE", "VARFORM", "MIN",
                                                        "MAX"};

// The unit of ##XUNITS=: a Raman spectrum gives its Raman shift in 1/CM, which names the
// wavenumber elsewhere.
spectrum::axis_unit x_unit_of(std::string_view units, std::string_view data_type) {
  spectrum::axis_unit u = spectrum::unit_named(units, spectrum::axis::x);
  constexpr int wavenumber = 1, raman_shift = 13, raman_spectrum = 11;
  if (u.code == wavenumber && spectrum::experiment_of(data_type) == raman_spectrum)
    u = spectrum::unit_of_code(raman_shift, spectrum::axis::x);
  return u;
}

// The numbers of a date or a time, each of 1 to 4 digits, separated by one of seps, with the
// digits of each: "93/03/29" gives 93, 3 and 29, each of 2 digits. None where the text is not so.
struct date_fields {
  std::array<int, 3> value{};
  std::array<std::size_t, 3> width{};
  std::size_t count = 0;
};
std::optional<date_fields> fields_of(std::string_view s, std::string_view seps) {
  date_fields f;
  std::size_t at = 0;
  while (f.count < 3) {
    std::size_t digits = 0;
    int v = 0;
    for (; at < s.size() && s[at] >= '0' && s[at] <= '9' && digits < 5; ++at, ++digits)
      v = v * 10 + (s[at] - '0');
    if (digits == 0 || digits > 4) return std::nullopt;
    f.value[f.count] = v;
    f.width[f.count++] = digits;
    if (at == s.size()) return f;
    if (seps.find(s[at]) == std::string_view::npos) return std::nullopt;
    ++at;
  }
  return std::nullopt;
}

// A day as ##LONGDATE= and ##DATE= give it: year, month and day; a year of two digits is of the
// years 1970 to 2069.
std::optional<spectrum::date_time> day_of(std::string_view s) {
  const auto f = fields_of(s, "/-.");
  if (!f || f->count != 3 || f->width[0] == 3 || f->width[0] == 1) return std::nullopt;
  spectrum::date_time d{.year = f->value[0], .month = f->value[1], .day = f->value[2]};
  if (f->width[0] == 2) d.year += d.year < 70 ? 2000 : 1900;
  if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31) return std::nullopt;
  return d;
}

// A time of day, "14:05:00" or "14:05", into d.
bool time_of(std::string_view s, spectrum::date_time& d) {
  const auto f = fields_of(s, ":");
  if (!f || f->count < 2 || f->value[0] > 23 || f->value[1] > 59 || f->value[2] > 59) return false;
  d.hour = f->value[0];
  d.minute = f->value[1];
  d.second = f->value[2];
  return true;
}

// ##LONGDATE=: "2024/03/05 14:07:09", the time of day where given.
std::optional<spectrum::date_time> long_date_of(std::string_view s) {
  s = recio::trimmed(s, blanks);
  const std::size_t blank = s.find_first_of(blanks);
  auto d = day_of(s.substr(0, blank));
  if (d && blank != std::string_view::npos && !time_of(recio::trimmed(s.substr(blank), blanks), *d))
    return std::nullopt;
  return d;
}

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
  outcome record(const std::string& label, std::string_view written, std::string_view value);
  outcome number_record(std::optional<double>& target, const std::string& label,
                        std::string_view value);
  outcome text_record(const std::string& label, std::string_view written, std::string_view value);
  outcome data_record(const std::string& label, std::string_view value);
  outcome assignment_record(std::string_view value);
  outcome take_assignment(spectrum::spectrum& t, const std::vector<std::string>& fields,
                          std::string_view variables);
  outcome even_data(spectrum::spectrum& t, const data_frame& f);
  outcome point_data(spectrum::spectrum& t, const data_frame& f, const variables& vars);
  outcome push(std::vector<double>& values, double v, double factor, std::optional<double> points);
  void add_spectrum(spectrum::spectrum t, const data_frame& f);
  std::string continued(std::string_view value, char between = ' ');
  bool comment_line(std::string_view line);
  void skip_data_lines(bool comments_to_log);
  void keep_labels(block& b);
  void finish_block();

  recio::line_scanner lines_;
  spectrum::document& doc_;
  std::size_t most_points_;  // of the whole file, its spectra together
  std::vector<block> open_;
  bool any_block_ = false;
  unsigned forms_ = 0;
  std::vector<std::string> skipped_;
  std::vector<std::string> warnings_;
  std::int64_t total_points_ = 0;
  bool long_date_ = false;  // the date is that of a ##LONGDATE=
  bool old_date_ = false;   // the date is that of a ##DATE=, to which ##TIME= adds the time
  std::optional<spectrum::date_time> time_;  // of a ##TIME=
  std::optional<int> experiment_code_;       // of ##$SPC EXPERIMENT TYPE=
};

// A comment line, one that begins with $$, adds its text to the log as a line of its own; the
// blank that conventionally follows the $$ is not part of the text.
bool reader::comment_line(std::string_view line) {
  const std::string_view rest = recio::trimmed(line, blanks);
  if (!rest.starts_with(comment_marker)) return false;
  std::string_view text = line.substr(line.find(comment_marker) + comment_marker.size());
  if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  doc_.log.append(text).append("\r\n");
  return true;
}

// A value that goes on over the lines after its label's line, up to the next labelled record,
// its lines joined by between; comment lines among them go to the log. A control character is
// read as a blank, as it is written.
std::string reader::continued(std::string_view value, char between) {
  std::string out(recio::before_comment(value, comment_marker, blanks));
  std::string_view line;
  while (next_data_line(lines_, line)) {
    if (comment_line(line)) continue;
    const std::string_view more = recio::before_comment(line, comment_marker, blanks);
    if (more.empty()) continue;
    if (!out.empty()) out += between;
    out += more;
  }
  bool control = false;
  for (char& c : out)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7f) c = ' ', control = true;
  return control ? std::string(recio::trimmed(out, blanks)) : out;
}

void reader::skip_data_lines(bool comments_to_log) {
  std::string_view line;
  while (next_data_line(lines_, line))
    if (comments_to_log) comment_line(line);
}

void reader::keep_labels(block& b) {
  for (auto& label : b.labels) doc_.labels.push_back(std::move(label));
  b.labels.clear();
}

outcome reader::run() {
  std::string_view line;
  std::string label;
  std::string_view value;
  while (lines_.next(line)) {
    // Lines outside labelled records (before the first, between blocks) say nothing, but for
    // comment lines.
    if (!labelled(line, label, value)) {
      comment_line(line);
      continue;
    }
    if (auto t = record(label, label_as_written(line), value)) return t;
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
  if (!warnings_.empty()) doc_.facts.push_back({"warning", warnings_});
  if (!long_date_ && old_date_ && time_) {
    doc_.date.hour = time_->hour;
    doc_.date.minute = time_->minute;
    doc_.date.second = time_->second;
  }
  if (experiment_code_) doc_.experiment_type = *experiment_code_;
  return std::nullopt;
}

outcome reader::number_record(std::optional<double>& target, const std::string& label,
                              std::string_view value) {
  const std::string text = continued(value);
  target = number_of(text);
  if (!target) return at_line("##" + label + "= " + text + ": not a number");
  return std::nullopt;
}

outcome reader::record(const std::string& label, std::string_view written, std::string_view value) {
  if (label == "TITLE") {
    if (!open_.empty() && !open_.back().link)
      return at_line("a ##TITLE= inside the block begun on line " +
                     std::to_string(open_.back().line) + ", before its ##END=");
    if (open_.size() == deepest_blocks) return at_line("blocks inside blocks too deep");
    // The labels of a block of blocks before the first block within it keep their place.
    if (!open_.empty()) keep_labels(open_.back());
    block b;
    b.line = lines_.number();
    b.first_spectrum = doc_.spectra.size();
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
    skip_data_lines(true);
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
  if (label == "JCAMPCS") {
    b.structure = true;
    continued(value);
    return std::nullopt;
  }
  if (label == "DATATYPE") {
    b.data_type = continued(value);
    return std::nullopt;
  }
  if (label == "BLOCKS") {
    b.link = true;
    skip_data_lines(true);
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
    if (std::find(table_columns.begin(), table_columns.end(), label) != table_columns.end()) {
      continued(value);
      return std::nullopt;
    }
    if (label == "PAGE") {
      n.page_name = continued(value);
      n.page_points.reset();
      const std::size_t equals = n.page_name.find('=');
      n.page_symbol = equals == std::string::npos
                          ? std::string{}
                          : uppercase(recio::trimmed(n.page_name.substr(0, equals), blanks));
      const auto z =
          number_of(equals == std::string::npos ? std::string_view(n.page_name)
                                                : std::string_view(n.page_name).substr(equals + 1));
      n.page_z = z ? *z : n.page_z + 1.0;
      return std::nullopt;
    }
    if (label == "ENDNTUPLES") {
      n.open = false;
      skip_data_lines(true);
      return std::nullopt;
    }
  }
  if (label == "XYDATA" || label == "XYPOINTS" || label == "PEAKTABLE" || label == "DATATABLE")
    return data_record(label, value);
  if (label == "PEAKASSIGNMENTS") return assignment_record(value);
  return text_record(label, written, value);
}

// The records of texts: those that the document holds, the ones that follow from the data, and
// any other, which is kept as the file writes it, its lines as they are.
outcome reader::text_record(const std::string& label, std::string_view written,
                            std::string_view value) {
  block& b = open_.back();
  if (label == "ORIGIN" || label == "OWNER" || label == "SPECTROMETERDATASYSTEM") {
    std::string& field = label == "ORIGIN"  ? doc_.origin
                         : label == "OWNER" ? doc_.owner
                                            : doc_.instrument;
    std::string text = continued(value);
    if (field.empty()) field = std::move(text);
    return std::nullopt;
  }
  if (label == "RESOLUTION") {
    std::string text = continued(value);
    if (!doc_.resolution) doc_.resolution = std::move(text);
    return std::nullopt;
  }
  if (std::find(from_the_data.begin(), from_the_data.end(), label) != from_the_data.end()) {
    continued(value);
    return std::nullopt;
  }
  if (variables_of(value)) {  // data, but not in a record that this program reads
    if (b.unread.empty()) b.unread = "##" + std::string(written) + "=";
    skip_data_lines(false);
    return std::nullopt;
  }
  std::string text = continued(value, '\n');
  // Dates and numbers that do not read as such are kept as they are written.
  if (label == "LONGDATE") {
    if (const auto d = long_date_of(text)) {
      if (!long_date_) doc_.date = *d;
      long_date_ = true;
      return std::nullopt;
    }
  } else if (label == "DATE") {
    if (const auto d = day_of(text)) {
      if (!long_date_ && !old_date_) doc_.date = *d;
      old_date_ = true;
      return std::nullopt;
    }
  } else if (label == "TIME") {
    spectrum::date_time t;
    if (time_of(text, t)) {
      if (!time_) time_ = t;
      return std::nullopt;
    }
  } else if (label == "$Z") {
    if (const auto z = number_of(text)) {
      b.z = *z;
      return std::nullopt;
    }
  } else if (label == "$ZUNITS") {
    if (doc_.z_unit.code < 0 && doc_.z_unit.name.empty())
      doc_.z_unit = spectrum::unit_named(text, spectrum::axis::z);
    return std::nullopt;
  } else if (label == "$SPCEXPERIMENTTYPE") {
    const auto code = number_of(text);
    if (code && *code >= 0 && *code <= 255 && *code == std::floor(*code)) {
      if (!experiment_code_) experiment_code_ = static_cast<int>(*code);
      return std::nullopt;
    }
  }
  b.labels.emplace_back(std::string(written), std::move(text));
  return std::nullopt;
}

void reader::finish_block() {
  block& b = open_.back();
  if (b.spectra == 0 && !b.link) {
    std::string name = b.title.empty() ? std::string("block") : b.title;
    if (!b.data_type.empty()) name += " (" + b.data_type + ")";
    if (!b.block_id.empty()) name = "block " + b.block_id + ": " + name;
    name += b.structure         ? ": a chemical structure"
            : !b.unread.empty() ? ": " + b.unread + " holds data of a form that is not read"
                                : ": no data";
    skipped_.push_back(std::move(name));
  } else {
    keep_labels(b);
    if (b.z && !b.link && !b.pages)
      for (std::size_t i = b.first_spectrum; i < doc_.spectra.size(); ++i) doc_.spectra[i].z = *b.z;
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
    if (const auto zc = column(n.page_symbol)) f.z_units = text(n.units, *zc);
    f.z = n.page_z;
    b.pages = true;
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
  // A table of peaks is a list of peaks whatever its x.
  t.peaks = !vars->even && (label == "PEAKTABLE" || vars->kind == "PEAKS");
  if (auto trouble = vars->even ? even_data(t, f) : point_data(t, f, *vars)) return trouble;
  // Points of a table are even where their x are, as far as the file prints them.
  if (!vars->even)
    t.x_stored = t.peaks || !spectrum::evenly_spaced(t.x, spectrum::printed_unit(t.x));
  if (t.y.empty()) return trouble{"##" + label + "= holds no points", record_line};
  if (f.points && static_cast<double>(t.y.size()) != *f.points)
    return at_line("##NPOINTS= " + number_text(*f.points) + ", but the data from line " +
                   std::to_string(record_line) + " holds " + std::to_string(t.y.size()) +
                   " points");
  add_spectrum(std::move(t), f);
  return std::nullopt;
}

// A spectrum of the block being read; the first gives the document its units and experiment.
void reader::add_spectrum(spectrum::spectrum t, const data_frame& f) {
  block& b = open_.back();
  if (doc_.spectra.empty()) {
    doc_.x_unit = x_unit_of(f.x_units, b.data_type);
    doc_.y_unit = spectrum::unit_named(f.y_units, spectrum::axis::y);
    if (doc_.z_unit.code < 0 && doc_.z_unit.name.empty() && !f.z_units.empty())
      doc_.z_unit = spectrum::unit_named(f.z_units, spectrum::axis::z);
    doc_.experiment = b.data_type;
    doc_.experiment_type = spectrum::experiment_of(b.data_type);
    doc_.facts.push_back({"data type", b.data_type});
    // The units as the file spells them, where that is neither the table's name nor JCAMP-DX's.
    const auto spelt = [&](const char* name, const std::string& text, spectrum::axis which) {
      const spectrum::axis_unit& u = which == spectrum::axis::x ? doc_.x_unit : doc_.y_unit;
      const std::string_view own = recio::trimmed(text, blanks);
      if (own != u.name && own != spectrum::jcamp_units(u, which))
        doc_.facts.push_back({name, std::string(own)});
    };
    spelt("x units", f.x_units, spectrum::axis::x);
    spelt("y units", f.y_units, spectrum::axis::y);
  }
  if (open_.size() > 1) t.title = b.title;  // a block among blocks
  total_points_ += static_cast<std::int64_t>(t.y.size());
  ++b.spectra;
  doc_.spectra.push_back(std::move(t));
}

// ##PEAK ASSIGNMENTS=: one peak in each pair of parentheses, its numbers and its assignment in
// angle brackets separated by commas, "(1715, 88, <C=O stretch>)"; an entry may go on over
// lines. The numbers are plain, as written: no factor applies.
outcome reader::assignment_record(std::string_view value) {
  const std::int64_t record_line = lines_.number();
  const auto vars = assignment_variables(value);
  if (!vars)
    return at_line(
        "##PEAK ASSIGNMENTS=" + std::string(recio::before_comment(value, comment_marker, blanks)) +
        ": not a form that this program reads");
  block& b = open_.back();
  spectrum::spectrum t;
  t.peaks = true;
  t.x_stored = true;
  std::vector<std::string> fields;
  bool inside = false;   // an entry's parentheses
  bool in_text = false;  // an assignment's angle brackets
  std::string_view line;
  while (next_data_line(lines_, line)) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      const char c = line[i];
      if (in_text) {
        in_text = c != '>';
        fields.back() += c;
      } else if (!inside) {
        if (line.substr(i).starts_with(comment_marker)) break;
        if (c == '(') {
          inside = true;
          fields.assign(1, std::string{});
        } else if (!recio::is_blank(c) && c != ',' && c != ';' && c != '\0') {
          return at_line(std::string("'") + c + "' outside the parentheses of a peak");
        }
      } else if (c == '<') {
        in_text = true;
        fields.back() += c;
      } else if (c == ',') {
        fields.emplace_back();
      } else if (c == ')') {
        inside = false;
        if (auto trouble = take_assignment(t, fields, *vars)) return trouble;
      } else {
        fields.back() += c;
      }
    }
    if (in_text) fields.back() += ' ';  // an assignment's text goes on over the line's end
  }
  if (inside) return at_line("a peak's parentheses are not closed");
  if (t.y.empty()) return trouble{"##PEAK ASSIGNMENTS= holds no peaks", record_line};
  t.first_x = t.x.front();
  t.last_x = t.x.back();
  data_frame f;
  f.x_units = b.x_units;
  f.y_units = b.y_units;
  add_spectrum(std::move(t), f);
  return std::nullopt;
}

// One peak of an assignment table, from the fields of its parentheses, one for each variable:
// x, y and a width (where given) as numbers, y and the width empty for none, the assignment
// in angle brackets; a multiplicity is passed over.
outcome reader::take_assignment(spectrum::spectrum& t, const std::vector<std::string>& fields,
                                std::string_view variables) {
  if (fields.size() != variables.size())
    return at_line("a peak of " + std::to_string(fields.size()) + " fields, for the " +
                   std::to_string(variables.size()) + " of (" + std::string(variables) + ")");
  if (room(t.x.size()) == 0) return at_line("more points than the file can hold");
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string_view field = recio::trimmed(fields[i], blanks);
    const char v = variables[i];
    if (v == 'M') continue;
    if (v == 'A') {
      if (field.size() < 2 || field.front() != '<' || field.back() != '>')
        return at_line("an assignment that is not in angle brackets: " + std::string(field));
      t.assignments.emplace_back(field.substr(1, field.size() - 2));
      continue;
    }
    const auto number = field.empty() && v != 'X' ? std::optional<double>{0.0} : number_of(field);
    if (!number) return at_line("'" + std::string(field) + "': not a number");
    (v == 'X' ? t.x : v == 'Y' ? t.y : t.widths).push_back(*number);
  }
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
            if (!same_value(y.value, value)) {
              const std::string differs = "the DIF check value " + number_text(y.value) +
                                          " differs from the last y of the line before, " +
                                          number_text(value);
              // A last line of an x and a check value alone, after the points that ##NPOINTS=
              // declares, adds nothing: its check value is passed over, as other readers do.
              std::size_t after = pos;
              if (!f.points || static_cast<double>(t.y.size()) != *f.points ||
                  next_token(line, after).k != token_kind::end)
                return at_line(differs);
              warnings_.push_back("line " + std::to_string(lines_.number()) + ": " + differs +
                                  "; passed over, as the data holds the points of ##NPOINTS=");
              continue;
            }
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

outcome reader::point_data(spectrum::spectrum& t, const data_frame& f, const variables& vars) {
  const std::size_t group = vars.group;
  // A table of peaks keeps their widths; a multiplicity is passed over.
  const std::size_t w = vars.more.find('W');
  const std::size_t width_at = t.peaks && w != std::string::npos ? 2 + w : group;
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
      } else if (number == width_at) {
        if (auto trouble = push(t.widths, v.value, f.x_factor, std::nullopt)) return trouble;
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
