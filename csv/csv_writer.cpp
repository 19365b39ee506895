// csv/csv_writer.cpp: writing CSV tables: a header row naming the columns, their units and each
// spectrum's z, then one row a point: x, then the y of each spectrum.
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "csv/csv.hpp"
#include "recio/number_text.hpp"
#include "spectrum/units.hpp"

namespace csv {
namespace {

using spectrum::trouble;

// A field as written: in double quotes, each quote doubled, when it holds a separator or a quote.
// A row is one line: each line end (CR LF, CR or LF) in a name becomes one blank.
// written_field("a \"b\"\r\nc") == "\"a \"\"b\"\" c\""
std::string written_field(std::string_view text) {
  std::string one_line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    one_line += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
  }
  if (one_line.find_first_of(",;\t\"") == std::string::npos) return one_line;
  std::string out = "\"";
  for (const char c : one_line) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

// A unit's name as a column gives it: its own, else its code's. Brackets that do not pair, which
// would end the name in the column's early, become parentheses; pairs stay ("Index of Refraction
// [N]").
std::string unit_name(const spectrum::axis_unit& u, spectrum::axis which) {
  std::string name =
      u.name.empty() && u.code >= 0 ? spectrum::unit_of_code(u.code, which).name : u.name;
  int depth = 0;
  for (const char c : name)
    if ((depth += c == '[' ? 1 : c == ']' ? -1 : 0) < 0) break;
  if (depth != 0)
    for (char& c : name) c = c == '[' ? '(' : c == ']' ? ')' : c;
  return name;
}

// An axis and its unit in brackets: "x [Wavenumber (cm-1)]"; the axis alone for no unit.
std::string column_name(std::string_view axis, const spectrum::axis_unit& u, spectrum::axis which) {
  const std::string name = unit_name(u, which);
  return name.empty() ? std::string(axis) : std::string(axis) + " [" + name + "]";
}

}  // namespace

spectrum::outcome write_file(const spectrum::document& doc, recio::unit_number unit,
                             const spectrum::write_options&) {
  const std::vector<spectrum::spectrum>& all = doc.spectra;
  if (all.empty()) return trouble{"no spectrum to write", 0};
  const bool several = all.size() > 1;
  for (std::size_t k = 0; k < all.size(); ++k) {
    const spectrum::spectrum& t = all[k];
    const std::string which = several ? "spectrum " + std::to_string(k + 1) + ", " : "";
    if (t.x.size() != t.y.size())
      return trouble{which + std::to_string(t.x.size()) + " x values for " +
                         std::to_string(t.y.size()) + " y values",
                     0};
    if (t.x != all.front().x)
      return trouble{"a CSV file holds several spectra only on one x axis; spectrum " +
                         std::to_string(k + 1) + " has another",
                     0};
    for (std::size_t i = 0; i < t.y.size(); ++i)
      if (!std::isfinite(t.x[i]) || !std::isfinite(t.y[i]))
        return trouble{which + "point " + std::to_string(i + 1) + ": not a finite number", 0};
    if (!std::isfinite(t.z)) return trouble{which + "z: not a finite number", 0};
  }
  std::string header = written_field(column_name("x", doc.x_unit, spectrum::axis::x));
  for (const spectrum::spectrum& t : all) {
    std::string y = column_name("y", doc.y_unit, spectrum::axis::y);
    if (several || t.z != 0.0) {
      y += " z=";
      recio::append_shortest(y, t.z);
      if (const std::string z = unit_name(doc.z_unit, spectrum::axis::z); !z.empty())
        y += " [" + z + "]";
    }
    header += ',';
    header += written_field(y);
  }
  recio::write_record(unit, header);
  std::string row;
  for (std::size_t i = 0; i < all.front().x.size(); ++i) {
    row.clear();
    recio::append_shortest(row, all.front().x[i]);
    for (const spectrum::spectrum& t : all) {
      row += ',';
      recio::append_shortest(row, t.y[i]);
    }
    recio::write_record(unit, row);
  }
  return std::nullopt;
}

}  // namespace csv
