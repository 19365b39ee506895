// jcamp/jcamp_file.cpp: the JCAMP-DX file: labelled data records, the data forms AFFN, PAC, SQZ,
// DIF and DUP, NTUPLES pages and blocks; its reader and writer.
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jcamp/jcamp.hpp"
#include "spectrum/fixed_spectrum.hpp"

namespace jcamp {
namespace {

constexpr recio::layout text_record{"(A)"};
// Every record written fits in 80 characters.
constexpr std::size_t line_width = 80;
// Blocks inside blocks: a file of blocks holds one level; a few more are allowed.
constexpr std::size_t deepest_blocks = 8;
// A DUP count lets a few characters stand for many points, but no real file holds more than this
// many points for each of its bytes: a count beyond it is damage, and is refused before it is
// given memory.
constexpr std::size_t points_per_byte = 1024;
// The largest integer of the compressed forms that we write: every reader holds it exactly.
constexpr double largest_written_integer = 2147483647.0;

using spectrum::outcome;
using spectrum::trouble;

// ---------------------------------------------------------------------------------------------
// Text

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (is_blank(s.front()) || s.front() == '\0')) s.remove_prefix(1);
  while (!s.empty() && (is_blank(s.back()) || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

// A line that starts a labelled record: "##", after any blanks.
bool starts_labelled(std::string_view line) {
  line = trimmed(line);
  return line.size() >= 2 && line[0] == '#' && line[1] == '#';
}

// The file's lines, ended by LF, CR LF or CR, counted from 1.
class line_reader {
 public:
  explicit line_reader(spectrum::byte_view bytes)
      : text_{reinterpret_cast<const char*>(bytes.data()), bytes.size()} {}
  // The next line, without its end; false at the end of the file.
  bool next(std::string_view& line) {
    if (!peek(line)) return false;
    at_ += line.size();
    if (at_ < text_.size() && text_[at_] == '\r') ++at_;
    if (at_ < text_.size() && text_[at_] == '\n') ++at_;
    ++number_;
    return true;
  }
  // The next line, left to be taken.
  bool peek(std::string_view& line) const {
    if (at_ >= text_.size()) return false;
    std::size_t end = at_;  // a plain loop: find_first_of looks up each byte in the set
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
    line = text_.substr(at_, end - at_);
    return true;
  }
  // The next line when it is not a labelled record, which is left to be taken.
  bool next_data(std::string_view& line) {
    if (!peek(line) || starts_labelled(line)) return false;
    at_ += line.size();
    if (at_ < text_.size() && text_[at_] == '\r') ++at_;
    if (at_ < text_.size() && text_[at_] == '\n') ++at_;
    ++number_;
    return true;
  }
  // The number of the line last taken.
  std::int64_t number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
  std::int64_t number_ = 0;
};

// A value without its $$ comment and the blanks around it.
std::string_view without_comment(std::string_view s) {
  const std::size_t comment = s.find("$$");
  return trimmed(comment == std::string_view::npos ? s : s.substr(0, comment));
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A label as the format compares labels: in capitals, without blanks, dashes, slashes and
// underscores. "Data_Type" and "DATA TYPE" are both "DATATYPE".
std::string normal_label(std::string_view label) {
  std::string out;
  for (const char c : label)
    if (!is_blank(c) && c != '-' && c != '/' && c != '_') out += upper(c);
  return out;
}

// A labelled record's first line: "##", the label up to "=", the value after it; blanks may
// stand before the "##".
bool labelled(std::string_view line, std::string& label, std::string_view& value) {
  line = trimmed(line);
  if (line.size() < 2 || line[0] != '#' || line[1] != '#') return false;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    label = normal_label(line.substr(2));
    value = {};
  } else {
    label = normal_label(line.substr(2, equals - 2));
    value = line.substr(equals + 1);
  }
  return true;
}

std::string uppercase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upper(c);
  return out;
}

// A number of a labelled record's value: "1.5", "+16384", "1E-05".
std::optional<double> number_of(std::string_view s) {
  s = without_comment(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0.0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// The items of a list value, split at commas: "HZ, ARBITRARY UNITS," gives "HZ",
// "ARBITRARY UNITS", "".
std::vector<std::string> items_of(std::string_view s) {
  std::vector<std::string> out;
  s = without_comment(s);
  for (;;) {
    const std::size_t comma = s.find(',');
    out.emplace_back(trimmed(s.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  return out;
}

std::string text_of(double v) {
  std::array<char, 32> buffer{};
  const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
  std::string out(buffer.data(), r.ptr);
  for (char& c : out) c = upper(c);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Units by name, and their SPC unit codes

struct unit_name {
  int code;
  std::string_view jcamp;
};
constexpr std::array<unit_name, 21> x_unit_names{{
    {0, "ARBITRARY UNITS"},
    {1, "1/CM"},
    {2, "MICROMETERS"},
    {3, "NANOMETERS"},
    {4, "SECONDS"},
    {5, "MINUTES"},
    {6, "HZ"},
    {7, "KHZ"},
    {8, "MHZ"},
    {9, "M/Z"},
    {10, "PPM"},
    {11, "DAYS"},
    {12, "YEARS"},
    {13, "1/CM"},
    {14, "EV"},
    {18, "DEGREES"},
    {23, "MILLISECONDS"},
    {24, "MICROSECONDS"},
    {25, "NANOSECONDS"},
    {26, "GHZ"},
    {29, "MILLIMETERS"},
}};
constexpr std::array<unit_name, 15> y_unit_names{{
    {0, "ARBITRARY UNITS"},
    {2, "ABSORBANCE"},
    {3, "KUBELKA-MUNK"},
    {4, "COUNTS"},
    {5, "VOLTS"},
    {6, "DEGREES"},
    {9, "MILLIVOLTS"},
    {10, "LOG(1/R)"},
    {11, "PERCENT"},
    {12, "INTENSITY"},
    {13, "RELATIVE INTENSITY"},
    {14, "ENERGY"},
    {128, "TRANSMITTANCE"},
    {129, "REFLECTANCE"},
    {131, "EMISSION"},
}};

template <std::size_t n>
spectrum::axis_unit unit_of(std::string_view text, const std::array<unit_name, n>& names) {
  spectrum::axis_unit u;
  u.name = std::string(without_comment(text));
  const std::string key = uppercase(u.name);
  for (const unit_name& entry : names)
    if (entry.jcamp == key) {
      u.code = entry.code;
      break;
    }
  return u;
}

template <std::size_t n>
std::string jcamp_unit(const spectrum::axis_unit& u, const std::array<unit_name, n>& names) {
  for (const unit_name& entry : names)
    if (entry.code == u.code) return std::string(entry.jcamp);
  return u.name.empty() ? std::string("ARBITRARY UNITS") : u.name;
}

// ---------------------------------------------------------------------------------------------
// Numbers of the data lines

// AFFN is a number as written by hand; PAC the same, told apart by its sign standing right after
// the number before it; SQZ, DIF and DUP start with a pseudo-digit that carries the first digit
// and its sign: SQZ a y value, DIF the difference from the y before, DUP how many times the value
// or difference before occurs.
enum class kind { end, affn, pac, sqz, dif, dup, missing, bad };

struct token {
  kind k = kind::end;
  double value = 0.0;      // affn, pac, sqz, dif
  std::int64_t count = 0;  // dup
  char c = 0;              // bad: the character
};

// The first digit and sign that a pseudo-digit stands for, and its form.
struct pseudo {
  kind k;
  int digit;  // negative for a negative number
};
std::optional<pseudo> pseudo_digit(char c) {
  if (c == '@') return pseudo{kind::sqz, 0};
  if (c >= 'A' && c <= 'I') return pseudo{kind::sqz, c - 'A' + 1};
  if (c >= 'a' && c <= 'i') return pseudo{kind::sqz, -(c - 'a' + 1)};
  if (c == '%') return pseudo{kind::dif, 0};
  if (c >= 'J' && c <= 'R') return pseudo{kind::dif, c - 'J' + 1};
  if (c >= 'j' && c <= 'r') return pseudo{kind::dif, -(c - 'j' + 1)};
  if (c >= 'S' && c <= 'Z') return pseudo{kind::dup, c - 'S' + 1};
  if (c == 's') return pseudo{kind::dup, 9};
  return std::nullopt;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the next number of a data line from pos. Blanks, commas and semicolons separate numbers;
// "$$" ends the line. separated tells whether anything stood between this number and the one
// before, so that PAC can be told from AFFN.
token next_token(std::string_view line, std::size_t& pos) {
  bool separated = pos == 0;
  while (pos < line.size() &&
         (is_blank(line[pos]) || line[pos] == ',' || line[pos] == ';' || line[pos] == '\0')) {
    ++pos;
    separated = true;
  }
  token t;
  if (pos >= line.size()) return t;
  const char c = line[pos];
  if (c == '$' && pos + 1 < line.size() && line[pos + 1] == '$') {
    pos = line.size();
    return t;
  }
  if (c == '?') {
    ++pos;
    t.k = kind::missing;
    return t;
  }
  // The number's text as from_chars reads it: a sign, then digits, a point and digits.
  std::array<char, 48> text{};
  std::size_t used = 0;
  const std::size_t start = pos;
  auto take_digits = [&](bool point) {
    while (pos < line.size() && (is_digit(line[pos]) || (point && line[pos] == '.'))) {
      if (line[pos] == '.') point = false;
      if (used == text.size()) return false;
      text[used++] = line[pos++];
    }
    return true;
  };
  bool fits = true;
  if (const auto p = pseudo_digit(c)) {
    t.k = p->k;
    ++pos;
    if (p->digit < 0) text[used++] = '-';
    text[used++] = static_cast<char>('0' + std::abs(p->digit));
    fits = take_digits(p->k != kind::dup);
  } else if (c == '+' || c == '-' || c == '.' || is_digit(c)) {
    t.k = c == '+' || (c == '-' && !separated) ? kind::pac : kind::affn;
    if (c == '-') text[used++] = '-';
    if (c == '+' || c == '-') ++pos;
    fits = take_digits(true);
    // An exponent: E and a sign, then digits; an E without its sign is the SQZ digit 5.
    if (fits && pos + 2 < line.size() && (line[pos] == 'E' || line[pos] == 'e') &&
        (line[pos + 1] == '+' || line[pos + 1] == '-') && is_digit(line[pos + 2]) &&
        used + 2 < text.size()) {
      text[used++] = 'e';
      text[used++] = line[pos + 1];
      pos += 2;
      fits = take_digits(false);
    }
  } else {
    ++pos;
    t.k = kind::bad;
    t.c = c;
    return t;
  }
  if (!fits) {
    t.k = kind::bad;
    t.c = line[start];
    return t;
  }
  const char* const first = text.data();
  const char* const last = text.data() + used;
  // Most numbers are integers of a few digits: those are summed here, the rest read by from_chars.
  if (used <= 16) {
    const bool negative = text[0] == '-';
    std::int64_t sum = 0;
    std::size_t i = negative ? 1 : 0;
    for (; i < used && is_digit(text[i]); ++i) sum = sum * 10 + (text[i] - '0');
    if (i == used && used > (negative ? 1u : 0u)) {
      t.count = negative ? -sum : sum;
      t.value = static_cast<double>(t.count);
      return t;
    }
  }
  if (t.k == kind::dup) {
    const auto [end, ec] = std::from_chars(first, last, t.count);
    if (ec != std::errc{} || end != last) t.k = kind::bad, t.c = c;
    return t;
  }
  const auto [end, ec] = std::from_chars(first, last, t.value);
  if (ec != std::errc{} || end != last || !std::isfinite(t.value)) t.k = kind::bad, t.c = c;
  return t;
}

// The forms seen in a file, in the order that `info` names them.
enum form_bit : unsigned { affn_bit = 1, pac_bit = 2, sqz_bit = 4, dif_bit = 8, dup_bit = 16 };

void note_form(unsigned& forms, kind k) {
  if (k == kind::affn) forms |= affn_bit;
  if (k == kind::pac) forms |= pac_bit;
  if (k == kind::sqz) forms |= sqz_bit;
  if (k == kind::dif) forms |= dif_bit;
  if (k == kind::dup) forms |= dup_bit;
}

// The step between n evenly spaced x from first to last: DELTAX where the file gives one that
// leads from first to last to within the rounding of single precision, else the span in n - 1
// equal steps. Point i is at first + i step. The writer asks the same of its values, so that what
// it writes as evenly spaced reads back to the very same x.
double even_step(double first, double last, std::optional<double> delta, std::size_t n) {
  if (n < 2) return 0.0;
  const double span = last - first;
  if (delta &&
      std::fabs(first + *delta * static_cast<double>(n - 1) - last) <= 1e-7 * std::fabs(span))
    return *delta;
  return span / static_cast<double>(n - 1);
}

// A count of points that a file may declare; more than 2^50 is damage.
bool is_count(double v) { return v >= 0.0 && v == std::floor(v) && v <= 1125899906842624.0; }

bool fits_single(double v) {
  return std::isfinite(v) && std::fabs(v) <= static_cast<double>(std::numeric_limits<float>::max());
}

// ---------------------------------------------------------------------------------------------
// Reading

// The variables of a data record: "(X++(Y..Y))" for evenly spaced x, "(XY..XY)" for points
// (a third letter, a peak's width or multiplicity, is passed over).
struct variables {
  bool even = false;
  std::string x, y;
  std::size_t group = 2;  // numbers for each point of an (XY..XY) table
};

std::optional<variables> variables_of(std::string_view value) {
  std::string s;
  for (const char c : without_comment(value)) {
    if (c == ',') break;  // a DATA TABLE's kind follows: XYDATA, XYPOINTS, PEAKS
    if (!is_blank(c)) s += upper(c);
  }
  variables v;
  const std::size_t plus = s.find("++(");
  if (plus != std::string::npos && s.size() > 1 && s.front() == '(') {
    v.even = true;
    v.x = s.substr(1, plus - 1);
    const std::size_t dots = s.find("..", plus);
    if (dots == std::string::npos || v.x.empty()) return std::nullopt;
    v.y = s.substr(plus + 3, dots - plus - 3);
    if (v.y.empty() || s.substr(dots + 2) != v.y + "))") return std::nullopt;
    return v;
  }
  const std::size_t dots = s.find("..");
  if (s.size() < 2 || s.front() != '(' || dots == std::string::npos || dots < 3)
    return std::nullopt;
  const std::string symbols = s.substr(1, dots - 1);
  if (s.substr(dots + 2) != symbols + ")") return std::nullopt;
  v.x = symbols.substr(0, 1);
  v.y = symbols.substr(1, 1);
  v.group = symbols.size();
  return v;
}

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
  reader(const spectrum::input_file& file, spectrum::document& doc)
      : lines_{file.bytes}, doc_{doc}, most_points_{file.bytes.size() * points_per_byte + 1024} {}

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
  outcome push(std::vector<float>& values, double v, double factor, std::optional<double> points);
  std::string continued(std::string_view value);
  void skip_data_lines();
  void finish_block();

  line_reader lines_;
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
  std::string out(without_comment(value));
  std::string_view line;
  while (lines_.peek(line) && !starts_labelled(line)) {
    lines_.next(line);
    const std::string_view more = without_comment(line);
    if (more.empty()) continue;
    if (!out.empty()) out += ' ';
    out += more;
  }
  return out;
}

void reader::skip_data_lines() {
  std::string_view line;
  while (lines_.peek(line) && !starts_labelled(line)) lines_.next(line);
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
    return at_line("##" + label + "=" + std::string(without_comment(value)) +
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
  if (t.y.empty()) return trouble{"##" + label + "= holds no points", record_line};
  if (f.points && static_cast<double>(t.y.size()) != *f.points)
    return at_line("##NPOINTS= " + text_of(*f.points) + ", but the data from line " +
                   std::to_string(record_line) + " holds " + std::to_string(t.y.size()) +
                   " points");
  if (doc_.spectra.empty()) {
    doc_.x_unit = unit_of(f.x_units, x_unit_names);
    doc_.y_unit = unit_of(f.y_units, y_unit_names);
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

outcome reader::push(std::vector<float>& values, double v, double factor,
                     std::optional<double> points) {
  if (points && static_cast<double>(values.size()) >= *points)
    return at_line("more points than ##NPOINTS= " + text_of(*points));
  if (room(values.size()) == 0) return at_line("more points than the file can hold");
  const double scaled = v * factor;
  if (!fits_single(scaled)) return at_line("a value beyond the range of single precision");
  values.push_back(static_cast<float>(scaled));
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
  while (lines_.next_data(line)) {
    std::size_t pos = 0;
    const token x = next_token(line, pos);
    if (x.k == kind::end) continue;
    if (x.k != kind::affn && x.k != kind::pac && x.k != kind::sqz)
      return at_line("a data line that does not begin with an x value");
    if (!first_line_x) first_line_x = x.value * f.x_factor;
    bool first_y = true;
    kind last = kind::end;      // the last y of this line
    kind repeated = kind::end;  // what a DUP repeats
    double difference = 0.0;
    for (token y = next_token(line, pos); y.k != kind::end; y = next_token(line, pos)) {
      note_form(forms_, y.k);
      switch (y.k) {
        case kind::affn:
        case kind::pac:
        case kind::sqz:
          if (first_y && check_next) {
            if (!same_value(y.value, value))
              return at_line("the DIF check value " + text_of(y.value) +
                             " differs from the last y of the line before, " + text_of(value));
          } else if (auto trouble = push(t.y, y.value, f.y_factor, f.points)) {
            return trouble;
          }
          value = y.value;
          have_value = true;
          repeated = kind::sqz;
          break;
        case kind::dif:
          if (!have_value) return at_line("a DIF value with no y value before it");
          value += y.value;
          difference = y.value;
          if (auto trouble = push(t.y, value, f.y_factor, f.points)) return trouble;
          repeated = kind::dif;
          break;
        case kind::dup: {
          if (last == kind::end || last == kind::dup)
            return at_line("a DUP count that follows no value on its line");
          if (y.count < 1) return at_line("a DUP count below 1");
          const auto more = static_cast<std::uint64_t>(y.count - 1);
          if (more > room(t.y.size()))
            return at_line("a DUP count of more points than the file can hold");
          for (std::uint64_t i = 0; i < more; ++i) {
            if (repeated == kind::dif) value += difference;
            if (auto trouble = push(t.y, value, f.y_factor, f.points)) return trouble;
          }
          break;
        }
        case kind::missing:
          return at_line("a missing value (?) among the y values");
        default:
          return at_line(std::string("'") + y.c + "' in a number");
      }
      last = y.k;
      first_y = false;
    }
    check_next = last == kind::dif || (last == kind::dup && repeated == kind::dif);
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
  if (!fits_single(first) || !fits_single(last))
    return at_line("an x beyond the range of single precision");
  t.first_x = first;
  t.last_x = last;
  t.x.resize(n);
  const double step = even_step(first, last, f.delta_x, n);
  for (std::size_t i = 0; i < n; ++i) {
    const double x = first + static_cast<double>(i) * step;
    if (!fits_single(x)) return at_line("an x beyond the range of single precision");
    t.x[i] = static_cast<float>(x);
  }
  return std::nullopt;
}

outcome reader::point_data(spectrum::spectrum& t, const data_frame& f, std::size_t group) {
  std::string_view line;
  std::size_t number = 0;  // of the value in its group
  while (lines_.next_data(line)) {
    std::size_t pos = 0;
    for (token v = next_token(line, pos); v.k != kind::end; v = next_token(line, pos)) {
      note_form(forms_, v.k);
      if (v.k == kind::dif || v.k == kind::dup)
        return at_line("DIF or DUP form in a table of (XY..XY) points");
      if (v.k == kind::missing) return at_line("a missing value (?) in a table of points");
      if (v.k == kind::bad) return at_line(std::string("'") + v.c + "' in a number");
      if (number == 0) {
        if (room(t.x.size()) == 0) return at_line("more points than the file can hold");
        const double x = v.value * f.x_factor;
        if (!fits_single(x)) return at_line("an x beyond the range of single precision");
        t.x.push_back(static_cast<float>(x));
      } else if (number == 1) {
        if (auto trouble = push(t.y, v.value, f.y_factor, std::nullopt)) return trouble;
      }
      number = (number + 1) % group;
    }
  }
  if (number != 0) return at_line("a point without its y value");
  t.x_stored = true;
  if (!t.x.empty()) {
    t.first_x = t.x.front();
    t.last_x = t.x.back();
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Writing

void write_line(recio::unit_number unit, std::string_view text) {
  recio::write(unit, text_record, {text});
}

// A labelled record, its value carried on over further lines where it is long. "##" in a value
// could start a record of its own and "$$" would begin a comment: each is written as one
// character.
void write_record(recio::unit_number unit, std::string_view label, std::string_view value) {
  std::string text;
  for (const char c : value) {
    const char kept = static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    if ((kept == '$' || kept == '#') && !text.empty() && text.back() == kept) continue;
    text += kept;
  }
  std::string_view rest = trimmed(text);
  std::string line = "##" + std::string(label) + "=";
  if (!rest.empty() && rest.front() != '(') line += ' ';
  for (;;) {
    std::size_t room = line_width - line.size();
    if (rest.size() <= room) {
      line += rest;
      write_line(unit, line);
      return;
    }
    // At the last blank that fits, which the reader puts back between the lines; else not inside
    // a character of several bytes, and the next line not starting with '#'.
    const std::size_t blank = rest.substr(1, room).rfind(' ');
    if (blank != std::string_view::npos) {
      line += trimmed(rest.substr(0, blank + 1));
      rest = trimmed(rest.substr(blank + 2));
    } else {
      while (room > 1 && (static_cast<unsigned char>(rest[room]) & 0xc0) == 0x80) --room;
      while (room > 1 && rest[room] == '#') --room;
      line += rest.substr(0, room);
      rest.remove_prefix(room);
    }
    write_line(unit, line);
    line.clear();
  }
}

// A float in as few characters as read back to the same value: as a plain decimal where that is
// short, else with an exponent ("1.5E-20").
void append_number(std::string& out, float v) {
  std::array<char, 64> buffer{};
  auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v, std::chars_format::fixed);
  if (r.ec != std::errc{} || r.ptr - buffer.data() > 16)
    r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
  for (char* c = buffer.data(); c != r.ptr; ++c) out += upper(*c);
}

std::string number_text(float v) {
  std::string out;
  append_number(out, v);
  return out;
}

// An integer in a compressed form at out, giving the end: its first digit and sign as one
// pseudo-digit, then the rest. The pseudo-digits of 1 to 9 in each form, positive then negative.
char* put_compressed(char* out, std::int64_t v, const char* positive, const char* negative,
                     char zero) {
  std::array<char, 20> reversed{};
  std::size_t n = 0;
  for (auto m = static_cast<std::uint64_t>(v < 0 ? -v : v); n == 0 || m > 0; m /= 10)
    reversed[n++] = static_cast<char>('0' + m % 10);
  const int first = reversed[n - 1] - '0';
  *out++ = first == 0 ? zero : (v < 0 ? negative : positive)[first - 1];
  for (std::size_t i = n - 1; i-- > 0;) *out++ = reversed[i];
  return out;
}

char* put_sqz(char* out, std::int64_t v) {
  return put_compressed(out, v, "ABCDEFGHI", "abcdefghi", '@');
}
char* put_dif(char* out, std::int64_t v) {
  return put_compressed(out, v, "JKLMNOPQR", "jklmnopqr", '%');
}
char* put_dup(char* out, std::int64_t count) {
  return put_compressed(out, count, "STUVWXYZs", "STUVWXYZs", '@');
}

// How the y values of evenly spaced data are written: as integers times YFACTOR.
struct y_scale {
  std::string factor;  // YFACTOR as written
  std::vector<std::int64_t> integers;
};

// How the x at the start of each data line is written: as it is, where every x is between 1E-6
// and 1E9, which makes at most 17 characters in plain decimals (XFACTOR 1), else as an integer
// times a power of ten that keeps 9 digits.
struct x_scale {
  std::string factor = "1";
  double value = 1.0;
  bool plain = true;
};

x_scale x_scale_of(const std::vector<float>& x) {
  x_scale s;
  float largest = 0.0f;
  for (const float v : x) {
    const float size = std::fabs(v);
    largest = std::max(largest, size);
    s.plain = s.plain && (size == 0.0f || (size >= 1e-6f && size < 1e9f));
  }
  if (s.plain) return s;
  const int power = static_cast<int>(std::floor(std::log10(static_cast<double>(largest)))) - 8;
  s.factor = "1E" + std::to_string(power);
  std::from_chars(s.factor.data(), s.factor.data() + s.factor.size(), s.value);
  return s;
}

void append_x(std::string& out, float x, const x_scale& s) {
  if (s.plain) {
    std::array<char, 64> buffer{};
    const auto r =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed);
    out.append(buffer.data(), r.ptr);
    return;
  }
  out += std::to_string(std::llround(static_cast<double>(x) / s.value));
}

// YFACTOR: a power of two where every y is an integer times it and the integers stay within 31
// bits: floats from integer data (and many others) come back exactly. Else a power of ten that
// leaves the largest y at least 2^31 / 10: every y comes back within 1E-8 of the largest.
y_scale scale_of(const std::vector<float>& y) {
  y_scale s;
  int lowest = std::numeric_limits<int>::max();   // the exponent of the lowest bit of any y
  int highest = std::numeric_limits<int>::min();  // |y| < 2^highest
  float largest = 0.0f;
  for (const float v : y) {
    if (v == 0.0f) continue;
    // |v| is its significand times 2^power, the significand an integer of at most 24 bits.
    const auto bits = std::bit_cast<std::uint32_t>(v);
    const int field = static_cast<int>((bits >> 23) & 0xff);
    std::uint32_t significand = bits & 0x7fffff;
    int power = -149;
    if (field > 0) significand |= 0x800000, power = field - 150;
    lowest = std::min(lowest, power + std::countr_zero(significand));
    highest = std::max(highest, power + static_cast<int>(std::bit_width(significand)));
    largest = std::max(largest, std::fabs(v));
  }
  s.integers.resize(y.size());
  if (largest == 0.0f) {
    s.factor = "1";
    return s;
  }
  if (highest - lowest <= 31) {
    s.factor = text_of(std::ldexp(1.0, lowest));
    const double scale = std::ldexp(1.0, -lowest);  // a power of two: each product is exact
    for (std::size_t i = 0; i < y.size(); ++i)
      s.integers[i] = static_cast<std::int64_t>(static_cast<double>(y[i]) * scale);
    return s;
  }
  int power = static_cast<int>(
      std::ceil(std::log10(static_cast<double>(largest) / largest_written_integer)));
  double factor = 0.0;
  for (;; ++power) {
    s.factor = "1E" + std::to_string(power);
    std::from_chars(s.factor.data(), s.factor.data() + s.factor.size(), factor);
    if (static_cast<double>(largest) / factor <= largest_written_integer) break;
  }
  for (std::size_t i = 0; i < y.size(); ++i)
    s.integers[i] = static_cast<std::int64_t>(std::llround(static_cast<double>(y[i]) / factor));
  return s;
}

// FIRSTX, LASTX and DELTAX of evenly spaced x.
struct even_axis {
  double first = 0.0, last = 0.0, delta = 0.0;
};

// The ends and step from which the reader makes every x of the spectrum again exactly; none when
// the x are not so spaced. The ends are the spectrum's own, else its first and last x; the step
// is the span in equal parts, or that part rounded to single precision, as x are made from an SPC
// or Y file's first x, last x and count.
std::optional<even_axis> even_axis_of(const spectrum::spectrum& t) {
  const std::size_t n = t.x.size();
  std::vector<std::pair<double, double>> ends;
  if (!t.x_stored) ends.emplace_back(t.first_x, t.last_x);
  ends.emplace_back(static_cast<double>(t.x.front()), static_cast<double>(t.x.back()));
  for (const auto& [first, last] : ends) {
    if (!fits_single(first) || !fits_single(last)) continue;
    const double equal = n < 2 ? 0.0 : (last - first) / static_cast<double>(n - 1);
    for (const double delta : {equal, -static_cast<double>(spectrum::to_single(-equal))}) {
      if (!std::isfinite(delta)) continue;
      const double step = even_step(first, last, delta, n);
      bool all = true;
      for (std::size_t i = 0; i < n && all; ++i) {
        const double x = first + static_cast<double>(i) * step;
        all = fits_single(x) && static_cast<float>(x) == t.x[i];
      }
      if (all) return even_axis{first, last, step};
    }
  }
  return std::nullopt;
}

// The lines of evenly spaced data in DIF form with DUP counts. Each line starts with the x of
// its first y, that y in SQZ form and then differences; the next line starts again with the last
// y of the line before, the check value, and a last line holds the final check value alone.
void write_dif_lines(recio::unit_number unit, const spectrum::spectrum& t, const x_scale& xs,
                     const std::vector<std::int64_t>& q) {
  const std::size_t n = q.size();
  std::string start;
  // A line: at most 80 characters, and a token is added only where it fits.
  std::array<char, line_width + 48> line{};
  const auto begin_line = [&](std::size_t i) {
    start.clear();
    append_x(start, t.x[i], xs);
    start += ' ';
    std::copy(start.begin(), start.end(), line.begin());
    return put_sqz(line.data() + start.size(), q[i]);
  };
  std::size_t i = 0;
  for (;;) {
    char* end = begin_line(i);
    std::size_t j = i + 1;
    while (j < n) {
      const std::int64_t d = q[j] - q[j - 1];
      // Runs of at most 999: the file keeps a byte for every few hundred points, as readers that
      // bound a file's points by its size expect.
      std::size_t run = 1;
      while (j + run < n && run < 999 && q[j + run] - q[j + run - 1] == d) ++run;
      std::array<char, 48> token{};
      char* token_end = put_dif(token.data(), d);
      if (run > 1) token_end = put_dup(token_end, static_cast<std::int64_t>(run));
      const auto size = static_cast<std::size_t>(token_end - token.data());
      // A fresh line always has room for a value, a difference and its count.
      if (static_cast<std::size_t>(end - line.data()) + size > line_width) break;
      end = std::copy(token.data(), token_end, end);
      j += run;
    }
    write_line(unit, {line.data(), static_cast<std::size_t>(end - line.data())});
    if (j == i + 1) return;  // a line of one y ends the data without a check
    i = j - 1;
    if (j == n) {
      end = begin_line(i);
      write_line(unit, {line.data(), static_cast<std::size_t>(end - line.data())});
      return;
    }
  }
}

// Evenly spaced data as plain integers, blank-separated, the x of each line's first y first.
void write_affn_lines(recio::unit_number unit, const spectrum::spectrum& t, const x_scale& xs,
                      const std::vector<std::int64_t>& q) {
  const std::size_t n = q.size();
  std::string line;
  std::string value;
  for (std::size_t i = 0; i < n;) {
    line.clear();
    append_x(line, t.x[i], xs);
    do {
      value = " " + std::to_string(q[i]);
      if (line.size() + value.size() > line_width) break;
      line += value;
      ++i;
    } while (i < n);
    write_line(unit, line);
  }
}

// (XY..XY) points as plain numbers, x and y joined by a comma, points blank-separated.
void write_point_lines(recio::unit_number unit, const spectrum::spectrum& t) {
  std::string line;
  std::string point;
  for (std::size_t i = 0; i < t.y.size(); ++i) {
    point = number_text(t.x[i]) + "," + number_text(t.y[i]);
    if (!line.empty() && line.size() + 1 + point.size() > line_width) {
      write_line(unit, line);
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += point;
  }
  if (!line.empty()) write_line(unit, line);
}

std::string data_type_of(const spectrum::document& doc) {
  if (!trimmed(doc.experiment).empty()) return doc.experiment;
  switch (doc.x_unit.code) {
    case 1:
      return "INFRARED SPECTRUM";
    case 3:
      return "UV/VIS SPECTRUM";
    case 9:
      return "MASS SPECTRUM";
    case 10:
      return "NMR SPECTRUM";
    case 13:
      return "RAMAN SPECTRUM";
    default:
      return "UNKNOWN";
  }
}

outcome check_spectrum(const spectrum::spectrum& t, std::size_t number) {
  const std::string which = "spectrum " + std::to_string(number);
  if (t.y.empty()) return trouble{which + " has no points", 0};
  if (t.x.size() != t.y.size())
    return trouble{which + " has " + std::to_string(t.x.size()) + " x values for " +
                       std::to_string(t.y.size()) + " y values",
                   0};
  for (std::size_t i = 0; i < t.y.size(); ++i)
    if (!std::isfinite(t.x[i]) || !std::isfinite(t.y[i]))
      return trouble{which + ", point " + std::to_string(i + 1) + ": not a finite number", 0};
  return std::nullopt;
}

void write_block(const spectrum::document& doc, const spectrum::spectrum& t, recio::unit_number unit,
                 const spectrum::write_options& options, const std::string& title,
                 std::size_t block_id) {
  const std::size_t n = t.y.size();
  const auto ends = even_axis_of(t);
  write_record(unit, "TITLE", title);
  write_record(unit, "JCAMP-DX", "4.24");
  if (block_id > 0) write_record(unit, "BLOCK_ID", std::to_string(block_id));
  write_record(unit, "DATA TYPE", data_type_of(doc));
  write_record(unit, "ORIGIN", trimmed(doc.source).empty() ? std::string("zolkdf") : doc.source);
  write_record(unit, "OWNER", "");
  if (doc.resolution && !trimmed(*doc.resolution).empty())
    write_record(unit, "RESOLUTION", *doc.resolution);
  write_record(unit, "XUNITS", jcamp_unit(doc.x_unit, x_unit_names));
  write_record(unit, "YUNITS", jcamp_unit(doc.y_unit, y_unit_names));
  const x_scale xs = ends ? x_scale_of(t.x) : x_scale{};
  const y_scale scale = ends ? scale_of(t.y) : y_scale{"1", {}};
  write_record(unit, "XFACTOR", xs.factor);
  write_record(unit, "YFACTOR", scale.factor);
  const double first = ends ? ends->first : static_cast<double>(t.x.front());
  const double last = ends ? ends->last : static_cast<double>(t.x.back());
  write_record(unit, "FIRSTX", text_of(first));
  write_record(unit, "LASTX", text_of(last));
  if (ends && n > 1) write_record(unit, "DELTAX", text_of(ends->delta));
  write_record(unit, "NPOINTS", std::to_string(n));
  write_record(unit, "FIRSTY", number_text(t.y.front()));
  if (!ends) {
    write_record(unit, "XYPOINTS", "(XY..XY)");
    write_point_lines(unit, t);
  } else {
    write_record(unit, "XYDATA", "(X++(Y..Y))");
    if (options.jcamp_affn)
      write_affn_lines(unit, t, xs, scale.integers);
    else
      write_dif_lines(unit, t, xs, scale.integers);
  }
  write_record(unit, "END", "");
}

}  // namespace

// ---------------------------------------------------------------------------------------------

bool recognises(spectrum::byte_view head) {
  line_reader lines{head};
  std::string_view line;
  std::string label;
  std::string_view value;
  while (lines.next(line)) {
    if (lines.number() == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    if (labelled(line, label, value))
      return label == "TITLE" && trimmed(line).find('=') != std::string_view::npos;
    const std::string_view rest = trimmed(line);
    if (!rest.empty() && rest.substr(0, 2) != "$$") return false;
  }
  return false;
}

spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options&,
                           spectrum::document& doc) {
  doc = spectrum::document{};
  doc.format = "jcamp";
  spectrum::input_file text = file;
  // A byte order mark, as some editors put before UTF-8 text, is not part of the first line.
  const spectrum::byte_view b = text.bytes;
  if (b.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) text.bytes = b.subspan(3);
  reader r{text, doc};
  return r.run();
}

spectrum::outcome write_file(const spectrum::document& doc, recio::unit_number unit,
                            const spectrum::write_options& options) {
  if (doc.spectra.empty()) return trouble{"no spectrum to write", 0};
  for (std::size_t i = 0; i < doc.spectra.size(); ++i)
    if (auto t = check_spectrum(doc.spectra[i], i + 1)) return t;
  std::string title = options.memo ? *options.memo : doc.memo;
  if (trimmed(title).empty()) title = options.input_name;
  if (trimmed(title).empty()) title = "spectrum";
  if (doc.spectra.size() == 1) {
    write_block(doc, doc.spectra.front(), unit, options, title, 0);
    return std::nullopt;
  }
  write_record(unit, "TITLE", title);
  write_record(unit, "JCAMP-DX", "4.24");
  write_record(unit, "DATA TYPE", "LINK");
  write_record(unit, "BLOCKS", std::to_string(doc.spectra.size()));
  for (std::size_t i = 0; i < doc.spectra.size(); ++i)
    write_block(doc, doc.spectra[i], unit, options,
                std::string(trimmed(title)) + ", spectrum " + std::to_string(i + 1), i + 1);
  write_record(unit, "END", "");
  return std::nullopt;
}

namespace {
constexpr std::array<std::string_view, 3> extensions{".jdx", ".dx", ".jcm"};
}  // namespace

const spectrum::file_format format{"jcamp", "JCAMP-DX", extensions, false, true, recognises, read_file, write_file};

}  // namespace jcamp
