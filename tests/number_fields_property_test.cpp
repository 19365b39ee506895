// tests/number_fields_property_test.cpp: real fields against an exact reference, 10^7 floats.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "recio/number_fields.hpp"
#include "recio/number_text.hpp"
#include "tests/support/reference_fields.hpp"

namespace recio {
namespace {

// ---- The reference ----
// Written apart from the program: the exact decimal expansion of the float, its 17 significant
// digits (a tie going to the even digit), then half up to the digits the field shows.

using u128 = unsigned __int128;

constexpr std::uint64_t ten_to_17 = 100'000'000'000'000'000u;

template <typename T, std::size_t n>
constexpr std::array<T, n> powers_of(T base) {
  std::array<T, n> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < n; ++i) p[i] = p[i - 1] * base;
  return p;
}
constexpr auto u64_powers_of_ten = powers_of<std::uint64_t, 18>(10);
constexpr auto u128_powers_of_ten = powers_of<u128, 39>(10);
constexpr auto u128_powers_of_five = powers_of<u128, 45>(5);

// A float's magnitude is m x 2^e with m < 2^24; zero has m = 0.
struct binary_value {
  std::uint32_t m = 0;
  int e = 0;
  bool negative = false;
};

binary_value split(std::uint32_t bits) {
  const std::uint32_t biased = bits >> 23 & 0xff;
  const std::uint32_t fraction = bits & 0x7fffff;
  return {.m = biased == 0 ? fraction : fraction | 0x800000u,
          .e = biased == 0 ? -149 : static_cast<int>(biased) - 150,
          .negative = bits >> 31 != 0};
}

// value = digits x 10^(exponent - 17), digits in [10^16, 10^17); zero has digits 0, exponent 0.
struct decimal17 {
  std::uint64_t digits = 0;
  int exponent = 0;
  bool negative = false;
};

// The value is N x 10^scale with N an integer whose decimal digits are `all` (no leading 0);
// N is rounded to 17 digits, a tie going to the even digit.
decimal17 round_to_17(std::string_view all, int scale, bool negative) {
  const auto count = static_cast<int>(all.size());
  decimal17 d{.digits = 0, .exponent = count + scale, .negative = negative};
  for (std::size_t i = 0; i < 17; ++i)
    d.digits = d.digits * 10 + (i < all.size() ? static_cast<std::uint64_t>(all[i] - '0') : 0);
  if (count > 17) {
    const std::string_view rest = all.substr(17);
    const bool more = rest.find_first_not_of('0', 1) != std::string_view::npos;
    if (rest[0] > '5' || (rest[0] == '5' && (more || d.digits % 2 == 1))) ++d.digits;
    if (d.digits == ten_to_17) {
      d.digits /= 10;
      ++d.exponent;
    }
  }
  return d;
}

// Any float: N = m x 2^e, or m x 5^-e for a value of N x 10^e, in 32-bit limbs, written out in
// base 10^9 and then digit by digit.
decimal17 digits_by_big_integer(std::uint32_t bits) {
  const binary_value b = split(bits);
  if (b.m == 0) return {.digits = 0, .exponent = 0, .negative = b.negative};
  std::array<std::uint32_t, 16> limbs{b.m};
  std::size_t used = 1;
  const auto multiply = [&](std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < used; ++i) {
      const std::uint64_t p = std::uint64_t{limbs[i]} * factor + carry;
      limbs[i] = static_cast<std::uint32_t>(p);
      carry = p >> 32;
    }
    if (carry != 0) limbs[used++] = static_cast<std::uint32_t>(carry);
  };
  for (int left = b.e; left > 0; left -= 31) multiply(std::uint32_t{1} << std::min(left, 31));
  for (int left = -b.e; left > 0; left -= 13)
    multiply(static_cast<std::uint32_t>(
        u128_powers_of_five[static_cast<std::size_t>(std::min(left, 13))]));
  std::array<std::uint32_t, 16> chunks{};  // base 10^9, the lowest first
  std::size_t chunk_count = 0;
  while (used > 0) {
    std::uint64_t remainder = 0;
    for (std::size_t i = used; i-- > 0;) {
      const std::uint64_t current = remainder << 32 | limbs[i];
      limbs[i] = static_cast<std::uint32_t>(current / 1'000'000'000u);
      remainder = current % 1'000'000'000u;
    }
    chunks[chunk_count++] = static_cast<std::uint32_t>(remainder);
    while (used > 0 && limbs[used - 1] == 0) --used;
  }
  std::array<char, 16 * 9> text;
  std::size_t length = 0;
  for (std::size_t c = chunk_count; c-- > 0; length += 9)
    for (std::size_t i = 9, chunk = chunks[c]; i-- > 0; chunk /= 10)
      text[length + i] = static_cast<char>('0' + chunk % 10);
  std::string_view all(text.data(), length);
  all.remove_prefix(all.find_first_not_of('0'));
  return round_to_17(all, std::min(b.e, 0), b.negative);
}

// The same where N fits 128 bits (e from -44 up): one division gives the 17 digits and the rest.
decimal17 digits_by_u128(std::uint32_t bits) {
  const binary_value b = split(bits);
  if (b.m == 0) return {.digits = 0, .exponent = 0, .negative = b.negative};
  const u128 n =
      b.e >= 0 ? u128{b.m} << b.e : u128{b.m} * u128_powers_of_five[static_cast<std::size_t>(-b.e)];
  std::size_t count = 1;
  while (count < u128_powers_of_ten.size() && n >= u128_powers_of_ten[count]) ++count;
  decimal17 d{
      .digits = 0, .exponent = static_cast<int>(count) + std::min(b.e, 0), .negative = b.negative};
  if (count <= 17) {
    d.digits = static_cast<std::uint64_t>(n * u128_powers_of_ten[17 - count]);
    return d;
  }
  const u128 unit = u128_powers_of_ten[count - 17];
  d.digits = static_cast<std::uint64_t>(n / unit);
  const u128 twice_rest = n % unit * 2;
  if (twice_rest > unit || (twice_rest == unit && d.digits % 2 == 1)) ++d.digits;
  if (d.digits == ten_to_17) {
    d.digits /= 10;
    ++d.exponent;
  }
  return d;
}

decimal17 reference_digits(std::uint32_t bits) {
  return split(bits).e >= -44 ? digits_by_u128(bits) : digits_by_big_integer(bits);
}

// value = kept x 10^scale after rounding half up.
struct kept_digits {
  std::uint64_t kept = 0;
  int scale = 0;
};

// Keeps `keep` significant digits (at most 17; none or fewer than none rounds at or above the
// first digit), looking only at the first dropped digit.
kept_digits round_half_up(const decimal17& d, int keep) {
  if (d.digits == 0 || keep < 0) return {};
  if (keep >= 17) return {d.digits, d.exponent - 17};
  const auto dropped = static_cast<std::size_t>(17 - keep);
  std::uint64_t kept = d.digits / u64_powers_of_ten[dropped];
  if (d.digits / u64_powers_of_ten[dropped - 1] % 10 >= 5) ++kept;
  return {kept, d.exponent - keep};
}

struct text {
  std::array<char, 128> c;  // only the first `length` are read
  int length = 0;
  void add(char ch) { c[static_cast<std::size_t>(length++)] = ch; }
  void add(std::string_view s) {
    for (const char ch : s) add(ch);
  }
  void add_repeated(char ch, int n) {
    for (int i = 0; i < n; ++i) add(ch);
  }
  void add_number(std::uint64_t v, int min_digits) {
    std::array<char, 24> reversed{};
    int n = 0;
    do {
      reversed[static_cast<std::size_t>(n++)] = static_cast<char>('0' + v % 10);
      v /= 10;
    } while (v != 0);
    add_repeated('0', min_digits - n);
    while (n > 0) add(reversed[static_cast<std::size_t>(--n)]);
  }
};

void justify(char* out, int width, const text& body) {
  if (body.length > width) {
    std::fill_n(out, width, '*');
    return;
  }
  std::fill_n(out, width - body.length, ' ');
  std::copy_n(body.c.data(), body.length, out + width - body.length);
}

// kept x 10^scale with `decimals` digits after the point and no 0 before it.
void add_fixed_digits(text& t, const kept_digits& k, int decimals) {
  text kept;
  kept.add_number(k.kept, 1);
  const int length = kept.length + k.scale + decimals;  // zeros follow the kept digits
  const auto digit = [&](int i) {
    return i < kept.length ? kept.c[static_cast<std::size_t>(i)] : '0';
  };
  const int before_point = length - decimals;
  for (int i = 0; i < before_point; ++i) t.add(digit(i));
  t.add('.');
  t.add_repeated('0', -before_point);
  for (int i = std::max(before_point, 0); i < length; ++i) t.add(digit(i));
}

void add_exponent(text& t, int exponent) {
  const int size = std::abs(exponent);
  if (size <= 99) t.add('E');
  t.add(exponent < 0 ? '-' : '+');
  t.add_number(static_cast<std::uint64_t>(size), size <= 99 ? 2 : 3);
}

void reference_fixed(char* out, int width, int decimals, const decimal17& d, int significant = 7) {
  const kept_digits k = round_half_up(d, std::min(significant, d.exponent + decimals));
  text t;
  if (k.kept == 0) {
    if (decimals == 0) t.add('0');
    t.add('.');
    t.add_repeated('0', decimals);
  } else {
    if (d.negative) t.add('-');
    add_fixed_digits(t, k, decimals);
  }
  justify(out, width, t);
}

void reference_exponent(char* out, int width, int digits, const decimal17& d) {
  const int keep = std::min(7, digits);
  kept_digits k = round_half_up(d, keep);
  int exponent = d.exponent;
  if (k.kept == u64_powers_of_ten[static_cast<std::size_t>(keep)]) {
    k.kept /= 10;
    ++exponent;
  }
  text t;
  if (k.kept != 0 && d.negative) t.add('-');
  t.add('.');
  t.add_number(k.kept, keep);
  t.add_repeated('0', digits - keep);
  add_exponent(t, k.kept == 0 ? 0 : exponent);
  justify(out, width, t);
}

void reference_free_real(char* out, const decimal17& d) {
  text t;
  if (d.digits == 0) {
    t.add("0.000000E+00");
  } else {
    if (d.negative) t.add('-');
    kept_digits k = round_half_up(d, 7);
    if (d.exponent >= 1 && d.exponent <= 7) {
      add_fixed_digits(t, k, 6);
    } else {
      int exponent = d.exponent;
      if (k.kept == 10'000'000) {
        k.kept /= 10;
        ++exponent;
      }
      t.add(static_cast<char>('0' + k.kept / 1'000'000));
      t.add('.');
      t.add_number(k.kept % 1'000'000, 6);
      add_exponent(t, exponent - 1);
    }
  }
  justify(out, free_real_width, t);
}

// ---- The reference against the published renderings ----

std::string reference_string(std::uint32_t bits, char kind, int width, int digits) {
  std::string s(static_cast<std::size_t>(width), '#');
  const decimal17 d = reference_digits(bits);
  if (kind == 'F') reference_fixed(s.data(), width, digits, d);
  if (kind == 'E') reference_exponent(s.data(), width, digits, d);
  if (kind == 'G') reference_free_real(s.data(), d);
  return s;
}

TEST(reference_fields, match_the_reference_renderings) {
  bool malformed = false;
  const std::vector<test_support::reference_row> rows = test_support::reference_rows(malformed);
  if (rows.empty() && !malformed) GTEST_SKIP() << "no reference renderings beside the project";
  ASSERT_FALSE(malformed);
  int mismatches = 0;
  for (const test_support::reference_row& row : rows) {
    const std::string got[] = {
        reference_string(row.bits, 'F', 9, 3), reference_string(row.bits, 'F', 10, 2),
        reference_string(row.bits, 'F', 11, 5), reference_string(row.bits, 'E', 14, 7),
        reference_string(row.bits, 'G', 15, 0)};
    for (std::size_t i = 0; i < row.shown.size(); ++i)
      if ("[" + got[i] + "]" != row.shown[i] && ++mismatches <= 10)
        ADD_FAILURE() << "bits " << std::hex << row.bits << std::dec << " "
                      << test_support::reference_field_names[i] << ": want " << row.shown[i]
                      << ", reference [" << got[i] << "]";
  }
  EXPECT_EQ(rows.size(), 52326u);
  EXPECT_EQ(mismatches, 0);
}

TEST(reference_fields, get_the_same_digits_both_ways) {
  // The 128-bit way covers the exponents -44 to 104 of m x 2^e: biased exponents 106 to 254.
  int mismatches = 0;
  for (std::uint32_t bits = 106u << 23; bits < 255u << 23; bits += 7919) {
    const decimal17 a = digits_by_u128(bits);
    const decimal17 b = digits_by_big_integer(bits);
    if ((a.digits != b.digits || a.exponent != b.exponent) && ++mismatches <= 5)
      ADD_FAILURE() << "bits " << std::hex << bits << ": " << std::dec << a.digits << "e"
                    << a.exponent << " against " << b.digits << "e" << b.exponent;
  }
  EXPECT_EQ(mismatches, 0);
}

// clang-format off
TEST(reference_fields, give_the_known_looks) {
  const auto f = [](float v) { return std::bit_cast<std::uint32_t>(v); };
  EXPECT_EQ(reference_string(f(0.5f), 'F', 9, 3),         "     .500");
  EXPECT_EQ(reference_string(f(-0.0004f), 'F', 9, 3),     "     .000");
  EXPECT_EQ(reference_string(f(-0.3f), 'F', 4, 0),        "  0.");
  EXPECT_EQ(reference_string(f(0.0005f), 'F', 9, 3),      "     .001");
  EXPECT_EQ(reference_string(f(12345.678f), 'F', 11, 5),  "12345.68000");
  EXPECT_EQ(reference_string(f(-0.5f), 'F', 4, 3),        "****");
  EXPECT_EQ(reference_string(f(0.0f), 'E', 14, 7),        "  .0000000E+00");
  EXPECT_EQ(reference_string(f(1e-5f), 'E', 14, 7),       "  .1000000E-04");
  EXPECT_EQ(reference_string(f(0.125f), 'E', 10, 2),      "   .13E+00");
  EXPECT_EQ(reference_string(f(-0.5f), 'E', 30, 22),      "  -.5000000000000000000000E+00");
  EXPECT_EQ(reference_string(f(1.0f), 'E', 11, 7),        "***********");
  EXPECT_EQ(reference_string(f(-0.0f), 'G', 15, 0),       "   0.000000E+00");
  EXPECT_EQ(reference_string(f(12345685.0f), 'G', 15, 0), "   1.234569E+07");
  EXPECT_EQ(reference_string(f(-9999999.0f), 'G', 15, 0), "-9999999.000000");
  EXPECT_EQ(reference_string(1, 'G', 15, 0),              "   1.401298E-45");
}
// clang-format on

// ---- The floats ----

enum class family : std::uint8_t {
  near_ties_of_17_digits,
  extremes,
  powers_of_ten,
  overflow_edges,
  negatives_to_zero,
  exact_ties,
  decimal_ties,
  denormals,
  random_bits,
};
constexpr std::size_t family_count = static_cast<std::size_t>(family::random_bits) + 1;
constexpr std::array<std::string_view, family_count> family_names = {
    "17 digits near a tie they do not have",
    "largest, smallest, zero",
    "around powers of ten",
    "F-field overflow edges",
    "negatives that round to 0",
    "exact ties",
    "nearest to decimal ties",
    "denormals",
    "pseudo-random bit patterns"};

// A float to check in every common field, plus one F and one E field aimed at where it is
// hard; a width of 0 leaves them to the bits.
struct candidate {
  std::uint32_t bits = 0;
  family from = family::random_bits;
  std::uint8_t f_width = 0;
  std::uint8_t f_decimals = 0;
  std::uint8_t e_digits = 0;
};

constexpr std::uint32_t largest_magnitude = 0x7f7fffff;
constexpr std::uint32_t sign_bit = 0x80000000;

// Murmur's finaliser: a bijection of 32 bits, so no pattern comes twice.
constexpr std::uint32_t mix(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x85ebca6bu;
  x ^= x >> 13;
  x *= 0xc2b2ae35u;
  x ^= x >> 16;
  return x;
}

// The chosen floats; a smaller run keeps every stride-th of each family but the first.
class float_list {
 public:
  explicit float_list(std::size_t stride) : stride_(stride) { all.reserve(5'500'000 / stride); }

  std::vector<candidate> all;

  void add(const candidate& c) {
    if (c.from == family::near_ties_of_17_digits ||
        seen_[static_cast<std::size_t>(c.from)]++ % stride_ == 0)
      all.push_back(c);
  }

  // Both signs of every magnitude from center - below to center + above.
  void add_around(std::uint32_t center, std::uint32_t below, std::uint32_t above, family from,
                  candidate aim = {}, bool positive = true, bool negative = true) {
    const std::uint32_t low = center - std::min(center, below);
    const std::uint32_t high = center + std::min(largest_magnitude - center, above);
    for (std::uint32_t m = low;; ++m) {
      aim.from = from;
      aim.bits = m;
      if (positive) add(aim);
      aim.bits = m | sign_bit;
      if (negative) add(aim);
      if (m == high) break;
    }
  }

 private:
  std::size_t stride_;
  std::array<std::size_t, family_count> seen_{};
};

// The magnitude of the float nearest to v (v finite, not negative, within the float range).
std::uint32_t nearest_magnitude(double v) {
  return std::bit_cast<std::uint32_t>(static_cast<float>(v)) & ~sign_bit;
}
constexpr double largest_float = 3.4028234663852886e38;

double power_of_ten(int n) { return std::pow(10.0, n); }

// Floats next to a decimal value whose last digit is 5 just past the place a field rounds to:
// for every decimal exponent and every count of kept digits 0 to 7, every tie or 600 of them.
void add_decimal_ties(float_list& list) {
  std::uint64_t seed = 0x9e3779b97f4a7c15u;
  for (int n = -44; n <= 39; ++n) {
    for (int keep = 0; keep <= 7; ++keep) {
      const std::uint64_t first = keep == 0 ? 0 : u64_powers_of_ten[keep - 1];
      const std::uint64_t end = keep == 0 ? 1 : u64_powers_of_ten[keep];
      std::vector<std::uint64_t> kept;
      if (end - first <= 600) {
        for (std::uint64_t r = first; r < end; ++r) kept.push_back(r);
      } else {
        for (std::uint64_t lead = 1; lead <= 9; ++lead) {
          kept.push_back(lead * first);              // d000|5
          kept.push_back(lead * first + first - 1);  // d999|5: a carry through every digit
        }
        while (kept.size() < 600) {
          seed = seed * 6364136223846793005u + 1442695040888963407u;
          kept.push_back(first + (seed >> 20) % (end - first));
        }
      }
      candidate aim{.e_digits = static_cast<std::uint8_t>(std::max(keep, 1))};
      if (keep - n >= 0 && keep - n <= 40) {
        aim.f_decimals = static_cast<std::uint8_t>(keep - n);
        aim.f_width = static_cast<std::uint8_t>(std::max(n, 0) + keep - n + 3);
      }
      for (const std::uint64_t r : kept) {
        const double tie = static_cast<double>(2 * r + 1) * 5 * power_of_ten(n - keep - 1);
        if (tie > largest_float) continue;
        list.add_around(nearest_magnitude(tie), 2, 2, family::decimal_ties, aim);
      }
    }
  }
}

// Every float that is itself a tie for some field: a value of at most 8 significant digits, the
// last of them 5, is m x 2^-k with m odd and k from 0 to 11, m x 5^k below 10^8 (for k = 0, m
// ends in 5). All of them for k from 3 up, an even share of the many with k = 0, 1 and 2, each
// with one sign.
void add_exact_ties(float_list& list) {
  for (int k = 0; k <= 11; ++k) {
    const auto five = static_cast<std::uint64_t>(u128_powers_of_five[static_cast<std::size_t>(k)]);
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{1} << 24, 100'000'000 / five);
    const std::uint64_t step = k == 0 ? 40 : k == 1 ? 32 : k == 2 ? 8 : 2;
    for (std::uint64_t m = k == 0 ? 5 : 1; m < end; m += step) {
      int significant = 0;
      for (std::uint64_t n = m * five; n != 0; n /= 10) ++significant;
      const int before_point = significant - k;
      candidate aim{.bits = std::bit_cast<std::uint32_t>(std::ldexp(static_cast<float>(m), -k)) |
                            (mix(static_cast<std::uint32_t>(m)) & sign_bit),
                    .from = family::exact_ties,
                    .e_digits = static_cast<std::uint8_t>(std::max(significant - 1, 1))};
      if (k >= 1) {
        aim.f_decimals = static_cast<std::uint8_t>(k - 1);
        aim.f_width = static_cast<std::uint8_t>(std::max(before_point, 0) + k + 2);
      }
      list.add(aim);
    }
  }
}

// Where an F field's widest value turns to asterisks: (10^k - 1/2) x 10^(n-k) with n the
// places before the point and k the digits kept; where there is no place for a digit and a
// minus, where a negative stops rounding to 0.
void add_overflow_edges(float_list& list) {
  const auto add_edge = [&](int width, int decimals, bool negative, std::uint32_t reach) {
    const int n = width - decimals - 1 - (negative ? 1 : 0);
    const int keep = std::min(7, n + decimals);
    const double edge = n >= 0 && keep >= 1 ? (static_cast<double>(u64_powers_of_ten[keep]) - 0.5) *
                                                  power_of_ten(n - keep)
                                            : 0.5 * power_of_ten(-decimals);
    if (edge > largest_float) return;
    const candidate aim{.f_width = static_cast<std::uint8_t>(width),
                        .f_decimals = static_cast<std::uint8_t>(decimals),
                        .e_digits = 7};
    list.add_around(nearest_magnitude(edge), reach, reach, family::overflow_edges, aim, !negative,
                    negative);
  };
  for (int width = 1; width <= 24; ++width)
    for (int decimals = 0; decimals < width; ++decimals)
      for (const bool negative : {false, true}) add_edge(width, decimals, negative, 40);
  for (const auto& [width, decimals] : {std::pair{9, 3}, {10, 2}, {11, 5}})
    for (const bool negative : {false, true}) add_edge(width, decimals, negative, 5000);
}

// Negative values below half a unit of the last decimal lose their sign; the F field one column
// narrower than a minus needs shows it.
void add_negatives_to_zero(float_list& list) {
  for (int decimals = 0; decimals <= 20; ++decimals) {
    const std::uint32_t half_unit = nearest_magnitude(0.5 * power_of_ten(-decimals));
    for (std::uint32_t i = 0; i < 3000; ++i) {
      const std::uint32_t m = i < 1001 ? half_unit - 500 + i : mix(i) % half_unit;
      list.add({.bits = m | sign_bit,
                .from = family::negatives_to_zero,
                .f_width = static_cast<std::uint8_t>(decimals + 1 + i % 3),
                .f_decimals = static_cast<std::uint8_t>(decimals),
                .e_digits = 7});
    }
  }
}

// No float's 17 digits land on a tie that its exact value does not have: going through every
// float once, the closest come within 11 units of the 17th digit. These 351 come within 1000
// units, with the digits kept at that tie; a 17-digit form a little off turns them the wrong way.
struct near_tie {
  std::uint32_t bits;
  int keep;
};
constexpr near_tie near_ties_of_17_digits[] = {
    {0x00a9567d, 7}, {0x0104604a, 7}, {0x01263e63, 7}, {0x01481c7c, 7}, {0x0169fa95, 7},
    {0x0185ec57, 7}, {0x01e9fa95, 6}, {0x0249a889, 7}, {0x0269fa95, 6}, {0x02d9d18f, 7},
    {0x02fa239b, 7}, {0x0361e612, 7}, {0x03720f18, 7}, {0x03811c0f, 7}, {0x03c19406, 7},
    {0x04093092, 7}, {0x04319721, 7}, {0x04893092, 6}, {0x04a5624c, 7}, {0x04cdc8db, 7},
    {0x0517496f, 7}, {0x058b149a, 7}, {0x05cface3, 7}, {0x060a2296, 7}, {0x064ebadf, 7},
    {0x0689a994, 7}, {0x06ce41dd, 7}, {0x0707c58c, 7}, {0x074f33e1, 7}, {0x0788f411, 7},
    {0x07ce055c, 7}, {0x082c13f9, 7}, {0x08712544, 7}, {0x089a8405, 7}, {0x08a9b6ef, 7},
    {0x091bb28a, 7}, {0x093da3ed, 7}, {0x095f9550, 7}, {0x0991bc0b, 7}, {0x09bda3ed, 6},
    {0x0a27affc, 7}, {0x0b0bbd52, 7}, {0x0b659409, 7}, {0x0bd19bfb, 7}, {0x0c1fb560, 7},
    {0x0c5b927a, 7}, {0x0cef9010, 7}, {0x0d659145, 7}, {0x0dc7a2b8, 7}, {0x0e519a99, 7},
    {0x0e95ba0a, 7}, {0x0e9fb1eb, 7}, {0x0ed19a99, 6}, {0x0f798b66, 7}, {0x0fa4b680, 7},
    {0x10273026, 7}, {0x10d05dc6, 7}, {0x10fac839, 7}, {0x1125f353, 7}, {0x114de420, 7},
    {0x117c050c, 6}, {0x11bd03c9, 7}, {0x11e4f496, 7}, {0x12317b8e, 7}, {0x12707cd1, 7},
    {0x1297bf0a, 7}, {0x12c25be5, 7}, {0x1300ae94, 7}, {0x133fafd7, 7}, {0x137eb11a, 7},
    {0x13be59d0, 7}, {0x13fd5b13, 7}, {0x141e2e2b, 7}, {0x147802f7, 7}, {0x147eb11a, 6},
    {0x14a0da39, 7}, {0x14dd2f6e, 7}, {0x156df044, 7}, {0x15e58fd9, 7}, {0x16293aa4, 7},
    {0x162aecec, 6}, {0x1654cf03, 7}, {0x16aa13c8, 7}, {0x17546271, 7}, {0x177f1dac, 7},
    {0x17d3894d, 7}, {0x17d5a827, 6}, {0x17fe4488, 7}, {0x1829dd7f, 7}, {0x185498ba, 7},
    {0x187f53f5, 7}, {0x18950798, 7}, {0x190a14ee, 7}, {0x19685f34, 7}, {0x199eead5, 7},
    {0x19c9a610, 7}, {0x19f4614b, 7}, {0x1a0f8e43, 7}, {0x1a3a497e, 7}, {0x1a8f8e43, 6},
    {0x1a973c8c, 7}, {0x1ac1f7c7, 7}, {0x1b0f8e43, 6}, {0x1b329b35, 7}, {0x1b7c0f94, 7},
    {0x1ba114bc, 7}, {0x1c3d0baf, 7}, {0x1c4e9228, 7}, {0x1cab8536, 7}, {0x1d4959eb, 7},
    {0x1d6550de, 7}, {0x1dac7417, 7}, {0x1e011b59, 7}, {0x1e4a48cc, 7}, {0x1ffcdaff, 7},
    {0x203d1d6a, 7}, {0x20613cb3, 7}, {0x2082adfe, 7}, {0x20a6cd47, 7}, {0x20caec90, 7},
    {0x21682446, 7}, {0x2218316c, 7}, {0x227da7b4, 7}, {0x22b18efe, 7}, {0x237a9a45, 7},
    {0x23bb3058, 7}, {0x23be3dc7, 7}, {0x241d0219, 7}, {0x245c6c06, 7}, {0x24ad9ff0, 7},
    {0x25200f88, 6}, {0x2569fc6e, 7}, {0x256d09dd, 7}, {0x25c505fb, 7}, {0x2631040a, 7},
    {0x265907ec, 7}, {0x268085e7, 7}, {0x26b41179, 7}, {0x26c8136a, 6}, {0x26dc155b, 7},
    {0x27d34414, 7}, {0x27e74605, 7}, {0x27fb47f6, 7}, {0x2811a5ec, 7}, {0x2825a7dd, 7},
    {0x28534414, 7}, {0x28cdabbf, 7}, {0x291e730f, 7}, {0x29813e62, 7}, {0x29b60f67, 7},
    {0x29f74c1a, 7}, {0x29fce46f, 7}, {0x2a013e62, 7}, {0x2a06d6b7, 7}, {0x2a7ce46f, 6},
    {0x2ac1dd93, 7}, {0x2ac775e8, 7}, {0x2b245a25, 7}, {0x2b64f956, 7}, {0x2bd9c8ac, 7},
    {0x2c100019, 7}, {0x2c331bdc, 7}, {0x2c56379f, 7}, {0x2c795362, 7}, {0x2d0654e5, 7},
    {0x2d65fcfa, 7}, {0x2da970a8, 7}, {0x2ddfe2d3, 7}, {0x2e0b2a7f, 7}, {0x2e7e28fc, 7},
    {0x2eb586a9, 7}, {0x2ef1f4ae, 7}, {0x2f174080, 7}, {0x2f3586a9, 7}, {0x2f53ccd2, 7},
    {0x2f7212fb, 7}, {0x300fb689, 7}, {0x30799cf2, 7}, {0x30bd10a0, 7}, {0x30cc42db, 7},
    {0x31229e99, 7}, {0x3166b4e2, 7}, {0x31d1e2c1, 7}, {0x31e6b4e2, 6}, {0x320afc85, 7},
    {0x326114fc, 7}, {0x326c54c8, 7}, {0x32e3e4ef, 7}, {0x32e984d5, 7}, {0x332e6fa3, 7},
    {0x336984d5, 6}, {0x3390e50a, 7}, {0x3413b4fd, 7}, {0x3480b7c4, 7}, {0x34be9ce9, 7},
    {0x3608fb02, 7}, {0x3620e5b5, 7}, {0x36743ed0, 7}, {0x36afc14f, 7}, {0x36e56336, 7},
    {0x377d4de9, 7}, {0x3809cba8, 7}, {0x38113975, 7}, {0x3818a742, 7}, {0x3820150f, 7},
    {0x39561f49, 7}, {0x397b444a, 7}, {0x39ac3e92, 7}, {0x3a29e0b7, 7}, {0x3aae9c6d, 7},
    {0x5a430238, 7}, {0x5a7c06b3, 7}, {0x5ac884d6, 7}, {0x5af68415, 7}, {0x5b45c387, 7},
    {0x5b794564, 7}, {0x5bad6340, 7}, {0x5bf3c2c6, 7}, {0x5c5e23ce, 7}, {0x5cd35452, 7},
    {0x5cde23ce, 6}, {0x5d4dec94, 7}, {0x5d58bc10, 7}, {0x5d8a189d, 7}, {0x5dc31d18, 7},
    {0x5df92a84, 7}, {0x5e431d18, 6}, {0x5e50a073, 7}, {0x5e9fd92d, 7}, {0x5f07758a, 7},
    {0x5f1255d2, 7}, {0x5f73e45e, 7}, {0x5faab975, 7}, {0x5fdb80bb, 7}, {0x5ff3e45e, 6},
    {0x609d211b, 7}, {0x60c5ea29, 7}, {0x6127ec64, 6}, {0x614de861, 7}, {0x61a3ed48, 7},
    {0x61f7e37a, 7}, {0x627be296, 6}, {0x62d1e77d, 6}, {0x62f1e4d0, 7}, {0x6322ed81, 7},
    {0x634ce89a, 7}, {0x6376e3b3, 7}, {0x63906f66, 7}, {0x63ba6a7f, 7}, {0x64972f02, 7},
    {0x64c12a1b, 7}, {0x64eb2534, 7}, {0x651f8db3, 7}, {0x654988cc, 7}, {0x657383e5, 7},
    {0x66305be7, 7}, {0x66865865, 7}, {0x66c121b2, 7}, {0x66fbeaff, 7}, {0x671b5a26, 7},
    {0x67739d20, 7}, {0x678a945b, 7}, {0x679b5a26, 7}, {0x67ac1ff1, 7}, {0x6858416e, 7},
    {0x68690739, 7}, {0x68b9cdca, 7}, {0x69184234, 7}, {0x698c2054, 7}, {0x69f8410b, 7},
    {0x6a3230e1, 7}, {0x6a52307e, 7}, {0x6abe52c1, 7}, {0x6ade525e, 7}, {0x6afe51fb, 7},
    {0x6b0f28cc, 7}, {0x6b2f2869, 7}, {0x6b4f2806, 7}, {0x6bd6bd32, 7}, {0x6bf6bccf, 7},
    {0x6c76bccf, 7}, {0x6cb2f2ff, 7}, {0x6d110e17, 7}, {0x6d54d7e7, 7}, {0x6dc3e573, 7},
    {0x6de5ca5b, 7}, {0x6e4d5fea, 7}, {0x6e65ca5b, 7}, {0x6ebb6c39, 7}, {0x6ee5ca5b, 6},
    {0x6f263d28, 7}, {0x6f509b4a, 7}, {0x6f7af96c, 7}, {0x7027dad8, 7}, {0x7039ce89, 7},
    {0x7091dcef, 7}, {0x70a7dad8, 6}, {0x70cfcc72, 7}, {0x713bd3a5, 7}, {0x7161c023, 7},
    {0x717bc844, 7}, {0x71d1d18e, 7}, {0x7212df7d, 7}, {0x723cd633, 7}, {0x7251d18e, 6},
    {0x7266cce9, 7}, {0x731565e0, 7}, {0x73255475, 7}, {0x73871e9e, 7}, {0x73f00765, 7},
    {0x742c7816, 7}, {0x7499cb5a, 7}, {0x74babf58, 7}, {0x76696f2e, 7}, {0x767dc33d, 7},
    {0x7721e57f, 7}, {0x77393d6a, 7}, {0x77509555, 7}, {0x7767ed40, 7}, {0x777f452b, 7},
    {0x77d09555, 6}, {0x7822a676, 7}, {0x787e8434, 7}, {0x78fe8434, 6}, {0x7910f448, 7},
    {0x793ee327, 7}, {0x79881b31, 7}, {0x79bee327, 7}, {0x79d7bd00, 7}, {0x7a2b7f8d, 7},
    {0x7a6b209a, 7}, {0x7ab5315a, 7}, {0x7af4d267, 7}, {0x7b1a39ba, 7}, {0x7b4894f4, 7},
    {0x7b86d620, 7}, {0x7bd9dac7, 7}, {0x7c27b58a, 7}, {0x7c860002, 7}, {0x7ca7b58a, 6},
    {0x7cfaba31, 7}, {0x7d26df6c, 7}, {0x7d288ba8, 7}, {0x7d7b904f, 7}, {0x7da74a7b, 7},
    {0x7dfb2540, 7}, {0x7e516d65, 7}, {0x7e92a415, 7}, {0x7ed09747, 7}, {0x7ed2ae92, 7},
    {0x7f12a415, 7},
};

std::vector<candidate> chosen_floats(std::size_t total) {
  float_list list(std::max<std::size_t>(1, 10'000'000 / total));
  for (const auto& [bits, keep] : near_ties_of_17_digits) {
    const int exponent = reference_digits(bits).exponent;
    candidate aim{.e_digits = static_cast<std::uint8_t>(keep)};
    if (keep - exponent >= 0 && keep - exponent <= 40) {
      aim.f_decimals = static_cast<std::uint8_t>(keep - exponent);
      aim.f_width = static_cast<std::uint8_t>(std::max(exponent, 0) + keep - exponent + 3);
    }
    list.add_around(bits, 0, 0, family::near_ties_of_17_digits, aim);
  }
  list.add_around(0, 0, 4096, family::extremes);
  list.add_around(0x00800000, 4096, 4096, family::extremes);
  list.add_around(largest_magnitude, 8191, 0, family::extremes);
  for (int n = -45; n <= 38; ++n)
    list.add_around(nearest_magnitude(power_of_ten(n)), 100, 100, family::powers_of_ten);
  list.add_around(nearest_magnitude(1.0), 2000, 2000, family::powers_of_ten);
  list.add_around(nearest_magnitude(1e7), 2000, 2000, family::powers_of_ten);
  add_overflow_edges(list);
  add_negatives_to_zero(list);
  add_exact_ties(list);
  add_decimal_ties(list);
  list.add_around(1, 0, 65535, family::denormals);
  list.add_around(0x007fffff, 65535, 0, family::denormals);
  for (std::uint32_t m = 1; m < 0x00800000; m += 97) list.add_around(m, 0, 0, family::denormals);
  // One of each float, counted in the first family that chose it.
  std::vector<candidate> chosen = std::move(list.all);
  std::sort(chosen.begin(), chosen.end(), [](const candidate& a, const candidate& b) {
    return a.bits != b.bits ? a.bits < b.bits : a.from < b.from;
  });
  chosen.erase(std::unique(chosen.begin(), chosen.end(),
                           [](const candidate& a, const candidate& b) { return a.bits == b.bits; }),
               chosen.end());
  // The rest at random, one in each of as many equal slices of the finite patterns (NaN and
  // infinity are words, not numbers), merged in order; a pattern already chosen gives way to the
  // next free one. The slices leave out the top 2^16 patterns, the largest negatives, so that
  // giving way never runs past the last finite one.
  constexpr std::uint64_t finite_patterns = 2 * std::uint64_t{largest_magnitude + 1};
  constexpr std::uint64_t sliced_patterns = finite_patterns - 65536;
  const auto pattern = [](std::uint64_t x) {
    return static_cast<std::uint32_t>(
        x <= largest_magnitude ? x : x - (largest_magnitude + 1) + sign_bit);
  };
  std::vector<candidate> all;
  all.reserve(total);
  auto next = chosen.begin();
  const std::uint64_t slices = total - std::min(total, chosen.size());
  std::uint64_t free_from = 0;
  for (std::uint64_t i = 0; i < slices; ++i) {
    const std::uint64_t low = i * sliced_patterns / slices;
    const std::uint64_t size = (i + 1) * sliced_patterns / slices - low;
    std::uint64_t x = std::max(free_from, low + mix(static_cast<std::uint32_t>(i)) % size);
    for (;; ++x) {
      while (next != chosen.end() && next->bits < pattern(x)) all.push_back(*next++);
      if (next == chosen.end() || next->bits != pattern(x)) break;
    }
    all.push_back({.bits = pattern(x), .from = family::random_bits});
    free_from = x + 1;
  }
  all.insert(all.end(), next, chosen.end());
  return all;
}

// ---- The property ----

struct field {
  char kind;  // F, E or G (free-form)
  int width;
  int digits;
};

std::string describe(const field& f) {
  if (f.kind == 'G') return "free-form";
  return std::string(1, f.kind) + std::to_string(f.width) + "." + std::to_string(f.digits);
}

// A field keeping 0 to 7 digits meets a tie: the 17 digits end in 5 and then zeros.
bool is_tie_for_some_field(const decimal17& d) {
  for (std::size_t dropped = 10; dropped <= 17; ++dropped)
    if (d.digits != 0 &&
        d.digits % u64_powers_of_ten[dropped] == 5 * u64_powers_of_ten[dropped - 1])
      return true;
  return false;
}

TEST(real_fields, match_the_exact_reference_for_every_chosen_float) {
  const auto start = std::chrono::steady_clock::now();
  const std::vector<candidate> floats = chosen_floats(ZOLKDF_PROPERTY_FLOATS);
  const std::chrono::duration<double> choosing = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(floats.size(), std::size_t{ZOLKDF_PROPERTY_FLOATS});
  std::array<std::size_t, family_count> ties{};
  std::array<std::size_t, family_count> counts{};
  std::size_t checks = 0;
  std::size_t mismatches = 0;
  std::int64_t previous = -1;
  for (const candidate& c : floats) {
    ASSERT_LT(previous, std::int64_t{c.bits}) << "each float once, in order";
    ASSERT_NE(c.bits >> 23 & 0xff, 0xffu) << "a finite float";
    previous = c.bits;
    ++counts[static_cast<std::size_t>(c.from)];
    const decimal17 d = reference_digits(c.bits);
    if (is_tie_for_some_field(d)) ++ties[static_cast<std::size_t>(c.from)];
    const double v = std::bit_cast<float>(c.bits);
    const std::uint32_t h = mix(c.bits ^ 0x5bd1e995u);
    const int f_decimals = c.f_width != 0 ? c.f_decimals : static_cast<int>(h % 13);
    const int f_width = c.f_width != 0 ? c.f_width : 1 + f_decimals + static_cast<int>(h >> 8) % 12;
    const int e_digits = c.e_digits != 0 ? c.e_digits : 1 + static_cast<int>(h >> 16 & 0xff) % 12;
    const int e_width = e_digits + 5 + static_cast<int>(h >> 24) % 3;
    const field fields[] = {{'F', 9, 3},
                            {'F', 10, 2},
                            {'F', 11, 5},
                            {'E', 14, 7},
                            {'G', 15, 0},
                            {'F', f_width, f_decimals},
                            {'E', e_width, e_digits}};
    for (const field& f : fields) {
      std::array<char, 64> want{};
      std::array<char, 64> got{};
      if (f.kind == 'F') {
        reference_fixed(want.data(), f.width, f.digits, d);
        put_fixed(got.data(), f.width, f.digits, v);
      } else if (f.kind == 'E') {
        reference_exponent(want.data(), f.width, f.digits, d);
        put_exponent(got.data(), f.width, f.digits, v);
      } else {
        reference_free_real(want.data(), d);
        put_free_real(got.data(), v);
      }
      ++checks;
      if (want == got) continue;
      if (++mismatches <= 8)
        ADD_FAILURE() << "bits " << std::hex << std::setw(8) << std::setfill('0') << c.bits
                      << std::dec << " (" << std::setprecision(9) << v << ") " << describe(f)
                      << ": want [" << want.data() << "], got [" << got.data() << "]";
    }
  }
  EXPECT_EQ(mismatches, 0u) << "of " << checks << " fields";
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::cout << floats.size() << " floats chosen in " << choosing.count() << " s, " << checks
            << " fields checked in " << took.count() << " s in all\n";
  for (std::size_t i = 0; i < counts.size(); ++i)
    std::cout << std::setw(10) << counts[i] << std::setw(10) << ties[i] << " ties  "
              << family_names[i] << "\n";
}

// The 17 significant digits of a double, correctly rounded as the C library prints them.
decimal17 digits_of_double(double v) {
  std::array<char, 40> text{};
  std::snprintf(text.data(), text.size(), "%.16e", std::fabs(v));  // d.dddddddddddddddde+xx
  decimal17 d;
  d.negative = std::signbit(v);
  for (const char c : std::string_view{text.data(), 18})
    if (c != '.') d.digits = d.digits * 10 + static_cast<std::uint64_t>(c - '0');
  d.exponent = std::atoi(text.data() + 19) + 1;
  return d;
}

// A 64-bit linear congruential sequence: the same values on every machine.
struct sequence {
  std::uint64_t state;
  std::uint64_t operator()() { return state = state * 6364136223846793005u + 1442695040888963407u; }
};

// Doubles of every size in F fields of up to 16 digits, as XY and Y files show x: each field as
// the reference gives it from the 17 digits, the common ones and ties among them.
TEST(full_real_fields, match_the_reference_for_doubles_of_every_size) {
  sequence next{0x9e3779b97f4a7c15u};
  std::size_t mismatches = 0;
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t r = next();
    const int decimals = 1 + static_cast<int>(r % 12);
    const int width = decimals + 2 + static_cast<int>(r >> 8) % 14;
    const double scale = std::pow(10.0, static_cast<int>(r >> 16) % 24 - 12);
    double v = static_cast<double>(next() >> 11) / 9007199254740992.0 * scale;
    if ((r >> 40 & 3) == 0) v = std::round(v * std::pow(10.0, decimals + 1)) / std::pow(10.0, decimals + 1);
    if ((r >> 42 & 1) != 0) v = -v;
    std::array<char, 64> want{};
    std::array<char, 64> got{};
    reference_fixed(want.data(), width, decimals, digits_of_double(v), 17);
    put_fixed(got.data(), width, decimals, full_real{v});
    if (want != got && ++mismatches <= 8)
      ADD_FAILURE() << std::setprecision(17) << v << " F" << width << "." << decimals << ": want ["
                    << want.data() << "], got [" << got.data() << "]";
  }
  EXPECT_EQ(mismatches, 0u);
}

// The fewest digits of a double, as CSV and JCAMP-DX write every value: the text of to_chars
// itself for doubles of every size, floats held as doubles, short decimals and whole numbers.
TEST(shortest_text, is_to_chars_own_for_every_kind_of_double) {
  sequence next{0x2545f4914f6cdd1du};
  std::size_t mismatches = 0;
  for (int i = 0; i < 400000; ++i) {
    const std::uint64_t r = next();
    double v = std::bit_cast<double>(next());
    switch (r % 5) {
      case 0: break;                                            // any bits at all
      case 1: v = static_cast<float>(std::fmod(v, 1e6)); break;  // a float
      case 2: v = static_cast<double>(r >> 20) / std::pow(10.0, static_cast<int>(r >> 8) % 12); break;
      case 3: v = static_cast<double>(static_cast<std::int64_t>(r >> 12)) * ((r & 8) ? -1 : 1); break;
      default: v = std::ldexp(static_cast<double>(r >> 11), static_cast<int>(r >> 3) % 200 - 150);
    }
    for (const bool plain : {false, true}) {
      if (plain && !(std::fabs(v) < 1e30)) continue;
      std::array<char, 400> want{};
      const auto end = plain ? std::to_chars(want.data(), want.data() + want.size(), v,
                                             std::chars_format::fixed)
                             : std::to_chars(want.data(), want.data() + want.size(), v);
      std::string got;
      append_shortest(got, v, plain);
      if (got != std::string_view(want.data(), end.ptr) && ++mismatches <= 8)
        ADD_FAILURE() << std::hexfloat << v << (plain ? " plain" : "") << ": want ["
                      << want.data() << "], got [" << got << "]";
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace recio
