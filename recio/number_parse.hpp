// recio/number_parse.hpp: numbers as they are read, free-form and from Iw and Fw.d fields.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <string_view>

#include "recio/io_errors.hpp"

namespace recio {

// A real: optional sign, digits with an optional point, an optional exponent (E, e, D or d, an
// optional sign, digits); at least one digit before the exponent. Beyond the single-precision
// range it is real_out_of_range; anything else not of this form is invalid_real.
// parse_real("1.5D2", v) gives 150.0f.
io_error parse_real(std::string_view text, float& v);
// The same into the double nearest to the text, and real_out_of_range beyond the double range.
// parse_real("0.1", v) gives the double 0.1; parse_real("1D2", v) gives 100.0.
io_error parse_real(std::string_view text, double& v);
// An integer: optional sign and digits. Beyond min..max it is integer_out_of_range; anything
// else not of this form is invalid_integer.
io_error parse_integer(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& v);

// The pieces of the short way to read a real, shared by parse_real and free-form reading. At
// most 19 digits make one exact 64-bit integer m, and with m <= 2^53 and |p| <= 22 both m and
// 10^|p| are exact doubles, so m x 10^p and m / 10^-p come out rounded once, correctly, in double
// precision.
namespace short_real {

inline constexpr int short_digits = 19;
inline constexpr int exact_powers = 22;
inline constexpr std::uint64_t exact_integers = std::uint64_t{1} << 53;

inline constexpr std::array<std::uint64_t, short_digits + 1> integer_powers = [] {
  std::array<std::uint64_t, short_digits + 1> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

inline constexpr std::array<double, exact_powers + 1> double_powers = [] {
  std::array<double, exact_powers + 1> p{};
  p[0] = 1.0;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10.0;
  return p;
}();

constexpr bool is_exponent_letter(char c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

// Appends the digits from p on to n, wrapping around past 19 of them; returns where they end.
inline const char* take_digits(const char* p, const char* end, std::uint64_t& n) {
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (digit > 9) break;
    n = n * 10 + digit;
  }
  return p;
}

// The double nearest to digits x 10^power when both factors are exact doubles, so that one
// multiplication or division rounds it; false for the rest, which need the exact reading of
// parse_real.
inline bool nearest_double(std::uint64_t digits, int power, double& v) {
  if (power > exact_powers && power - exact_powers < short_digits) {
    // Zeros moved from the power into the digits while these stay exact: 2E30 is 2 x 10^8 x
    // 10^22.
    const std::uint64_t shift = integer_powers[static_cast<std::size_t>(power - exact_powers)];
    if (digits > exact_integers / shift) return false;
    digits *= shift;
    power = exact_powers;
  }
  if (digits > exact_integers || power > exact_powers || power < -exact_powers) return false;
  v = static_cast<double>(digits);
  if (power >= 0)
    v *= double_powers[static_cast<std::size_t>(power)];
  else
    v /= double_powers[static_cast<std::size_t>(-power)];
  return true;
}

// The float nearest to digits x 10^power, when a double settles it: false for a double exactly
// halfway between two floats (no such point lies strictly between the number and its nearest
// double, since each is a double itself) and for values outside the normal float range, which
// need the exact reading of parse_real.
inline bool nearest_float(std::uint64_t digits, int power, float& v) {
  double value = 0.0;
  if (!nearest_double(digits, power, value)) return false;
  if (!(value >= static_cast<double>(std::numeric_limits<float>::min()) &&
        value <= static_cast<double>(std::numeric_limits<float>::max())))
    return false;
  // A normal float keeps 24 of the double's 53 significant bits; halfway between two floats the
  // 29 bits below them are 1 followed by zeros.
  constexpr std::uint64_t below_float = (std::uint64_t{1} << 29) - 1;
  if ((std::bit_cast<std::uint64_t>(value) & below_float) == std::uint64_t{1} << 28) return false;
  v = static_cast<float>(value);
  return true;
}

// The nearest real of the variable's kind, when these pieces settle it.
inline bool nearest_real(std::uint64_t digits, int power, float& v) {
  return nearest_float(digits, power, v);
}
inline bool nearest_real(std::uint64_t digits, int power, double& v) {
  return nearest_double(digits, power, v);
}

}  // namespace short_real

}  // namespace recio
