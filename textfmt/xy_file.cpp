// textfmt/xy_file.cpp: the XY file, one point per record, x then y.
#include <algorithm>
#include <array>
#include <vector>

#include "recio/recio.hpp"
#include "textfmt/text_file.hpp"
#include "textfmt/textfmt.hpp"

namespace {
constexpr recio::layout xy_record{"(F11.5,2X,E14.7)"};
}  // namespace

namespace textfmt {

void read_xy(recio::unit_number unit, std::span<float> x, std::span<float> y, float& first_x,
             float& last_x, std::int32_t& count, std::int32_t capacity) {
  // The end of the file, before a record's x or between its x and y, ends the points.
  std::size_t n = points_in(capacity, y.size());
  float* const columns[] = {x.data(), y.data()};
  recio::read_free_rows(unit, {.on_end = true}, columns, 1, n);
  count = static_cast<std::int32_t>(n);
  spectrum::first_and_last(x, n, first_x, last_x);
}

void write_xy(recio::unit_number unit, std::span<const float> x, std::span<const float> y,
              std::int32_t count) {
  write_points<1>(unit, xy_record, x, y, points_in(count, y.size()));
}

spectrum::outcome read_xy_file(const spectrum::input_file& in, const spectrum::read_options&,
                               spectrum::document& doc) {
  // A point takes two bytes at the least ("1 2" ends the file; "2*0" a record).
  return read_text_file(in, text_form{"xy"}, in.bytes.size() / 2 + 2, doc,
                        [](recio::unit_number unit, std::span<float> x, std::span<float> y,
                           float& first_x, float& last_x, std::int32_t& count,
                           std::int32_t cap) { read_xy(unit, x, y, first_x, last_x, count, cap); });
}

spectrum::outcome write_xy_file(const spectrum::document& doc, recio::unit_number unit,
                                const spectrum::write_options&) {
  const spectrum::spectrum& t = doc.spectra.front();
  const std::vector<float> x(t.x.begin(), t.x.end()), y(t.y.begin(), t.y.end());
  write_xy(unit, x, y, static_cast<std::int32_t>(t.y.size()));
  return {};
}

namespace {
constexpr std::array<std::string_view, 1> xy_extensions{".xy"};
}  // namespace

const spectrum::file_format xy_format{.name = "xy",
                                      .title = "XY (two columns)",
                                      .extensions = xy_extensions,
                                      .recognises = recognises_xy,
                                      .read = read_xy_file,
                                      .write = write_xy_file};

}  // namespace textfmt

void READ2(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_read);
  textfmt::read_xy(unit, x, y, first_x, last_x, count, capacity);
  textfmt::close_file(unit);
}

void WRITE2(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_write);
  textfmt::write_xy(unit, x, y, count);
  textfmt::close_file(unit);
}
