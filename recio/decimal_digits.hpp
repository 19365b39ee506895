// recio/decimal_digits.hpp: a real's first 17 significant digits and its decimal exponent, which
// every number field then rounds for itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace recio {

// A real is first turned into this many significant digits; a field rounds those digits again.
inline constexpr int first_digits = 17;

inline constexpr std::array<std::uint64_t, 20> powers_of_ten = [] {
  std::array<std::uint64_t, 20> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// A finite real as 0.d1d2...d17 x 10^exponent with d1 not 0; zero has the digits 0 and the
// exponent 0. The sign is kept apart so that -0.0004 can lose it once rounded.
struct decimal {
  std::uint64_t digits = 0;  // d1 to d17 as one integer
  int exponent = 0;
  bool negative = false;
};

// The 17 significant digits of a finite real, rounded correctly with a tie going to the even
// digit, the same digits that to_chars gives.
// to_decimal(-0.5) == {50000000000000000, 0, true}; to_decimal(1234.0) has the exponent 4.
decimal to_decimal(double v);

}  // namespace recio
