// csv/csv_reader.cpp: reading CSV tables: telling a table from other text, then its header row
// and its rows of numbers, fields separated by commas, semicolons or tabs.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "csv/csv.hpp"
#include "recio/shown_text.hpp"
#include "recio/text_scan.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/units.hpp"

namespace csv {
namespace {

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

// The fields of a row one at a time, each into the same field: a long row is never held as a
// list of fields. A field in double quotes may hold the separator, and "" in it stands for one
// quote.
class field_scanner {
 public:
  field_scanner(std::string_view row, char separator) : row_{row}, separator_{separator} {}
  // Reads the next field into f; false after the last.
  bool next(field& f) {
    if (done_) return false;
    f.text.clear();
    f.quoted = false;
    bool in_quotes = false;
    for (; at_ < row_.size(); ++at_) {
      const char c = row_[at_];
      if (in_quotes) {
        if (c != '"')
          f.text += c;
        else if (at_ + 1 < row_.size() && row_[at_ + 1] == '"')
          f.text += '"', ++at_;
        else
          in_quotes = false;
      } else if (c == separator_) {
        ++at_;
        return true;
      } else if (c == '"' && trimmed(f.text).empty()) {
        f.text.clear();
        f.quoted = in_quotes = true;
      } else {
        f.text += c;
      }
    }
    done_ = true;
    unclosed_ = in_quotes;
    return true;
  }
  // Whether the last field's quote is not closed.
  bool unclosed() const { return unclosed_; }

 private:
  std::string_view row_;
  char separator_;
  std::size_t at_ = 0;
  bool done_ = false;
  bool unclosed_ = false;
};

// Splits a row at the separator. False when a quote is not closed.
bool split(std::string_view row, char separator, std::vector<field>& fields) {
  fields.clear();
  field_scanner scan{row, separator};
  for (field f; scan.next(f);) fields.push_back(f);
  return !scan.unclosed();
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

// A field as a message quotes it: escaped, and cut where it is long.
std::string quoted_in_message(std::string_view text) {
  return recio::shown_text(trimmed(text), recio::shown_field_length);
}

// Whether the text is UTF-16: a byte-order mark of either order, or an ASCII character and a NUL
// as the first two bytes.
bool is_utf16(spectrum::byte_view b) {
  if (b.size() < 2) return false;
  if ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)) return true;
  return (b[0] == 0) != (b[1] == 0) && std::max(b[0], b[1]) < 0x80;
}

bool all_numbers(const std::vector<field>& fields, bool decimal_comma) {
  return std::all_of(fields.begin(), fields.end(), [&](const field& f) {
    return number_of(f.text, decimal_comma || f.quoted).has_value();
  });
}

// The text in brackets at the end of name, which is left without it: "y [Index of Refraction
// [N]]" gives "Index of Refraction [N]" and leaves "y". Empty where name does not end so.
std::string bracketed_end(std::string_view& name) {
  name = trimmed(name);
  if (name.empty() || name.back() != ']') return {};
  int depth = 0;
  for (std::size_t i = name.size(); i-- > 0;) {
    depth += name[i] == ']' ? 1 : name[i] == '[' ? -1 : 0;
    if (depth == 0) {
      std::string inside{trimmed(name.substr(i + 1, name.size() - i - 2))};
      name = trimmed(name.substr(0, i));
      return inside;
    }
  }
  return {};
}

// What a y column's name says: its unit in brackets, and its spectrum's z after "z=", with the
// unit of z in brackets after that. "y [Absorbance] z=0.5 [Minutes]" gives Absorbance, 0.5 and
// Minutes; "y z=2" gives z 2 alone; "y [Absorbance]" no z.
struct y_column_name {
  std::string unit;
  std::optional<double> z;
  std::string z_unit;
};
y_column_name y_column_named(std::string_view name, bool decimal_comma) {
  y_column_name n;
  std::string last = bracketed_end(name);
  const std::size_t blank = name.find_last_of(" \t");
  const std::string_view word = blank == std::string_view::npos ? name : name.substr(blank + 1);
  if (word.starts_with("z=")) n.z = number_of(word.substr(2), decimal_comma);
  if (!n.z) {
    n.unit = std::move(last);
    return n;
  }
  n.z_unit = std::move(last);
  name = name.substr(0, blank == std::string_view::npos ? 0 : blank);
  n.unit = bracketed_end(name);
  return n;
}

std::string separator_name(char separator) {
  return separator == '\t' ? std::string("tab") : std::string(1, separator);
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
  if (is_utf16(file.bytes)) return trouble{"the file is UTF-16; save it as UTF-8", 0};
  if (options.x_column < 1 || options.y_column < 0) return trouble{"columns count from 1", 0};
  const auto x_at = static_cast<std::size_t>(options.x_column - 1);
  // The columns of y, one a spectrum: the one asked for, else every other column that has a
  // number in the first row of numbers; a column of notes, or the empty field after a separator
  // that ends each row, is none.
  std::vector<std::size_t> y_at;
  if (options.y_column > 0) y_at.push_back(static_cast<std::size_t>(options.y_column - 1));
  std::size_t needed = 0;
  recio::line_scanner lines{recio::text_of_bytes(file.bytes)};
  std::string_view line;
  field f;  // the field being read: its room is kept from field to field
  std::optional<std::string_view> header_row;
  char separator = 0;
  bool first_row = true;
  bool decimal_comma = false;
  std::size_t columns = 0;
  std::vector<double> x;
  std::vector<std::vector<double>> y;
  std::vector<double> values;  // of a row: x, then each y
  while (lines.next(line)) {
    if (kind_of(line) != line_kind::row) continue;
    const std::int64_t number = lines.number();
    if (first_row) separator = separator_of(line);
    const bool commas = separator == ';' || separator == '\t';
    // Reads the row's fields, each once, into take(column, field); gives back how many there are,
    // or none when a quote is not closed.
    const auto each_field = [&](auto take) -> std::optional<std::size_t> {
      field_scanner scan{line, separator};
      std::size_t k = 0;
      for (; scan.next(f); ++k) take(k, f);
      if (scan.unclosed()) return std::nullopt;
      return k;
    };
    if (first_row || columns == 0) {
      bool numbers = true;
      const auto count = each_field([&](std::size_t, const field& g) {
        numbers = numbers && number_of(g.text, commas || g.quoted).has_value();
      });
      if (!count) return trouble{"a quote that is not closed", number};
      if (first_row) {
        first_row = false;
        if (!numbers) {
          header_row = line;
          continue;
        }
      }
      columns = *count;
      if (y_at.empty()) {
        each_field([&](std::size_t k, const field& g) {
          if (k != x_at && number_of(g.text, commas || g.quoted)) y_at.push_back(k);
        });
        if (y_at.empty()) y_at.push_back(x_at + 1);  // no y: the column after x is missing
      }
      needed = std::max(x_at, *std::max_element(y_at.begin(), y_at.end())) + 1;
      y.resize(y_at.size());
      values.resize(y_at.size() + 1);
    }
    // The values of the columns taken, x then each y: the first of them that is not a number is
    // the row's trouble.
    std::size_t failed = values.size();
    outcome problem;
    const auto take = [&](std::size_t order, std::size_t at, const field& g) {
      if (order >= failed) return;
      bool beyond = false;
      const auto v = number_of(g.text, commas || g.quoted, &beyond);
      if (v) {
        values[order] = *v;
        decimal_comma = decimal_comma || trimmed(g.text).find(',') != std::string_view::npos;
        return;
      }
      failed = order;
      const std::string column = "column " + std::to_string(at + 1);
      if (trimmed(g.text).empty())
        problem = trouble{column + " is empty", number};
      else if (beyond)
        problem = trouble{
            column + ": " + quoted_in_message(g.text) + " is beyond the range of double precision",
            number};
      else
        problem = trouble{column + ": \"" + quoted_in_message(g.text) + "\" is not a number", number};
    };
    std::size_t next_y = 0;
    const auto count = each_field([&](std::size_t k, const field& g) {
      if (k == x_at) take(0, k, g);
      for (; next_y < y_at.size() && y_at[next_y] == k; ++next_y) take(next_y + 1, k, g);
    });
    if (!count) return trouble{"a quote that is not closed", number};
    if (*count < needed)
      return trouble{std::to_string(*count) + (*count == 1 ? " column" : " columns") +
                         " where column " + std::to_string(needed) + " is asked for",
                     number};
    if (problem) return problem;
    x.push_back(values[0]);
    for (std::size_t k = 0; k < y.size(); ++k) y[k].push_back(values[k + 1]);
  }
  if (x.empty()) return trouble{"no rows of numbers", lines.number()};
  // The header's names, once the table proves to have rows: as many as it has columns.
  std::vector<std::string> header;
  if (header_row) {
    field_scanner scan{*header_row, separator};
    while (header.size() < columns && scan.next(f)) header.emplace_back(trimmed(f.text));
  }
  if (x_at < header.size()) {
    std::string_view name = header[x_at];
    doc.x_unit = spectrum::unit_named(bracketed_end(name), spectrum::axis::x);
  }
  // The document's y unit and z unit are the first that the columns name.
  const bool commas = separator == ';' || separator == '\t';
  const bool x_stored = !spectrum::even_as_printed(x);
  for (std::size_t k = 0; k < y.size(); ++k) {
    spectrum::spectrum& t = doc.spectra.emplace_back();
    t.x = x;
    t.y = std::move(y[k]);
    t.x_stored = x_stored;
    t.first_x = x.front();
    t.last_x = x.back();
    if (y_at[k] >= header.size()) continue;
    const y_column_name name = y_column_named(header[y_at[k]], commas);
    t.z = name.z.value_or(0.0);
    if (doc.y_unit.name.empty() && !name.unit.empty())
      doc.y_unit = spectrum::unit_named(name.unit, spectrum::axis::y);
    if (doc.z_unit.name.empty() && !name.z_unit.empty())
      doc.z_unit = spectrum::unit_named(name.z_unit, spectrum::axis::z);
  }
  doc.facts.push_back({"separator", separator_name(separator)});
  if (header.empty())
    doc.facts.push_back({"header", false});
  else
    doc.facts.push_back({"header", header});
  doc.facts.push_back({"rows", static_cast<std::int64_t>(x.size())});
  doc.facts.push_back({"columns", static_cast<std::int64_t>(columns)});
  doc.facts.push_back({"decimal comma", decimal_comma});
  return std::nullopt;
}

}  // namespace csv
