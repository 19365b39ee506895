// recio/number_parse.cpp: numbers as they are read, free-form and from Iw and Fw.d fields.
#include "recio/number_parse.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <system_error>
#include <type_traits>

namespace recio {

namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Every value halfway between two floats has at most 113 significant decimal digits, and between
// two doubles at most 767, so the first 120 or 770 digits, with a 1 standing in for any nonzero
// digit dropped after them, round to the same real as the whole digit string.
template <class real>
constexpr std::size_t kept_digits = std::is_same_v<real, float> ? 120 : 770;
// Exponents are held within this bound: anything beyond it is far outside the double range.
constexpr std::int64_t exponent_bound = 1'000'000;
// Magnitudes are held within this bound, far above any 32-bit integer.
constexpr std::uint64_t magnitude_bound = 1'000'000'000'000'000'000;

// Reads an optional sign at text[at]; true when it is a minus.
bool take_sign(std::string_view text, std::size_t& at) {
  if (at == text.size() || (text[at] != '+' && text[at] != '-')) return false;
  return text[at++] == '-';
}

// ---- The common case ----

// Nearly every number read has a few digits and a small exponent, such as -7.3127151E-01: it is
// read with short_real's pieces.
using namespace short_real;
// Longer texts go the exact way, which keeps every count below far from overflow.
constexpr std::size_t short_text = 256;

// Reads the common case; false sends the text the exact way, which also judges every text that
// is not a number. A double rounded correctly and then to single precision gives the float
// nearest to the number unless that double is exactly halfway between two floats: no such
// halfway point can lie strictly between the number and its nearest double, since every one of
// them is a double itself. So halfway doubles go the exact way, and so do values outside the
// normal single-precision range. A double variable takes the correctly rounded double itself.
template <class real>
bool read_short_real(std::string_view text, real& v) {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (p == end || text.size() > short_text) return false;
  const bool negative = *p == '-';
  if (negative || *p == '+') ++p;
  // value = digits x 10^(exponent - decimals); with at most 19 digits, leading zeros included,
  // the digits cannot wrap around.
  std::uint64_t digits = 0;
  const char* const mantissa = p;
  p = take_digits(p, end, digits);
  auto digit_count = p - mantissa;
  int decimals = 0;
  if (p != end && *p == '.') {
    const char* const fraction = ++p;
    p = take_digits(p, end, digits);
    decimals = static_cast<int>(p - fraction);
    digit_count += decimals;
  }
  if (digit_count == 0 || digit_count > short_digits) return false;
  int exponent = 0;
  if (p != end) {
    if (!is_exponent_letter(*p)) return false;
    ++p;
    const bool exponent_negative = p != end && *p == '-';
    if (p != end && (exponent_negative || *p == '+')) ++p;
    if (p == end || end - p > 4) return false;
    for (; p != end; ++p) {
      const int digit = *p - '0';
      if (digit < 0 || digit > 9) return false;
      exponent = exponent * 10 + digit;
    }
    if (exponent_negative) exponent = -exponent;
  }
  if (digits == 0) {
    v = negative ? -real{0} : real{0};
    return true;
  }

  real magnitude = 0;
  if (!nearest_real(digits, exponent - decimals, magnitude)) return false;
  v = negative ? -magnitude : magnitude;
  return true;
}

// ---- Every other case ----

// Kept out of line: folded into parse_real, its frame would be set up and torn down for the
// common case too.
template <class real>
[[gnu::noinline]] io_error parse_real_exactly(std::string_view text, real& v) {
  // The number is rewritten as digits and a decimal exponent, value = digits * 10^scale, for a
  // conversion rounded once, straight to the variable's precision.
  std::array<char, kept_digits<real> + 32> plain{};
  std::size_t used = 0;
  std::size_t at = 0;
  const bool negative = take_sign(text, at);
  if (negative) plain[used++] = '-';
  const std::size_t first_digit = used;
  std::int64_t scale = 0;
  bool any_digit = false;
  bool dropped_nonzero = false;
  bool after_point = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '.' && !after_point) {
      after_point = true;
      continue;
    }
    if (!is_digit(c)) break;
    any_digit = true;
    if (used == first_digit && c == '0') {
      if (after_point) --scale;  // a leading zero only moves the point
    } else if (used - first_digit < kept_digits<real>) {
      plain[used++] = c;
      if (after_point) --scale;
    } else {
      dropped_nonzero = dropped_nonzero || c != '0';
      if (!after_point) ++scale;
    }
  }
  if (!any_digit) return io_error::invalid_real;
  std::int64_t exponent = 0;
  if (at < text.size() && is_exponent_letter(text[at])) {
    ++at;
    const bool exponent_negative = take_sign(text, at);
    const std::size_t exponent_start = at;
    for (; at < text.size() && is_digit(text[at]); ++at)
      exponent = std::min(exponent * 10 + (text[at] - '0'), exponent_bound);
    if (at == exponent_start) return io_error::invalid_real;
    if (exponent_negative) exponent = -exponent;
  }
  if (at != text.size()) return io_error::invalid_real;

  if (used == first_digit) {
    v = negative ? -real{0} : real{0};
    return io_error::none;
  }
  if (dropped_nonzero) {
    plain[used++] = '1';
    --scale;
  }
  const auto digit_count = static_cast<std::int64_t>(used - first_digit);
  const std::int64_t power = std::clamp(scale + exponent, -exponent_bound, exponent_bound);
  plain[used++] = 'e';
  const auto [end, ec] = std::to_chars(plain.data() + used, plain.data() + plain.size(), power);
  if (ec != std::errc{}) return io_error::invalid_real;
  real value = 0;
  const auto result = std::from_chars(plain.data(), end, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Reported both ways: a value below 1 has underflowed, and takes the zero it rounds to.
    if (power + digit_count > 0) return io_error::real_out_of_range;
    value = negative ? -real{0} : real{0};
  } else if (result.ec != std::errc{} || result.ptr != end) {
    return io_error::invalid_real;
  }
  v = value;
  return io_error::none;
}

}  // namespace

io_error parse_real(std::string_view text, float& v) {
  if (read_short_real(text, v)) return io_error::none;
  return parse_real_exactly(text, v);
}

io_error parse_real(std::string_view text, double& v) {
  if (read_short_real(text, v)) return io_error::none;
  return parse_real_exactly(text, v);
}

io_error parse_integer(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& v) {
  std::size_t at = 0;
  const bool negative = take_sign(text, at);
  const std::size_t digits_start = at;
  std::uint64_t magnitude = 0;
  for (; at < text.size() && is_digit(text[at]); ++at)
    magnitude =
        std::min(magnitude * 10 + static_cast<std::uint64_t>(text[at] - '0'), magnitude_bound);
  if (at == digits_start || at != text.size()) return io_error::invalid_integer;
  const auto signed_magnitude = static_cast<std::int64_t>(magnitude);
  const std::int64_t value = negative ? -signed_magnitude : signed_magnitude;
  if (value < min || value > max) return io_error::integer_out_of_range;
  v = value;
  return io_error::none;
}

}  // namespace recio
