// csv/csv_writer.cpp: writing CSV tables: a header row naming the columns and their units, then
// one row a point.
#include <cmath>
#include <string>
#include <string_view>

#include "csv/csv.hpp"
#include "recio/number_text.hpp"

namespace csv {
namespace {

constexpr recio::layout text_record{"(A)"};

using spectrum::trouble;

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

}  // namespace csv
