// recio/decimal_digits.cpp: a real's first 17 significant digits and its decimal exponent, by an
// exact integer product for the reals that spectra hold and by the standard library beyond them.
#include "recio/decimal_digits.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace recio {

namespace {

// An integer of up to 288 bits in 32-bit limbs, the lowest first. The two limbs past the
// capacity stay 0 so that reading 64 bits near the top needs no bounds test.
struct wide_integer {
  static constexpr std::size_t capacity = 9;
  std::array<std::uint32_t, capacity + 2> limb{};
  std::size_t size = 0;

  void multiply(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < size; ++i) {
      const std::uint64_t t = std::uint64_t{limb[i]} * factor + carry;
      limb[i] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    if (carry != 0 && size < capacity) limb[size++] = static_cast<std::uint32_t>(carry);
  }
  // The 64 bits from bit `at` up; `at` must lie inside the number.
  std::uint64_t bits_from(std::size_t at) const {
    const std::size_t i = at / 32;
    const std::size_t shift = at % 32;
    std::uint64_t r = limb[i] | std::uint64_t{limb[i + 1]} << 32;
    if (shift != 0) r = r >> shift | std::uint64_t{limb[i + 2]} << (64 - shift);
    return r;
  }
  bool bit(std::size_t at) const { return (limb[at / 32] >> (at % 32) & 1) != 0; }
  bool any_below(std::size_t at) const {
    for (std::size_t i = 0; i < at / 32; ++i)
      if (limb[i] != 0) return true;
    return (limb[at / 32] & ((std::uint32_t{1} << (at % 32)) - 1)) != 0;
  }
};

// The 17 digits by way of the standard library, for reals outside the range of the exact
// integer method below. to_chars rounds correctly, a tie to even.
decimal by_to_chars(double magnitude) {
  std::array<char, 40> text{};
  // "d.dddddddddddddddde+dd": one digit, the point, 16 digits, then the exponent.
  const auto end = std::to_chars(text.data(), text.data() + text.size(), magnitude,
                                 std::chars_format::scientific, first_digits - 1)
                       .ptr;
  decimal d;
  d.digits = static_cast<std::uint64_t>(text[0] - '0');
  for (int i = 2; i <= first_digits; ++i)
    d.digits = d.digits * 10 + static_cast<std::uint64_t>(text[static_cast<std::size_t>(i)] - '0');
  int power = 0;
  for (const char* p = text.data() + first_digits + 3; p < end; ++p)
    power = power * 10 + (*p - '0');
  d.exponent = (text[first_digits + 2] == '-' ? -power : power) + 1;
  return d;
}

// Exact products of a real's binary digits with a power of five; a GCC and Clang built-in type.
__extension__ using uint128 = unsigned __int128;

// 5^k for k up to 27, the last power below 2^64.
constexpr int five_powers = 28;
constexpr std::array<std::uint64_t, five_powers> powers_of_five = [] {
  std::array<std::uint64_t, five_powers> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}();

// digits = value x 10^q as an integer, and what its truncation dropped: half, when the dropped
// fraction is at least one half, and beyond, when it is more than that half-way digit.
struct scaled_value {
  std::uint64_t digits = 0;
  bool half = false;
  bool beyond = false;
};

// value = m x 2^e scaled by 10^q for the reals below 10^-10 (q of 28 and more), down to 2^-160:
// m x 10^q in up to 288 bits, then the binary point moved back by -e places.
[[gnu::noinline]] scaled_value scaled_long(std::uint64_t m, int e, int q) {
  wide_integer w;
  w.limb[0] = static_cast<std::uint32_t>(m);
  w.limb[1] = static_cast<std::uint32_t>(m >> 32);
  w.size = w.limb[1] != 0 ? 2 : 1;
  int left = q;
  for (; left >= 9; left -= 9) w.multiply(1'000'000'000);
  w.multiply(static_cast<std::uint32_t>(powers_of_ten[static_cast<std::size_t>(left)]));
  const auto point = static_cast<std::size_t>(-e);  // the binary point of value x 10^q
  return {w.bits_from(point), w.bit(point - 1), w.any_below(point - 1)};
}

[[gnu::noinline]] decimal decimal_by_to_chars(double v) {
  decimal d = by_to_chars(std::fabs(v));
  d.negative = std::signbit(v);
  return d;
}

}  // namespace

// Which way a tie goes at the 17th digit never shows in a field: it can only change the 17th digit
// itself, and only from even to odd.
// With value = m x 2^e and q = 17 - exponent, the digits are m x 10^q x 2^e. Reals from 10^-10
// to 10^17, all that spectra hold in practice, take 10^q as 5^q x 2^q: one product of at most
// 128 bits. The others down to 2^-160 take a longer exact multiplication.
decimal to_decimal(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  const int biased = static_cast<int>(bits >> 52 & 0x7ff);
  int e = biased == 0 ? -1074 : biased - 1075;
  if (biased != 0) m |= std::uint64_t{1} << 52;
  if (m == 0) return {};
  const int zeros = std::countr_zero(m);
  m >>= zeros;
  e += zeros;

  // value lies in [2^top, 2^(top+1)); (top * 78913) >> 18 is floor(top x log10 2) for any top a
  // double has, so the exponent is estimate or estimate + 1.
  const int top = static_cast<int>(std::bit_width(m)) - 1 + e;
  const int estimate = ((top * 78913) >> 18) + 1;
  const int q = first_digits - estimate;
  // Below 2^-160, m x 10^q would outgrow 288 bits; at 10^17 and above q is negative.
  if (top < -160 || q < 0) return decimal_by_to_chars(v);

  // digits = value x 10^q, below 2 x 10^17.
  scaled_value s;
  if (e >= 0) {
    s.digits = (m << e) * powers_of_ten[static_cast<std::size_t>(q)];
  } else if (q < five_powers) {
    // value x 10^q = m x 5^q x 2^(q + e); m x 5^q is below 2^116, and as digits >= 10^16 the
    // binary point lies below bit 117.
    const int point = -(q + e);
    const uint128 product = uint128{m} * powers_of_five[static_cast<std::size_t>(q)];
    if (point <= 0) {
      s.digits = static_cast<std::uint64_t>(product) << -point;
    } else {
      s.digits = static_cast<std::uint64_t>(product >> point);
      s.half = (static_cast<std::uint64_t>(product >> (point - 1)) & 1) != 0;
      s.beyond = (product & ((uint128{1} << (point - 1)) - 1)) != 0;
    }
  } else {
    s = scaled_long(m, e, q);
  }
  std::uint64_t digits = s.digits;
  bool half = s.half;
  bool beyond = s.beyond;
  int exponent = estimate;
  if (digits >= powers_of_ten[first_digits]) {  // 18 digits: the estimate was one short
    const auto last = digits % 10;
    digits /= 10;
    beyond = beyond || half || last % 5 != 0;
    half = last >= 5;
    ++exponent;
  }
  if (half && (beyond || digits % 2 != 0) && ++digits == powers_of_ten[first_digits]) {
    digits /= 10;
    ++exponent;
  }
  return {digits, exponent, std::signbit(v)};
}

}  // namespace recio
