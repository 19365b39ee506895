// textfmt/xy_file.cpp: the XY file, one point per record, x then y.
#include <algorithm>

#include "recio/recio.hpp"
#include "textfmt/textfmt.hpp"

namespace {
constexpr recio::layout xy_record{"(F11.5,2X,E14.7)"};
}  // namespace

void READ2(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity) {
  std::int16_t unit = 0;
  std::int32_t status = 0;
  GETCHAN(unit, status);
  recio::open(unit, name.view(), recio::open_mode::text_read);
  // The end of the file, before a record's x or between its x and y, ends the points.
  std::int32_t n = 0;
  for (; n < std::min(capacity, control::max_points); ++n) {
    const auto i = static_cast<std::size_t>(n);
    if (recio::read_free(unit, {.on_end = true}, {&x[i], &y[i]}) == recio::io_code::end) break;
  }
  count = n;
  // A file without a whole pair has no first or last x: they are 0.
  first_x = n > 0 ? x[0] : 0.0f;
  last_x = n > 0 ? x[static_cast<std::size_t>(n) - 1] : 0.0f;
  PUTCHAN(unit, status);
}

void WRITE2(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count) {
  std::int16_t unit = 0;
  std::int32_t status = 0;
  GETCHAN(unit, status);
  recio::open(unit, name.view(), recio::open_mode::text_write);
  const auto n = static_cast<std::size_t>(std::clamp(count, 0, control::max_points));
  for (std::size_t i = 0; i < n; ++i) recio::write(unit, xy_record, {x[i], y[i]});
  PUTCHAN(unit, status);
}
