// ramantext/ramantext_reader.cpp: the Raman text export read into a document: its header's keys,
// then its table of one point a row, or of a row of x and a row for each spectrum.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "ramantext/ramantext.hpp"
#include "recio/text_scan.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/units.hpp"

namespace ramantext {

namespace {

using spectrum::trouble;

// A header line's key and value: "#Title=\tlasertest1" gives "Title" and "lasertest1".
bool header_line(std::string_view line, std::string_view& key, std::string_view& value) {
  if (line.size() < 2 || line[0] != '#' || line[1] == '#') return false;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos || equals < 2) return false;
  key = recio::trimmed(line.substr(1, equals - 1));
  value = recio::trimmed(line.substr(equals + 1));
  return true;
}

// A header's text as the document keeps it: control characters as blanks, no blanks at either
// end, bytes beyond ASCII taken as Latin-1.
std::string text_of(std::string_view latin1) {
  std::string s{latin1};
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return recio::utf8_of_latin1(recio::trimmed(s));
}

// The numbers of a row, separated by tabs or blanks; false where a field is not a number. A row
// that starts with a separator has no first number: its first field is empty.
bool numbers_of(std::string_view row, std::vector<double>& values, bool& first_empty) {
  values.clear();
  first_empty = !row.empty() && recio::is_blank(row[0]);
  row = recio::trimmed(row, " \t;,");
  while (!row.empty()) {
    double v = 0.0;
    const auto [end, ec] = std::from_chars(row.data(), row.data() + row.size(), v);
    if (ec != std::errc{} || !std::isfinite(v)) return false;
    const std::size_t used = static_cast<std::size_t>(end - row.data());
    if (used < row.size() && !recio::is_blank(row[used]) && row[used] != ';' && row[used] != ',')
      return false;
    values.push_back(v);
    row = recio::trimmed(row.substr(used), " \t;,");
  }
  return true;
}

// "17.05.2023 11:16:52" (day first, seconds optional) as a date and time.
spectrum::date_time date_of(std::string_view text) {
  spectrum::date_time d;
  const std::string s{text};
  if (std::sscanf(s.c_str(), "%d.%d.%d %d:%d:%d", &d.day, &d.month, &d.year, &d.hour, &d.minute,
                  &d.second) < 3 ||
      d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.year < 1)
    return {};
  return d;
}

// The document's texts from the header's keys; the units of the axes from their kinds and units.
void take_header(const std::vector<std::pair<std::string, std::string>>& keys,
                 spectrum::document& doc, std::string& z_name) {
  std::string kinds[3], units[3];
  std::string acquired, dated;
  for (const auto& [key, value] : keys) {
    if (key.starts_with("AxisType[") && key.size() == 11 && key[9] >= '0' && key[9] <= '2') {
      kinds[key[9] - '0'] = value;
    } else if (key.starts_with("AxisUnit[") && key.size() == 11 && key[9] >= '0' && key[9] <= '2') {
      units[key[9] - '0'] = value;
    } else if (key == "Title") {
      doc.memo = value;
    } else if (key == "Instrument") {
      doc.instrument = value;
    } else {
      if (key == "Acquired") acquired = value;
      if (key == "Date") dated = value;
      doc.labels.emplace_back(key, value);
    }
  }
  doc.date = date_of(!acquired.empty() ? acquired : dated);
  // A spectral axis in 1/cm of a Raman instrument is the Raman shift; counts are counts.
  const bool shift = units[1] == "1/cm" || units[1] == "cm-1";
  doc.x_unit = shift ? spectrum::unit_of_code(13, spectrum::axis::x)
                     : spectrum::unit_named(units[1], spectrum::axis::x);
  doc.y_unit = units[0] == "Cnt" ? spectrum::unit_of_code(4, spectrum::axis::y)
                                 : spectrum::unit_named(units[0], spectrum::axis::y);
  z_name = units[2].empty() ? kinds[2] : units[2];
  doc.experiment_type = spectrum::experiment_of("RAMAN SPECTRUM");
  doc.experiment = std::string{spectrum::experiment_name(doc.experiment_type)};
}

}  // namespace

bool recognises(spectrum::byte_view head) {
  recio::line_scanner lines{recio::text_of_bytes(head)};
  std::string_view line, key, value;
  return lines.next(line) && header_line(line, key, value);
}

spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc) {
  doc.format = "raman-text";
  recio::line_scanner lines{recio::text_of_bytes(file.bytes)};
  std::vector<std::pair<std::string, std::string>> keys;
  std::vector<double> row;
  std::vector<double> x;
  bool first_empty = false;
  bool x_row = false;  // the table's first row is the x of every spectrum
  std::string_view line;
  while (lines.next(line)) {
    std::string_view key, value;
    if (header_line(line, key, value)) {
      if (!doc.spectra.empty() || !x.empty())
        return trouble{"a header line among the table's rows", lines.number()};
      keys.emplace_back(text_of(key), text_of(value));
      continue;
    }
    if (recio::trimmed(line).empty()) continue;
    if (!numbers_of(line, row, first_empty))
      return trouble{"a row that is not all numbers", lines.number()};
    if (row.empty()) continue;  // separators alone: a blank row
    if (doc.spectra.empty() && x.empty() && !x_row) {
      // The first row: the x of every spectrum where it has no first number, else a point.
      x_row = first_empty;
      if (x_row) {
        if (row.size() > options.most_points) return spectrum::too_many_points(options.most_points);
        x = row;
        continue;
      }
      doc.spectra.emplace_back();
    }
    if (x_row) {
      if (row.size() != x.size() + 1)
        return trouble{"a row of " + std::to_string(row.size()) + " numbers after a row of " +
                           std::to_string(x.size()) + " x",
                       lines.number()};
      spectrum::spectrum& t = doc.spectra.emplace_back();
      t.z = row[0];
      t.x = x;
      t.y.assign(row.begin() + 1, row.end());
    } else {
      if (row.size() != 2)
        return trouble{"a row of " + std::to_string(row.size()) + " numbers, not x and y",
                       lines.number()};
      spectrum::spectrum& t = doc.spectra.back();
      if (t.y.size() >= options.most_points) return spectrum::too_many_points(options.most_points);
      t.x.push_back(row[0]);
      t.y.push_back(row[1]);
    }
  }
  std::string z_name;
  take_header(keys, doc, z_name);
  if (doc.spectra.size() > 1 || x_row) doc.z_unit = spectrum::unit_named(z_name, spectrum::axis::z);
  for (spectrum::spectrum& t : doc.spectra) {
    t.x_stored = !spectrum::even_as_printed(t.x);
    t.first_x = t.x.empty() ? 0.0 : t.x.front();
    t.last_x = t.x.empty() ? 0.0 : t.x.back();
  }
  doc.facts.push_back({"header lines", static_cast<std::int64_t>(keys.size())});
  return std::nullopt;
}

}  // namespace ramantext
