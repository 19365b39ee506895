// jcamp/jcamp_writer.cpp: the JCAMP-DX writer: a block for each spectrum, its evenly spaced data
// in DIF and DUP form or as plain integers, other x as (XY..XY) points, peaks as a peak table or
// their assignments; the document's texts, labels and log.
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
#include "jcamp/jcamp_text.hpp"
#include "recio/number_text.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/fixed_spectrum.hpp"
#include "spectrum/units.hpp"

namespace jcamp {
namespace {

// The largest integer of the compressed forms that we write: every reader holds it exactly.
constexpr double largest_written_integer = 2147483647.0;

using spectrum::outcome;
using spectrum::trouble;

// A y value, or the x of a point, in as few digits as read back to the same value: in plain
// decimals where that takes at most 16 characters, else with an exponent ("1.5E-20").
void append_decimal(std::string& out, double v) {
  const std::size_t start = out.size();
  recio::append_shortest(out, v, true);
  if (out.size() - start <= 16) return;
  out.resize(start);
  recio::append_shortest(out, v);
  for (std::size_t i = start; i < out.size(); ++i) out[i] = upper(out[i]);
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
  std::string factor = "1";  // YFACTOR as written
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

x_scale x_scale_of(const std::vector<double>& x) {
  x_scale s;
  double largest = 0.0;
  for (const double v : x) {
    const double size = std::fabs(v);
    largest = std::max(largest, size);
    s.plain = s.plain && (size == 0.0 || (size >= 1e-6 && size < 1e9));
  }
  if (s.plain) return s;
  const int power = static_cast<int>(std::floor(std::log10(largest))) - 8;
  s.factor = "1E" + std::to_string(power);
  std::from_chars(s.factor.data(), s.factor.data() + s.factor.size(), s.value);
  return s;
}

void append_x(std::string& out, double x, const x_scale& s) {
  if (s.plain)
    recio::append_shortest(out, x, true);
  else
    out += std::to_string(std::llround(x / s.value));
}

// YFACTOR: a power of two where every y is an integer times it and the integers stay within 31
// bits: integer data (and floats of a narrow range) come back exactly. Else a power of ten that
// leaves the largest y at least 2^31 / 10: every y comes back within 1E-8 of the largest.
y_scale y_scale_of(const std::vector<double>& y) {
  y_scale s;
  int lowest = std::numeric_limits<int>::max();   // the exponent of the lowest bit of any y
  int highest = std::numeric_limits<int>::min();  // |y| < 2^highest
  double largest = 0.0;
  for (const double v : y) {
    if (v == 0.0) continue;
    // |v| is its significand times 2^power, the significand an integer of at most 53 bits.
    const auto bits = std::bit_cast<std::uint64_t>(v);
    const int field = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t significand = bits & ((std::uint64_t{1} << 52) - 1);
    int power = -1074;
    if (field > 0) significand |= std::uint64_t{1} << 52, power = field - 1075;
    lowest = std::min(lowest, power + std::countr_zero(significand));
    highest = std::max(highest, power + static_cast<int>(std::bit_width(significand)));
    largest = std::max(largest, std::fabs(v));
  }
  s.integers.resize(y.size());
  if (largest == 0.0) return s;  // YFACTOR 1
  if (highest - lowest <= 31) {
    s.factor = number_text(std::ldexp(1.0, lowest));
    const double scale = std::ldexp(1.0, -lowest);  // a power of two: each product is exact
    for (std::size_t i = 0; i < y.size(); ++i)
      s.integers[i] = static_cast<std::int64_t>(y[i] * scale);
    return s;
  }
  int power = static_cast<int>(std::ceil(std::log10(largest / largest_written_integer)));
  double factor = 0.0;
  for (;; ++power) {
    s.factor = "1E" + std::to_string(power);
    std::from_chars(s.factor.data(), s.factor.data() + s.factor.size(), factor);
    if (largest / factor <= largest_written_integer) break;
  }
  for (std::size_t i = 0; i < y.size(); ++i)
    s.integers[i] = static_cast<std::int64_t>(std::llround(y[i] / factor));
  return s;
}

// FIRSTX, LASTX and DELTAX of evenly spaced x, and every x that they make.
struct even_ends {
  double first = 0.0, last = 0.0, delta = 0.0;
  std::vector<double> x;
};

// The ends of a spectrum's evenly spaced x, from which a reader makes every x again exactly;
// none where x is stored point by point.
std::optional<even_ends> even_ends_of(const spectrum::spectrum& t) {
  if (t.x_stored) return std::nullopt;
  const std::size_t n = t.y.size();
  const double delta = n < 2 ? 0.0 : (t.last_x - t.first_x) / static_cast<double>(n - 1);
  return even_ends{t.first_x, t.last_x, delta, spectrum::even_x(t.first_x, t.last_x, n)};
}

// The lines of evenly spaced data in DIF form with DUP counts. Each line starts with the x of
// its first y, that y in SQZ form and then differences; the next line starts again with the last
// y of the line before, the check value, and a last line holds the final check value alone.
void write_dif_lines(recio::unit_number unit, const std::vector<double>& x, const x_scale& xs,
                     const std::vector<std::int64_t>& q) {
  const std::size_t n = q.size();
  std::string start;
  // A line: at most 80 characters, and a token is added only where it fits.
  std::array<char, line_width + 48> line{};
  const auto begin_line = [&](std::size_t i) {
    start.clear();
    append_x(start, x[i], xs);
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
      // Runs of at most 48: a difference and its count take 3 characters at least ("%V8"), so
      // that the file keeps a byte for every 16 points, as the readers that bound a file's points
      // by its size expect, this program's among them.
      std::size_t run = 1;
      while (j + run < n && run < 48 && q[j + run] - q[j + run - 1] == d) ++run;
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
void write_affn_lines(recio::unit_number unit, const std::vector<double>& x, const x_scale& xs,
                      const std::vector<std::int64_t>& q) {
  const std::size_t n = q.size();
  std::string line;
  std::string value;
  for (std::size_t i = 0; i < n;) {
    line.clear();
    append_x(line, x[i], xs);
    do {
      value.assign(1, ' ');
      value += std::to_string(q[i]);
      if (line.size() + value.size() > line_width) break;
      line += value;
      ++i;
    } while (i < n);
    write_line(unit, line);
  }
}

// Point i as plain numbers, x and y (and a peak's width) joined by commas: "1715,88".
void append_point(std::string& out, const spectrum::spectrum& t, std::size_t i, bool widths) {
  append_decimal(out, t.x[i]);
  out += ',';
  append_decimal(out, t.y[i]);
  if (widths) {
    out += ',';
    append_decimal(out, t.widths[i]);
  }
}

// (XY..XY) points, blank-separated.
void write_point_lines(recio::unit_number unit, const spectrum::spectrum& t, bool widths) {
  std::string line;
  std::string point;
  for (std::size_t i = 0; i < t.y.size(); ++i) {
    point.clear();
    append_point(point, t, i, widths);
    if (!line.empty() && line.size() + 1 + point.size() > line_width) {
      write_line(unit, line);
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += point;
  }
  if (!line.empty()) write_line(unit, line);
}

// Peaks with their assignments, one to a line: "(1715,88,<C=O stretch>)", with the width after
// y where given. The angle brackets end an assignment's text: any within it are written as
// parentheses.
void write_assignment_lines(recio::unit_number unit, const spectrum::spectrum& t, bool widths) {
  std::string entry;
  for (std::size_t i = 0; i < t.y.size(); ++i) {
    entry.assign(1, '(');
    append_point(entry, t, i, widths);
    entry += ",<";
    for (const char c : t.assignments[i]) entry += c == '<' ? '(' : c == '>' ? ')' : c;
    write_wrapped(unit, {}, entry + ">)");
  }
}

// ##DATA TYPE=: the file's own where the document is of JCAMP-DX and names one, else that of
// its experiment's code, else what its x unit tells.
std::string data_type_of(const spectrum::document& doc) {
  if (doc.format == "jcamp" && !recio::trimmed(doc.experiment, blanks).empty())
    return doc.experiment;
  if (const std::string_view type = spectrum::experiment_data_type(doc.experiment_type);
      !type.empty())
    return std::string(type);
  // A unit known by its name alone stands for the code of that name.
  const spectrum::axis_unit& x = doc.x_unit;
  switch (x.code > 0 || x.name.empty() ? x.code
                                       : spectrum::unit_named(x.name, spectrum::axis::x).code) {
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

// A number of two digits or more, with zeros before it: padded(7, 2) == "07"
std::string padded(int v, std::size_t digits) {
  std::string s = std::to_string(v);
  return std::string(s.size() < digits ? digits - s.size() : 0, '0') + s;
}

// ##ORIGIN= and ##OWNER=, which every block has, and ##LONGDATE=. Who made the data is the
// document's, else its instrument, else this program, which made the file; a JCAMP-DX file's own
// origin is kept even where it is empty. A document that names no owner leaves the owner empty,
// as it claims no right in the data for anyone.
void write_origin(const spectrum::document& doc, recio::unit_number unit) {
  const bool origin = doc.format == "jcamp" || !recio::trimmed(doc.origin, blanks).empty();
  const bool instrument = !recio::trimmed(doc.instrument, blanks).empty();
  write_record(unit, "ORIGIN", origin ? doc.origin : instrument ? doc.instrument : "zolkdf");
  write_record(unit, "OWNER", doc.owner);
  const spectrum::date_time& d = doc.date;
  if (d.year != 0)
    write_record(unit, "LONGDATE",
                 padded(d.year, 4) + '/' + padded(d.month, 2) + '/' + padded(d.day, 2) + ' ' +
                     padded(d.hour, 2) + ':' + padded(d.minute, 2) + ':' + padded(d.second, 2));
}

// The labels that no writer interprets, in their order, then the log as comment lines: a line of
// the log to a line, with its blanks, where it fits. A label's value whose first line reads as a
// data record's variables ("(X++(I..I)), XYDATA") starts on the next line, so that it is read
// back as text.
void write_labels_and_log(const spectrum::document& doc, recio::unit_number unit) {
  for (const auto& [label, value] : doc.labels)
    write_record(unit, label,
                 variables_of(value.substr(0, value.find('\n'))) ? "\n" + value : value);
  std::string_view log = doc.log;
  std::string line;
  while (!log.empty()) {
    const std::size_t end = log.find_first_of("\r\n");
    const std::string_view text = log.substr(0, end);
    line = comment_marker;
    if (!text.empty()) line += ' ';
    for (const char c : text) line += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    if (line.size() <= line_width)
      write_line(unit, line);
    else
      write_wrapped(unit, std::string(comment_marker), text);
    if (end == std::string_view::npos) break;
    log.remove_prefix(end + (log.substr(end, 2) == "\r\n" ? 2 : 1));
  }
}

void write_block(const spectrum::document& doc, const spectrum::spectrum& t,
                 recio::unit_number unit, const spectrum::write_options& options,
                 const std::string& title, std::size_t block_id) {
  const std::size_t n = t.y.size();
  const auto ends = t.peaks ? std::nullopt : even_ends_of(t);
  const std::string data_type = data_type_of(doc);
  write_record(unit, "TITLE", title);
  write_record(unit, "JCAMP-DX", "4.24");
  if (block_id > 0) write_record(unit, "BLOCK_ID", std::to_string(block_id));
  write_record(unit, "DATA TYPE", data_type);
  write_origin(doc, unit);
  if (!recio::trimmed(doc.instrument, blanks).empty())
    write_record(unit, "SPECTROMETER/DATA SYSTEM", doc.instrument);
  if (doc.resolution && !recio::trimmed(*doc.resolution, blanks).empty())
    write_record(unit, "RESOLUTION", *doc.resolution);
  // The SPC experiment where the data type stands for another or for none.
  if (doc.experiment_type >= 0 && spectrum::experiment_of(data_type) != doc.experiment_type)
    write_record(unit, "$SPC EXPERIMENT TYPE", std::to_string(doc.experiment_type));
  if (block_id == 0) write_labels_and_log(doc, unit);
  write_record(unit, "XUNITS", spectrum::jcamp_units(doc.x_unit, spectrum::axis::x));
  write_record(unit, "YUNITS", spectrum::jcamp_units(doc.y_unit, spectrum::axis::y));
  // z where there are several spectra or it is not 0; its unit with it, or where it says more
  // than that z has no unit.
  const bool z = block_id > 0 || t.z != 0.0;
  if (z) write_record(unit, "$Z", number_text(t.z));
  if (doc.z_unit.code >= 0 || !doc.z_unit.name.empty()) {
    const std::string z_units = spectrum::jcamp_units(doc.z_unit, spectrum::axis::z);
    if (z || z_units != spectrum::jcamp_units({}, spectrum::axis::z))
      write_record(unit, "$Z UNITS", z_units);
  }
  const x_scale xs = ends ? x_scale_of(ends->x) : x_scale{};
  const y_scale scale = ends ? y_scale_of(t.y) : y_scale{"1", {}};
  write_record(unit, "XFACTOR", xs.factor);
  write_record(unit, "YFACTOR", scale.factor);
  const double first = ends ? ends->first : t.x.front();
  const double last = ends ? ends->last : t.x.back();
  write_record(unit, "FIRSTX", number_text(first));
  write_record(unit, "LASTX", number_text(last));
  if (ends && n > 1) write_record(unit, "DELTAX", number_text(ends->delta));
  write_record(unit, "NPOINTS", std::to_string(n));
  std::string first_y;
  append_decimal(first_y, t.y.front());
  write_record(unit, "FIRSTY", first_y);
  const bool widths = t.peaks && t.widths.size() == n;
  if (t.peaks && t.assignments.size() == n) {
    write_record(unit, "PEAK ASSIGNMENTS", widths ? "(XYWA)" : "(XYA)");
    write_assignment_lines(unit, t, widths);
  } else if (t.peaks) {
    write_record(unit, "PEAK TABLE", widths ? "(XYW..XYW)" : "(XY..XY)");
    write_point_lines(unit, t, widths);
  } else if (!ends) {
    write_record(unit, "XYPOINTS", "(XY..XY)");
    write_point_lines(unit, t, false);
  } else {
    write_record(unit, "XYDATA", "(X++(Y..Y))");
    if (options.jcamp_affn)
      write_affn_lines(unit, ends->x, xs, scale.integers);
    else
      write_dif_lines(unit, ends->x, xs, scale.integers);
  }
  write_record(unit, "END", "");
}

}  // namespace

spectrum::outcome write_file(const spectrum::document& doc, recio::unit_number unit,
                             const spectrum::write_options& options) {
  if (doc.spectra.empty()) return trouble{"no spectrum to write", 0};
  for (std::size_t i = 0; i < doc.spectra.size(); ++i)
    if (auto t = check_spectrum(doc.spectra[i], i + 1)) return t;
  std::string title = options.memo ? *options.memo : doc.memo;
  if (recio::trimmed(title, blanks).empty()) title = options.input_name;
  if (recio::trimmed(title, blanks).empty()) title = "spectrum";
  if (doc.spectra.size() == 1) {
    write_block(doc, doc.spectra.front(), unit, options, title, 0);
    return std::nullopt;
  }
  write_record(unit, "TITLE", title);
  write_record(unit, "JCAMP-DX", "4.24");
  write_record(unit, "DATA TYPE", "LINK");
  write_record(unit, "BLOCKS", std::to_string(doc.spectra.size()));
  write_origin(doc, unit);
  write_labels_and_log(doc, unit);
  for (std::size_t i = 0; i < doc.spectra.size(); ++i) {
    const spectrum::spectrum& t = doc.spectra[i];
    write_block(
        doc, t, unit, options,
        !recio::trimmed(t.title, blanks).empty()
            ? t.title
            : std::string(recio::trimmed(title, blanks)) + ", spectrum " + std::to_string(i + 1),
        i + 1);
  }
  write_record(unit, "END", "");
  return std::nullopt;
}

}  // namespace jcamp
