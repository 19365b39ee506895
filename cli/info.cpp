// cli/info.cpp: `zolkdf info`: what each file holds, as lines for a person or as JSON of one shape
// for every format (doc/info.schema.json).
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

#include "cli/cli.hpp"
#include "cli/load.hpp"
#include "recio/number_text.hpp"
#include "recio/recio.hpp"
#include "recio/shown_text.hpp"
#include "spectrum/fixed_spectrum.hpp"

namespace cli {

namespace {

using json = nlohmann::ordered_json;
using spectrum::document;

// Numbers are shown in the fewest digits that the precision of the file justifies, in the text
// and in JSON alike:
// - a value below 1E-15 of the largest on its axis is 0: it is what the rounding of double
//   precision leaves when a reader works with the larger ones (a last x made from the first x and
//   the steps may land 3.6E-12 beside 0 on an axis from 24038.5);
// - integer y (n x 2^power) in the fewest digits that give n back;
// - a value that single precision holds exactly and that needs more than the 9 digits that tell
//   every float apart came from a float, and is shown in the fewest digits that give that float
//   back: 0.010000001, not 0.010000000707805157;
// - any other value in the fewest digits that give it back, 15 at most: what double precision
//   holds of any decimal number; further digits are its binary rounding.

// The digits of a number's text from its first to its last that is not 0: 2 for "0.012", 2 for
// "1800", 4 for "-1.234e-05".
int significant_digits(std::string_view text) {
  std::string digits;
  for (const char c : text.substr(0, text.find('e')))
    if (c >= '0' && c <= '9') digits += c;
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  return static_cast<int>(digits.find_last_not_of('0') - first + 1);
}

double value_of(std::string_view text) {
  double v = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

// v in digits significant digits, read back: rounded(2.9253628, 3) == 2.93.
double rounded(double v, int digits) {
  std::array<char, 48> text{};
  const auto end = std::to_chars(text.data(), text.data() + text.size(), v,
                                 std::chars_format::scientific, digits - 1)
                       .ptr;
  return value_of({text.data(), static_cast<std::size_t>(end - text.data())});
}

// How the values of one axis are shown: the largest magnitude on it, and how y was stored as
// integers.
struct axis_precision {
  double scale = 0.0;
  spectrum::integer_y integers{};
};

// The value that v is shown as (above); its shortest text is the text shown. A value so shown is
// shown as itself again with no precision given.
double shown_value(double v, const axis_precision& p) {
  if (!std::isfinite(v)) return v;
  if (std::fabs(v) <= p.scale * 1e-15) return 0.0;
  if (p.integers.bits > 0) {
    const double n = std::ldexp(v, -p.integers.power);
    if (n == std::nearbyint(n))
      for (int digits = 1; digits < 17; ++digits) {
        const double d = rounded(v, digits);
        if (std::fabs(std::ldexp(d, -p.integers.power) - n) < 0.5) return d;
      }
  }
  const std::string exact = recio::shortest_text(v);
  const int digits = significant_digits(exact);
  if (digits > 9 && spectrum::held_as_float(v))
    return value_of(recio::shortest_text(static_cast<float>(v)));
  return digits > 15 ? rounded(v, 15) : v;
}

std::string number(double v, const axis_precision& p) {
  return recio::shortest_text(shown_value(v, p));
}

// JSON has no NaN and no infinity: such a value is null.
json json_number(double v, const axis_precision& p) {
  const double shown = shown_value(v, p);
  return std::isfinite(shown) ? json(shown) : json(nullptr);
}

// The smallest and the largest of values, NaN passed over; NaN for both when none is left.
struct range {
  double low = std::numeric_limits<double>::quiet_NaN();
  double high = std::numeric_limits<double>::quiet_NaN();
  void add(double v) {
    if (std::isnan(v)) return;
    low = std::isnan(low) ? v : std::min(low, v);
    high = std::isnan(high) ? v : std::max(high, v);
  }
  bool empty() const { return std::isnan(low); }
  // The largest finite magnitude, the scale of its axis.
  double scale() const {
    double s = 0.0;
    for (const double v : {low, high})
      if (std::isfinite(v)) s = std::max(s, std::fabs(v));
    return s;
  }
};

range y_range(const spectrum::spectrum& t) {
  range r;
  for (const double v : t.y) r.add(v);
  return r;
}

// The first and the last x, as a range with the scale of the axis.
range x_ends(const spectrum::spectrum& t) {
  range r;
  if (!t.x.empty()) {
    r.add(t.x.front());
    r.add(t.x.back());
  }
  return r;
}

axis_precision x_precision(const spectrum::spectrum& t) { return {x_ends(t).scale()}; }
axis_precision y_precision(const spectrum::spectrum& t) {
  return {y_range(t).scale(), t.stored_as};
}
axis_precision z_precision(const document& d) {
  range z;
  for (const spectrum::spectrum& t : d.spectra) z.add(t.z);
  return {z.scale()};
}

// A text from a file as a line shows it: blanks and line ends trimmed at both ends, the rest
// escaped and cut. shown(" Bromoform\r\n") == "Bromoform".
std::string shown(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return recio::shown_text(s.substr(first, s.find_last_not_of(" \t\r\n") + 1 - first),
                           recio::shown_line_length);
}

// A date as ISO 8601 text, "2026-12-07T07:19:00"; none where the file has no date (year 0) or
// it is no date of the calendar.
std::optional<std::string> iso_date(const spectrum::date_time& d) {
  if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 ||
      d.hour < 0 || d.hour > 23 || d.minute < 0 || d.minute > 59 || d.second < 0 || d.second > 60)
    return std::nullopt;
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d", d.year, d.month, d.day,
                d.hour, d.minute, d.second);
  return text.data();
}

std::size_t total_points(const document& d) {
  std::size_t n = 0;
  for (const spectrum::spectrum& t : d.spectra) n += t.y.size();
  return n;
}

// Whether a format's fact only says again what the document's own fields show: its title, data
// type, units, count of spectra or points, or the size of its log.
bool repeats_the_document(const spectrum::fact& f, const document& d) {
  if (const auto* text = std::get_if<std::string>(&f.value))
    return (f.name == "title" && *text == d.memo) ||
           (f.name == "data type" && *text == d.experiment) ||
           (f.name == "x units" && *text == d.x_unit.name) ||
           (f.name == "y units" && *text == d.y_unit.name) ||
           (f.name == "z units" && *text == d.z_unit.name);
  if (const auto* count = std::get_if<std::int64_t>(&f.value))
    return (f.name == "spectra" && *count == static_cast<std::int64_t>(d.spectra.size())) ||
           (f.name == "points" && *count == static_cast<std::int64_t>(total_points(d))) ||
           (f.name == "log text bytes" && *count == static_cast<std::int64_t>(d.log.size()));
  return false;
}

json fact_json(const spectrum::fact& f) {
  return std::visit([](const auto& v) { return json(v); }, f.value);
}

json code_and_name(int code, const std::string& name) { return {{"code", code}, {"name", name}}; }

json spectrum_json(const spectrum::spectrum& t, const axis_precision& z) {
  constexpr double none = std::numeric_limits<double>::quiet_NaN();  // null
  const range y = y_range(t);
  const axis_precision xp = x_precision(t);
  const axis_precision yp = y_precision(t);
  return {{"points", t.y.size()},
          {"first_x", json_number(t.x.empty() ? none : t.x.front(), xp)},
          {"last_x", json_number(t.x.empty() ? none : t.x.back(), xp)},
          {"x", t.x_stored ? "stored" : "even"},
          {"z", json_number(t.z, z)},
          {"y_min", json_number(y.low, yp)},
          {"y_max", json_number(y.high, yp)},
          {"title", t.title},
          {"peaks", t.peaks}};
}

json as_json(const std::string& path, const loaded& in) {
  const document& d = in.doc;
  const axis_precision z = z_precision(d);
  json spectra = json::array();
  for (const spectrum::spectrum& t : d.spectra) spectra.push_back(spectrum_json(t, z));
  json labels = json::array();
  for (const auto& [label, value] : d.labels) labels.push_back({label, value});
  json facts = json::object();
  for (const spectrum::fact& f : d.facts)
    if (!repeats_the_document(f, d)) facts[f.name] = fact_json(f);
  const std::optional<std::string> date = iso_date(d.date);
  return {{"file", path},
          {"format", d.format},
          {"format_title", std::string{in.format->title}},
          {"variant", d.variant},
          {"spectra", std::move(spectra)},
          {"x_unit", code_and_name(d.x_unit.code, d.x_unit.name)},
          {"y_unit", code_and_name(d.y_unit.code, d.y_unit.name)},
          {"z_unit", code_and_name(d.z_unit.code, d.z_unit.name)},
          {"title", d.memo},
          {"date", date ? json(*date) : json(nullptr)},
          {"resolution", d.resolution.value_or("")},
          {"instrument", d.instrument},
          {"origin", d.origin},
          {"owner", d.owner},
          {"experiment", code_and_name(d.experiment_type, d.experiment)},
          {"log", d.log},
          {"labels", std::move(labels)},
          {"facts", std::move(facts)}};
}

std::string fact_text(const spectrum::fact& f) {
  struct visitor {
    std::string operator()(bool v) const { return v ? "yes" : "no"; }
    std::string operator()(std::int64_t v) const { return std::to_string(v); }
    std::string operator()(double v) const { return number(v, {}); }
    std::string operator()(const std::string& v) const { return shown(v); }
    std::string operator()(const std::vector<std::string>& v) const {
      std::string all;
      for (const std::string& s : v) all += (all.empty() ? "" : ", ") + shown(s);
      return all.empty() ? "none" : all;
    }
  };
  return std::visit(visitor{}, f.value);
}

// "0.5 to 2", in the order given.
std::string span_text(double from, double to, const axis_precision& p) {
  return number(from, p) + " to " + number(to, p);
}

// "spectrum 2: 171 points, x from 200 to 800, evenly spaced, z 0.5, y from 0 to 1.25; title: A".
std::string spectrum_line(std::size_t number_of, const spectrum::spectrum& t, bool several,
                          const axis_precision& z) {
  std::string s = "  spectrum " + std::to_string(number_of) + ": " + std::to_string(t.y.size()) +
                  (t.peaks ? " peaks" : " points");
  if (!t.x.empty())
    s += ", x from " + span_text(t.x.front(), t.x.back(), x_precision(t)) +
         (t.x_stored ? ", stored point by point" : ", evenly spaced");
  if (several) s += ", z " + number(t.z, z);
  if (const range y = y_range(t); !y.empty())
    s += ", y from " + span_text(y.low, y.high, y_precision(t));
  if (const std::string title = shown(t.title); !title.empty()) s += "; title: " + title;
  return s + "\n";
}

// What the spectra of a file of several share: their points, x, z and y.
std::string summary(const document& d, const axis_precision& z) {
  const std::vector<spectrum::spectrum>& all = d.spectra;
  std::string s;
  std::size_t fewest = all.front().y.size();
  std::size_t most = fewest;
  range x, y, zs;
  bool same_x = true;
  std::size_t stored = 0;
  for (const spectrum::spectrum& t : all) {
    fewest = std::min(fewest, t.y.size());
    most = std::max(most, t.y.size());
    // Each spectrum's ends as its own line shows them, so that the ranges agree with those lines.
    const range ends = x_ends(t);
    x.add(shown_value(ends.low, x_precision(t)));
    x.add(shown_value(ends.high, x_precision(t)));
    const range ty = y_range(t);
    y.add(shown_value(ty.low, y_precision(t)));
    y.add(shown_value(ty.high, y_precision(t)));
    zs.add(t.z);
    same_x = same_x && t.x == all.front().x;
    stored += t.x_stored ? 1 : 0;
  }
  s += "  spectra: " + std::to_string(all.size()) + ", ";
  s += fewest == most ? std::to_string(most) + " points each\n"
                      : std::to_string(fewest) + " to " + std::to_string(most) + " points, " +
                            std::to_string(total_points(d)) + " in all\n";
  const std::string stored_text = stored == all.size() ? "stored point by point"
                                  : stored == 0        ? "evenly spaced"
                                                       : "evenly spaced in some, stored in others";
  if (same_x && !all.front().x.empty()) {
    const spectrum::spectrum& t = all.front();
    s += "  x range: " + span_text(t.x.front(), t.x.back(), x_precision(t)) + ", " + stored_text +
         ", the same in every spectrum\n";
  } else if (!x.empty()) {
    s += "  x range: " + span_text(x.low, x.high, {}) + ", " + stored_text +
         ", each spectrum its own\n";
  }
  s += "  z range: " +
       (zs.low == zs.high ? number(zs.low, z) + " in every spectrum"
                          : span_text(zs.low, zs.high, z)) +
       "\n";
  if (!y.empty()) s += "  y range: " + span_text(y.low, y.high, {}) + "\n";
  return s;
}

std::string as_text(const std::string& path, const loaded& in, bool each_spectrum) {
  const document& d = in.doc;
  std::string s = shown_name(path) + ": " + std::string{in.format->title};
  if (!d.variant.empty()) s += ", " + shown(d.variant);
  s += "\n";
  const axis_precision z = z_precision(d);
  const bool several = d.spectra.size() > 1;
  if (several)
    s += summary(d, z);
  else
    s += "  spectra: " + std::to_string(d.spectra.size()) + "\n";
  if (!several || each_spectrum)
    for (std::size_t i = 0; i < d.spectra.size(); ++i)
      s += spectrum_line(i + 1, d.spectra[i], several, z);
  const auto line = [&s](std::string_view name, const std::string& value) {
    if (!value.empty()) s += "  " + std::string{name} + ": " + value + "\n";
  };
  // "Wavenumber (cm-1) (code 1)": the name, and the code where there is one.
  const auto coded = [](int code, const std::string& name) {
    const std::string text = shown(name);
    if (code < 0) return text;
    return text.empty() ? "code " + std::to_string(code)
                        : text + " (code " + std::to_string(code) + ")";
  };
  line("x unit", coded(d.x_unit.code, d.x_unit.name));
  line("y unit", coded(d.y_unit.code, d.y_unit.name));
  line("z unit", coded(d.z_unit.code, d.z_unit.name));
  line("title", shown(d.memo));
  if (const std::optional<std::string> date = iso_date(d.date))
    line("date", date->substr(0, 10) + " " + date->substr(11, d.date.second == 0 ? 5 : 8));
  line("resolution", shown(d.resolution.value_or("")));
  line("instrument", shown(d.instrument));
  line("origin", shown(d.origin));
  line("owner", shown(d.owner));
  line("experiment", coded(d.experiment_type, d.experiment));
  if (!d.log.empty()) {
    // Characters, not bytes: UTF-8 continuation bytes are not counted.
    const auto characters = std::count_if(d.log.begin(), d.log.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    line("log text", std::to_string(characters) + " characters");
  }
  for (const auto& [label, value] : d.labels) line("label " + shown(label), shown(value));
  for (const spectrum::fact& f : d.facts)
    if (!repeats_the_document(f, d)) line(f.name, fact_text(f));
  return s;
}

// Writes text to standard output; where it cannot, says so on standard error. Tells whether the
// text was written.
bool shown_on_output(std::string_view text) {
  if (to_output(text)) return true;
  to_error("zolkdf: standard output: cannot write: " +
           std::string{recio::error_text(recio::io_error::write_failed)} + "\n");
  return false;
}

}  // namespace

std::string info_json(const std::string& path, const loaded& in) {
  return as_json(path, in).dump(2, ' ', false, json::error_handler_t::replace);
}

int info(const info_settings& settings) {
  int status = 0;
  json all = json::array();
  for (const std::string& path : settings.files) {
    // Memory that cannot be had fails that file alone.
    try {
      const loaded in = load(path, settings.from, settings.reading);
      to_error(in.warnings);
      if (!in.error.empty()) {
        to_error(in.error);
        status = 1;
        continue;
      }
      if (settings.json)
        all.push_back(as_json(path, in));
      else if (!shown_on_output(as_text(path, in, settings.each_spectrum)))
        return 1;
      continue;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {  // a size beyond what a vector or a string can hold
    }
    to_error(report(path, {"out of memory"}));
    status = 1;
  }
  // Texts that are no UTF-8 are written with U+FFFD in place of their bad bytes.
  if (settings.json &&
      !shown_on_output(all.dump(2, ' ', false, json::error_handler_t::replace) + "\n"))
    return 1;
  return status;
}

}  // namespace cli
