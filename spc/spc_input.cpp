// spc/spc_input.cpp: READ5, the converter's SPC input: the file's y values and the x values that
// it only implies.
#include <algorithm>

#include "recio/recio.hpp"
#include "spc/spc.hpp"
#include "spc/spc_layout.hpp"

void READ5(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count) {
  std::uint8_t x_type = 0;
  std::uint8_t y_type = 0;
  float resolution = 0.0f;
  memo_text memo;
  std::int32_t status = 0;
  READSC(name, y, count, first_x, last_x, x_type, y_type, resolution, memo, status);
  if (count > spectrum::array_capacity) return;

  float check = 0.0f;
  if (count >= 1) {
    const auto n = static_cast<std::size_t>(std::min(count, spectrum::max_points));
    spc::even_x(first_x, last_x, count, {x.data(), n});
    check = spectrum::to_single(static_cast<double>(x[n - 1]) - last_x);
  }
  // Without a point there is no x to check: the check shows 0.
  recio::write_free(recio::console, {" Routine READ5: Check of x accuracy"});
  recio::write_free(recio::console, {" Calculated last X minus read XEP = ", check});
}
