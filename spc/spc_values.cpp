// spc/spc_values.cpp: y values decoded from their bytes, floats or integers scaled by the exponent.
#include "spc/spc_values.hpp"

#include <cmath>

namespace spc {

namespace {

std::uint16_t get_u16be(byte_view b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}
std::uint32_t get_u32be(byte_view b, std::size_t at) {
  return std::uint32_t{get_u16be(b, at)} << 16 | get_u16be(b, at + 2);
}

// A value formed in double, as the real type holds it: rounded once to single precision, or as
// it stands.
inline float held(float, double v) { return spectrum::to_single(v); }
inline double held(double, double v) { return v; }

// y = n x 2^k, formed in double (where it is exact) and held as the real type holds it, for the
// integers that integer_at gives. For every k that an instrument writes the power of two is made
// once.
template <class real, class integer_at>
void scale(std::span<real> y, int k, integer_at n) {
  if (k >= -1022 && k <= 1023) {
    const double factor = times_power_of_two(1.0, k);
    for (std::size_t i = 0; i < y.size(); ++i)
      y[i] = held(real{}, static_cast<double>(n(i)) * factor);
    return;
  }
  for (std::size_t i = 0; i < y.size(); ++i)
    y[i] = held(real{}, std::ldexp(static_cast<double>(n(i)), k));
}

}  // namespace

template <class real>
void decode_y(byte_view b, const y_storage& s, std::span<real> y) {
  if (s.sixteen_bit) {
    scale(y, s.exponent - 16, [&](std::size_t i) {
      return static_cast<std::int16_t>(s.big_endian ? get_u16be(b, 2 * i) : get_u16le(b, 2 * i));
    });
  } else if (s.high_half_first) {
    scale(y, s.exponent - 32, [&](std::size_t i) { return get_i32_high_half_first(b, 4 * i); });
  } else if (s.exponent == float_y) {
    if (s.big_endian) {
      for (std::size_t i = 0; i < y.size(); ++i) y[i] = std::bit_cast<float>(get_u32be(b, 4 * i));
    } else {
      for (std::size_t i = 0; i < y.size(); ++i) y[i] = get_f32le(b, 4 * i);
    }
  } else if (s.big_endian) {
    scale(y, s.exponent - 32,
          [&](std::size_t i) { return static_cast<std::int32_t>(get_u32be(b, 4 * i)); });
  } else {
    scale(y, s.exponent - 32, [&](std::size_t i) { return get_i32le(b, 4 * i); });
  }
}

template void decode_y(byte_view, const y_storage&, std::span<float>);
template void decode_y(byte_view, const y_storage&, std::span<double>);

}  // namespace spc
