// control/conversion.hpp: what one conversion works on, and the spectrum types that the driver
// uses by their short names.
#pragma once

#include <cstdint>

#include "spectrum/fixed_spectrum.hpp"

namespace control {

using spectrum::array_capacity;
using spectrum::file_name;
using spectrum::max_points;
using spectrum::memo_text;
using spectrum::fixed_spectrum;

// What one conversion works on: the two files with their format codes, and the spectrum. The
// keyboard dialogue and the list file share it, and nothing clears it between conversions.
struct conversion {
  file_name input_name;
  std::int32_t input_code = 0;
  file_name output_name;
  std::int32_t output_code = 0;
  fixed_spectrum data;
};

}  // namespace control
