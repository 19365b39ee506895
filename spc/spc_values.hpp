// spc/spc_values.hpp: the y values of an SPC sub-file as its bytes hold them, for both readers.
#pragma once

#include <cstddef>
#include <span>

#include "spc/spc_layout.hpp"

namespace spc {

// How a sub-file's y values lie in the file.
struct y_storage {
  bool sixteen_bit = false;  // 16-bit integers (the flag tsprec): y = n x 2^(e-16)
  int exponent = 0;          // e: y = n x 2^(e-32), or float_y: the values are floats
  bool big_endian = false;   // the most significant byte first (version byte 0x4C)
  // 32-bit integers with the high 16-bit half first: the old variant, whose exponent never means
  // floats.
  bool high_half_first = false;
  std::size_t value_size() const { return sixteen_bit ? 2 : 4; }
  // y = n x 2^power for the integers n; none for floats.
  int power() const { return sixteen_bit ? exponent - 16 : exponent - 32; }
  bool floats() const { return !sixteen_bit && !high_half_first && exponent == float_y; }
};

// Decodes y.size() values from bytes, which hold at least y.size() x value_size() of them: as
// floats, integers scaled and rounded once to single precision, or as doubles, integers scaled
// exactly. decode_y({0x00, 0x00, 0x80, 0x3F}, {.exponent = float_y}, y) gives y[0] == 1.0.
template <class real>
void decode_y(byte_view bytes, const y_storage& storage, std::span<real> y);

}  // namespace spc
