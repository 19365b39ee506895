// spectrum/axis.hpp: the x axis as every format shares it: evenly spaced x made from their ends,
// and x given point by point judged evenly spaced to within the precision of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "spectrum/document.hpp"

namespace spectrum {

// Values of an axis whose larger end is scale, kept to 15 significant digits of scale: the
// arithmetic of double precision leaves a few units of its last place on each, so that 0.3 to 0
// in three steps gives 0.19999999999999998 and -5.6e-17, which read 0.2 and 0.
class digits_of_axis {
 public:
  explicit digits_of_axis(double scale);
  // v lies on the axis: |v| <= scale, or a rounding beyond it.
  double operator()(double v) const {
    if (!kept_) return v;
    // m / 10^k is the double nearest to the decimal m x 10^-k: one correctly rounded division.
    // A value of the axis scaled to 15 digits is below 10^15: adding and taking away 1.5 x 2^52
    // rounds it to the nearest whole number, as nearbyint would. Adding 0 makes -0 0.
    constexpr double whole = 6755399441055744.0;
    if (exponent_ < 0) return (((v * ten_) + whole) - whole) / ten_ + 0.0;
    return (((v / ten_) + whole) - whole) * ten_ + 0.0;
  }
  // Writes out[i] = (*this)(made(i)) for i from 0 to count - 1, in loops that the compiler can run
  // on several values at once.
  template <class maker>
  void write_kept(double* out, std::int32_t count, maker made) const {
    constexpr double whole = 6755399441055744.0;
    const double ten = ten_;
    if (!kept_)
      for (std::int32_t i = 0; i < count; ++i) out[i] = made(i);
    else if (exponent_ < 0)
      for (std::int32_t i = 0; i < count; ++i)
        out[i] = (((made(i) * ten) + whole) - whole) / ten + 0.0;
    else
      for (std::int32_t i = 0; i < count; ++i)
        out[i] = (((made(i) / ten) + whole) - whole) * ten + 0.0;
  }

 private:
  bool kept_ = false;
  int exponent_ = 0;
  double ten_ = 1.0;
};

// n x from first to last, evenly spaced: x(i) = first + i (last - first) / (n - 1), formed in
// double precision and kept to 15 significant digits of the larger end, the ends themselves as
// given. even_x(4000, 400, 3601) gives 4000, 3999, ..., 400; even_x(0.3, 0, 4) 0.3, 0.2, 0.1, 0.
std::vector<double> even_x(double first, double last, std::size_t n);

// Whether x lie evenly spaced from their first to their last, to within the precision of the
// text they were printed in: each within one unit of the last printed digit of its place (where
// the ends were rounded to as well) or the rounding of single precision, whichever is more. The
// last printed digit is that of the fewest digits that read back as any of the values, those of a
// float where a value is one: {1800, 1799.999, 1799.998} are even to 0.001, and so are floats
// read from such a text.
bool even_as_printed(std::span<const double> x);

// Whether the spectra all have the very same x, point by point, so that one x column or array
// serves them all; true for none or one.
bool one_x_axis(std::span<const spectrum> spectra);

}  // namespace spectrum
