// recio/decimal_digits.hpp: a real's first 17 significant digits and its decimal exponent, which
// every number field then rounds for itself.
#pragma once

#include <array>
#include <bit>
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

// How many decimal digits n above 0 has: floor(bits x log10 2), then one more where n reaches
// the next power of ten. digit_count(999) == 3, digit_count(1000) == 4.
inline int digit_count(std::uint64_t n) {
  const auto estimate = static_cast<std::size_t>(std::bit_width(n) * 1233 >> 12);
  return static_cast<int>(estimate) + (n >= powers_of_ten[estimate] ? 1 : 0);
}

// "00" to "99", for writing two digits at a time.
inline constexpr std::array<char, 200> digit_pairs = [] {
  std::array<char, 200> p{};
  for (std::size_t i = 0; i < 100; ++i) {
    p[2 * i] = static_cast<char>('0' + i / 10);
    p[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
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
