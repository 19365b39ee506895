// control/conversion.hpp: what one conversion works on, and the spectrum types that the driver
// uses by their short names.
#pragma once

#include <cstdint>

#include "spectrum/spectrum.hpp"

namespace control {

using spectra::array_capacity;
using spectra::file_name;
using spectra::max_points;
using spectra::memo_text;
using spectra::spectrum;

// What one conversion works on: the two files with their format codes, and the spectrum. The
// keyboard dialogue and the list file share it, and nothing clears it between conversions.
struct conversion {
  file_name input_name;
  std::int32_t input_code = 0;
  file_name output_name;
  std::int32_t output_code = 0;
  spectrum data;
};

}  // namespace control
