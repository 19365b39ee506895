// textfmt/xy_file.cpp: the XY file, one point per record, x then y.
#include <algorithm>
#include <array>

#include "recio/number_fields.hpp"
#include "recio/recio.hpp"
#include "textfmt/text_file.hpp"
#include "textfmt/textfmt.hpp"

namespace {
// A record of the layout (F11.5,2X,E14.7), written field by field: x in columns 1 to 11, y in
// 14 to 27.
constexpr std::size_t record_size = 27;
constexpr textfmt::field x_field{recio::layout{"(F11.5)"}, 11};
}  // namespace

namespace textfmt {

template <class real>
void read_xy(recio::unit_number unit, std::span<real> x, std::span<real> y, real& first_x,
             real& last_x, std::int32_t& count, std::int32_t capacity) {
  // The end of the file, before a record's x or between its x and y, ends the points.
  std::size_t n = points_in(capacity, y.size());
  real* const columns[] = {x.data(), y.data()};
  recio::read_free_rows(unit, {.on_end = true}, columns, 1, n);
  count = static_cast<std::int32_t>(n);
  spectrum::first_and_last<real>(x, n, first_x, last_x);
}

template <class real>
void write_xy(recio::unit_number unit, std::span<const real> x, std::span<const real> y,
              std::int32_t count) {
  std::array<char, record_size> record;
  record[11] = ' ';
  record[12] = ' ';
  const std::size_t n = points_in(count, y.size());
  for (std::size_t i = 0; i < n; ++i) {
    put_field([&](auto v) { recio::put_fixed(record.data(), 11, 5, v); }, x[i]);
    put_field([&](auto v) { recio::put_exponent(record.data() + 13, 14, 7, v); }, y[i]);
    recio::write_record(unit, {record.data(), record.size()});
  }
}

spectrum::outcome read_xy_file(const spectrum::input_file& in,
                               const spectrum::read_options& options, spectrum::document& doc) {
  // A point takes two bytes at the least ("1 2" ends the file; "2*0" a record).
  return read_text_file(in, text_form{"xy"}, in.bytes.size() / 2 + 2, options.most_points, doc,
                        read_xy<double>);
}

spectrum::outcome write_xy_file(const spectrum::document& doc, recio::unit_number unit,
                                const spectrum::write_options&) {
  const spectrum::spectrum& t = doc.spectra.front();
  if (auto wide = wider_than(x_field, t.x, "x", "XY")) return wide;
  write_xy<double>(unit, t.x, t.y, static_cast<std::int32_t>(t.y.size()));
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
  textfmt::read_xy<float>(unit, x, y, first_x, last_x, count, capacity);
  textfmt::close_file(unit);
}

void WRITE2(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_write);
  textfmt::write_xy<float>(unit, x, y, count);
  textfmt::close_file(unit);
}
