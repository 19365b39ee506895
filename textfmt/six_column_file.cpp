// textfmt/six_column_file.cpp: the 6XY file, three points (x, y, x, y, x, y) per record.
#include <algorithm>

#include "recio/recio.hpp"
#include "textfmt/text_file.hpp"
#include "textfmt/textfmt.hpp"

namespace {

// A full record is 92 characters; the last one may hold one or two points, 24 or 58 characters,
// as the blanks after its last point are not written.
constexpr recio::layout points_record{"(3(F9.3,1X,E14.7,10X))"};
constexpr recio::layout not_at_end{
    "('   File ',A12,': ',I6,' lines read & converted but',' end of input file not reached')"};

}  // namespace

void READ3(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_read);
  const std::int32_t records = std::clamp(capacity, 0, control::max_points) / 3;
  std::size_t m = 0;
  std::int32_t r = 0;
  for (; r < records; ++r, m += 3) {
    std::uint32_t filled = 0;
    const recio::io_code code =
        recio::read_free(unit, {.on_end = true},
                         {&x[m], &y[m], &x[m + 1], &y[m + 1], &x[m + 2], &y[m + 2]}, &filled);
    if (code != recio::io_code::end) continue;
    // The file ended inside this record: its points count while their x was read and is not
    // zero. A y that the file did not give is 0; what the slots held before never counts.
    std::size_t k = 0;
    while (k < 3 && (filled >> (2 * k) & 1) != 0 && x[m + k] != 0.0f) {
      if ((filled >> (2 * k + 1) & 1) == 0) y[m + k] = 0.0f;
      ++k;
    }
    m += k;
    break;
  }
  if (r == records && records > 0) recio::write(recio::console, not_at_end, {name.view(), records});
  count = static_cast<std::int32_t>(m);
  control::ends_of(x, m, first_x, last_x);
  textfmt::close_file(unit);
}

void WRITE3(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_write);
  const auto n = control::points_in_arrays(count);
  std::size_t i = 0;
  for (; i + 3 <= n; i += 3)
    recio::write(unit, points_record, {x[i], y[i], x[i + 1], y[i + 1], x[i + 2], y[i + 2]});
  if (n - i == 2) recio::write(unit, points_record, {x[i], y[i], x[i + 1], y[i + 1]});
  if (n - i == 1) recio::write(unit, points_record, {x[i], y[i]});
  textfmt::close_file(unit);
}
