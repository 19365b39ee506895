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
  const std::size_t records = spectra::points_in_arrays(capacity) / 3;
  std::size_t r = records;
  std::uint32_t filled = 0;
  float* const columns[] = {&x[0], &y[0], &x[1], &y[1], &x[2], &y[2]};
  const recio::io_code code = recio::read_free_rows(unit, {.on_end = true}, columns, 3, r, &filled);
  std::size_t m = 3 * r;
  if (code == recio::io_code::end) {
    // The file ended inside record r: its points count while their x was read and is not zero.
    // A y that the file did not give is 0; what the slots held before never counts.
    std::size_t k = 0;
    while (k < 3 && (filled >> (2 * k) & 1) != 0 && x[m + k] != 0.0f) {
      if ((filled >> (2 * k + 1) & 1) == 0) y[m + k] = 0.0f;
      ++k;
    }
    m += k;
  } else if (records > 0) {
    recio::write(recio::console, not_at_end, {name.view(), static_cast<std::int32_t>(records)});
  }
  count = static_cast<std::int32_t>(m);
  spectra::ends_of(x, m, first_x, last_x);
  textfmt::close_file(unit);
}

void WRITE3(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_write);
  const auto n = spectra::points_in_arrays(count);
  textfmt::write_points<3>(unit, points_record, x, y, n);
  textfmt::close_file(unit);
}
