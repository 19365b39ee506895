// jcamp/jcamp_reader.cpp: the JCAMP-DX reader's walk through a file: labelled records in blocks and
// NTUPLES pages, the texts of the file, its dates, its comment lines and the labels that no writer
// interprets; the data records go to jcamp_data_reader.cpp.
#include "jcamp/jcamp_reader.hpp"

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

}  // namespace

using spectrum::outcome;
using spectrum::trouble;

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

spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc) {
  doc = spectrum::document{};
  doc.format = "jcamp";
  reader r{recio::text_of_bytes(file.bytes), doc, options.most_points};
  return r.run();
}

}  // namespace jcamp
