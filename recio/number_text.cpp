// recio/number_text.cpp: the fewest digits of a double, as fmt's Dragonbox finds them, laid out
// as std::to_chars lays out its own: the same text at a third of the cost, which matters where
// every value of a table is written this way.
#include "recio/number_text.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "recio/decimal_digits.hpp"

namespace recio {
namespace {

// The count decimal digits of n, written so that they end at end.
void put_digits_before(char* end, std::uint64_t n, int count) {
  for (; count >= 2; count -= 2, n /= 100) {
    end -= 2;
    std::memcpy(end, digit_pairs.data() + 2 * (n % 100), 2);
  }
  if (count == 1) end[-1] = static_cast<char>('0' + n);
}

}  // namespace

void append_shortest_double(std::string& out, double v, bool plain) {
  // 0, the words and the values far from 1 come from to_chars itself: where the fixed form of a
  // large value shows more digits than the shortest, it has its own rule for them.
  if (v == 0 || !std::isfinite(v) || std::fabs(v) < 1e-20 || std::fabs(v) >= 1e16) {
    append_shortest<double>(out, v, plain);
    return;
  }
  const auto d = fmt::detail::dragonbox::to_decimal(std::fabs(v));
  const int n = digit_count(d.significand);
  const int exponent = d.exponent;          // v = significand x 10^exponent
  const int scientific = exponent + n - 1;  // v = d.ddd x 10^scientific
  // Each form's length without the sign: to_chars takes the shorter, the fixed one on a tie.
  const int fixed_length = exponent >= 0 ? n + exponent : n > -exponent ? n + 1 : 2 - exponent;
  const int scientific_length = n + (n > 1 ? 1 : 0) + 2 + (std::abs(scientific) >= 100 ? 3 : 2);
  std::array<char, 48> text;
  char* p = text.data();
  if (v < 0) *p++ = '-';
  if (!plain && scientific_length < fixed_length) {
    // The digits one place on, then the first moved before the point.
    put_digits_before(p + 1 + n, d.significand, n);
    p[0] = p[1];
    if (n > 1) {
      p[1] = '.';
      p += n + 1;
    } else {
      p += 1;
    }
    *p++ = 'e';
    *p++ = scientific < 0 ? '-' : '+';
    const int size = std::abs(scientific);
    const int width = size >= 100 ? 3 : 2;
    put_digits_before(p + width, static_cast<std::uint64_t>(size), width);
    p += width;
  } else if (exponent >= 0) {
    put_digits_before(p + n, d.significand, n);
    p = std::fill_n(p + n, exponent, '0');
  } else if (n > -exponent) {
    // The whole part, the point, then the decimals.
    const int whole = n + exponent;
    put_digits_before(p + n + 1, d.significand, n);
    std::memmove(p, p + 1, static_cast<std::size_t>(whole));
    p[whole] = '.';
    p += n + 1;
  } else {
    *p++ = '0';
    *p++ = '.';
    p = std::fill_n(p, -exponent - n, '0');
    put_digits_before(p + n, d.significand, n);
    p += n;
  }
  out.append(text.data(), p);
}

}  // namespace recio
