// textfmt/xy_file.cpp: the XY file, one point per record, x then y.
#include <algorithm>

#include "recio/recio.hpp"
#include "textfmt/text_file.hpp"
#include "textfmt/textfmt.hpp"

namespace {
constexpr recio::layout xy_record{"(F11.5,2X,E14.7)"};
}  // namespace

void READ2(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_read);
  // The end of the file, before a record's x or between its x and y, ends the points.
  std::size_t n = spectra::points_in_arrays(capacity);
  float* const columns[] = {x.data(), y.data()};
  recio::read_free_rows(unit, {.on_end = true}, columns, 1, n);
  count = static_cast<std::int32_t>(n);
  spectra::ends_of(x, n, first_x, last_x);
  textfmt::close_file(unit);
}

void WRITE2(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_write);
  const auto n = spectra::points_in_arrays(count);
  textfmt::write_points<1>(unit, xy_record, x, y, n);
  textfmt::close_file(unit);
}
