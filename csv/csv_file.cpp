// csv/csv_file.cpp: the CSV file: a header row and one row per point, fields separated by commas,
// semicolons or tabs; its reader and writer.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "csv/csv.hpp"
#include "recio/number_text.hpp"
#include "recio/text_scan.hpp"
#include "spectrum/axis.hpp"

namespace csv {
namespace {

constexpr recio::layout text_record{"(A)"};
// The rows that recognising a table looks at.
constexpr std::size_t rows_looked_at = 8;

using spectrum::outcome;
using spectrum::trouble;

using recio::trimmed;

// What a line is: nothing, a comment, or a row of the table.
enum class line_kind { blank, comment, row };
line_kind kind_of(std::string_view line) {
  const std::string_view s = trimmed(line);
  if (s.empty()) return line_kind::blank;
  return s.front() == '#' ? line_kind::comment : line_kind::row;
}

// The separator that a row uses: a semicolon before a tab before a comma, for a row separated by
// semicolons may hold decimal commas. 0 for none.
char separator_of(std::string_view row) {
  bool quoted = false;
  bool tab = false, comma = false;
  for (const char c : row) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == ';') return ';';
    tab = tab || c == '\t';
    comma = comma || c == ',';
  }
  return tab ? '\t' : comma ? ',' : 0;
}

struct field {
  std::string text;
  bool quoted = false;
};

// Splits a row at the separator. A field in double quotes may hold the separator, and "" in it
// stands for one quote. False when a quote is not closed.
bool split(std::string_view row, char separator, std::vector<field>& fields) {
  fields.clear();
  fields.emplace_back();
  bool in_quotes = false;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const char c = row[i];
    if (in_quotes) {
      if (c != '"')
        fields.back().text += c;
      else if (i + 1 < row.size() && row[i + 1] == '"')
        fields.back().text += '"', ++i;
      else
        in_quotes = false;
    } else if (c == separator) {
      fields.emplace_back();
    } else if (c == '"' && trimmed(fields.back().text).empty()) {
      fields.back().text.clear();
      fields.back().quoted = in_quotes = true;
    } else {
      fields.back().text += c;
    }
  }
  return !in_quotes;
}

// A field as the nearest double: blanks around it and a leading '+' are passed over; where
// decimal commas are allowed, one comma and no point is read as the point. "0,5" gives 0.5.
// beyond, where given, tells a number beyond the range of double precision from no number.
std::optional<double> number_of(std::string_view text, bool decimal_comma, bool* beyond = nullptr) {
  text = trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::string point;
  if (decimal_comma && text.find('.') == std::string_view::npos &&
      std::count(text.begin(), text.end(), ',') == 1) {
    point = std::string(text);
    point[point.find(',')] = '.';
    text = point;
  }
  double v = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (beyond != nullptr)
    *beyond = ec == std::errc::result_out_of_range && end == text.data() + text.size();
  if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

bool all_numbers(const std::vector<field>& fields, bool decimal_comma) {
  return std::all_of(fields.begin(), fields.end(), [&](const field& f) {
    return number_of(f.text, decimal_comma || f.quoted).has_value();
  });
}

// The unit in brackets at the end of a column's name: "x [Wavenumber (cm-1)]" gives
// "Wavenumber (cm-1)".
std::string unit_in(std::string_view name) {
  name = trimmed(name);
  const std::size_t open = name.rfind('[');
  if (name.empty() || name.back() != ']' || open == std::string_view::npos) return {};
  return std::string(trimmed(name.substr(open + 1, name.size() - open - 2)));
}

std::string separator_name(char separator) {
  return separator == '\t' ? std::string("tab") : std::string(1, separator);
}

// A field as written: in double quotes when it holds a separator, a quote or a line end.
std::string written_field(std::string_view text) {
  if (text.find_first_of(",;\t\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

}  // namespace

bool recognises(spectrum::byte_view head) {
  const std::string_view text = recio::text_of_bytes(head);
  // Tables are text: a control character other than the line ends and tab means binary data.
  if (std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t' && c != '\r' && c != '\n') || u == 0x7f;
      }))
    return false;
  recio::line_scanner lines{text};
  std::string_view line;
  std::vector<field> fields;
  char separator = 0;
  std::size_t columns = 0;  // of the data rows
  std::size_t rows = 0;
  while (rows < rows_looked_at && lines.next(line)) {
    // The head may end inside a line: a row cut short says nothing.
    if (lines.at_end() && rows > 0 && !text.empty() && text.back() != '\n' && text.back() != '\r')
      break;
    const line_kind k = kind_of(line);
    if (k == line_kind::blank) continue;
    if (k == line_kind::comment) {
      if (trimmed(line).substr(0, 2) == "##") return false;  // a labelled record
      continue;
    }
    if (rows == 0) separator = separator_of(line);
    if (separator == 0 || !split(line, separator, fields) || fields.size() < 2) return false;
    const bool numbers = all_numbers(fields, separator != ',');
    ++rows;
    if (!numbers) {
      if (rows == 1) continue;  // the header
      return false;
    }
    if (columns == 0) columns = fields.size();
    if (fields.size() != columns) return false;
  }
  return rows > 0;
}

spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc) {
  doc = spectrum::document{};
  doc.format = "csv";
  if (options.x_column < 1 || options.y_column < 1) return trouble{"columns count from 1", 0};
  const auto x_at = static_cast<std::size_t>(options.x_column - 1);
  const auto y_at = static_cast<std::size_t>(options.y_column - 1);
  const std::size_t needed = std::max(x_at, y_at) + 1;
  recio::line_scanner lines{recio::text_of_bytes(file.bytes)};
  std::string_view line;
  std::vector<field> fields;
  std::vector<std::string> header;
  char separator = 0;
  bool first_row = true;
  bool decimal_comma = false;
  std::size_t columns = 0;
  spectrum::spectrum t;
  while (lines.next(line)) {
    if (kind_of(line) != line_kind::row) continue;
    const std::int64_t number = lines.number();
    if (first_row) separator = separator_of(line);
    if (!split(line, separator, fields)) return trouble{"a quote that is not closed", number};
    const bool commas = separator == ';' || separator == '\t';
    if (first_row) {
      first_row = false;
      if (!all_numbers(fields, commas)) {
        for (const field& f : fields) header.emplace_back(trimmed(f.text));
        continue;
      }
    }
    if (columns == 0) columns = fields.size();
    if (fields.size() < needed)
      return trouble{std::to_string(fields.size()) + (fields.size() == 1 ? " column" : " columns") +
                         " where column " + std::to_string(needed) + " is asked for",
                     number};
    double point[2] = {};
    const std::size_t at[2] = {x_at, y_at};
    for (int i = 0; i < 2; ++i) {
      const field& f = fields[at[i]];
      const std::string column = "column " + std::to_string(at[i] + 1);
      if (trimmed(f.text).empty()) return trouble{column + " is empty", number};
      bool beyond = false;
      const auto v = number_of(f.text, commas || f.quoted, &beyond);
      if (beyond)
        return trouble{column + ": " + std::string(trimmed(f.text)) +
                           " is beyond the range of double precision",
                       number};
      if (!v)
        return trouble{column + ": \"" + std::string(trimmed(f.text)) + "\" is not a number",
                       number};
      decimal_comma = decimal_comma || trimmed(f.text).find(',') != std::string_view::npos;
      point[i] = *v;
    }
    t.x.push_back(point[0]);
    t.y.push_back(point[1]);
  }
  if (t.y.empty()) return trouble{"no rows of numbers", lines.number()};
  t.first_x = t.x.front();
  t.last_x = t.x.back();
  t.x_stored = !spectrum::even_as_printed(t.x);
  if (x_at < header.size()) doc.x_unit.name = unit_in(header[x_at]);
  if (y_at < header.size()) doc.y_unit.name = unit_in(header[y_at]);
  doc.facts.push_back({"separator", separator_name(separator)});
  if (header.empty())
    doc.facts.push_back({"header", false});
  else
    doc.facts.push_back({"header", header});
  doc.facts.push_back({"rows", static_cast<std::int64_t>(t.y.size())});
  doc.facts.push_back({"columns", static_cast<std::int64_t>(columns)});
  doc.facts.push_back({"decimal comma", decimal_comma});
  doc.spectra.push_back(std::move(t));
  return std::nullopt;
}

spectrum::outcome write_file(const spectrum::document& doc, recio::unit_number unit,
                             const spectrum::write_options&) {
  if (doc.spectra.empty()) return trouble{"no spectrum to write", 0};
  if (doc.spectra.size() > 1)
    return trouble{
        "a CSV file holds one spectrum; this one has " + std::to_string(doc.spectra.size()), 0};
  const spectrum::spectrum& t = doc.spectra.front();
  if (t.x.size() != t.y.size())
    return trouble{
        std::to_string(t.x.size()) + " x values for " + std::to_string(t.y.size()) + " y values",
        0};
  for (std::size_t i = 0; i < t.y.size(); ++i)
    if (!std::isfinite(t.x[i]) || !std::isfinite(t.y[i]))
      return trouble{"point " + std::to_string(i + 1) + ": not a finite number", 0};
  const auto name = [](std::string_view axis, const spectrum::axis_unit& u) {
    return written_field(u.name.empty() ? std::string(axis)
                                        : std::string(axis) + " [" + u.name + "]");
  };
  const std::string header = name("x", doc.x_unit) + "," + name("y", doc.y_unit);
  recio::write(unit, text_record, {std::string_view{header}});
  std::string row;
  for (std::size_t i = 0; i < t.y.size(); ++i) {
    row.clear();
    recio::append_shortest(row, t.x[i]);
    row += ',';
    recio::append_shortest(row, t.y[i]);
    recio::write(unit, text_record, {std::string_view{row}});
  }
  return std::nullopt;
}

namespace {
constexpr std::array<std::string_view, 1> extensions{".csv"};
}  // namespace

const spectrum::file_format format{.name = "csv",
                                   .title = "CSV",
                                   .extensions = extensions,
                                   .recognises = recognises,
                                   .read = read_file,
                                   .write = write_file};

}  // namespace csv
