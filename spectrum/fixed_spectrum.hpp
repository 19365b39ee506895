// spectrum/fixed_spectrum.hpp: the spectrum that the dialogue holds, in arrays of fixed size, and
// the types that its readers and writers share. It includes nothing above the record layer.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

#include "recio/fixed_text.hpp"

namespace spectrum {

// The most points that the arrays hold.
inline constexpr std::int32_t max_points = 131072;

using point_array = std::array<float, max_points>;
using file_name = recio::fixed_text<12>;
using memo_text = recio::fixed_text<130>;

// The array capacity: the driver's first action sets it to max_points. The text readers receive
// it as an argument; the SPC reading routines read it here.
inline std::int32_t array_capacity = 0;

// A value formed in double, rounded to the single precision that the spectrum holds. Beyond the
// single-precision range it is an infinity, as the rounding gives, without converting a value
// that does not fit.
inline float to_single(double v) {
  // Halfway between the largest float and 2^128: from there on the rounding gives infinity.
  constexpr double overflow = 3.4028235677973366e38;
  constexpr float infinity = std::numeric_limits<float>::infinity();
  if (std::fabs(v) >= overflow) return std::signbit(v) ? -infinity : infinity;
  return static_cast<float>(v);
}

// Whether single precision holds v exactly, as it holds every value that a file stored as a
// float; its digits beyond the seventh are then those of the float's binary rounding.
inline bool held_as_float(double v) { return static_cast<double>(to_single(v)) == v; }

// How many points of a count the arrays hold: none for a count below 1, at most max_points.
inline std::size_t points_in_arrays(std::int32_t count) {
  return count < 1 ? 0 : static_cast<std::size_t>(count < max_points ? count : max_points);
}

// The x of the first and of the last of n points; a spectrum without points has 0 for both.
template <class real>
void first_and_last(std::span<const real> x, std::size_t n, real& first_x, real& last_x) {
  first_x = n > 0 ? x[0] : real{0};
  last_x = n > 0 ? x[n - 1] : real{0};
}

// The one spectrum in memory. Nothing clears it between conversions: what a conversion does not
// overwrite keeps what the previous one left.
struct fixed_spectrum {
  point_array x{};
  point_array y{};
  float first_x = 0.0f;
  float last_x = 0.0f;
  std::int32_t count = 0;
  memo_text memo{};
};

}  // namespace spectrum
