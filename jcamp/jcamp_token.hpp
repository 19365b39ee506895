// jcamp/jcamp_token.hpp: the numbers of a JCAMP-DX data line, one token at a time. The integers
// of a few digits that make up nearly every data line are scanned here, inline, eight digits at a
// time; anything else is read by read_token.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "recio/text_scan.hpp"

namespace jcamp {

// The forms of the numbers of a data line. AFFN is a number as written by hand; PAC the same,
// told apart by its sign standing right after the number before it; SQZ, DIF and DUP start with
// a pseudo-digit that carries the first digit and its sign: SQZ a y value, DIF the difference
// from the y before, DUP how many times the value or difference before occurs. "?" is a missing
// value.
enum class token_kind { end, affn, pac, sqz, dif, dup, missing, bad };

struct token {
  token_kind k = token_kind::end;
  double value = 0.0;      // affn, pac, sqz, dif
  std::int64_t count = 0;  // dup
  char c = 0;              // bad: the character
};

// The first digit and sign that a pseudo-digit stands for, and its form; kind end for a character
// that is none.
struct pseudo {
  token_kind k = token_kind::end;
  int digit = 0;  // negative for a negative number
};
constexpr pseudo pseudo_digit(char c) {
  if (c == '@') return {token_kind::sqz, 0};
  if (c >= 'A' && c <= 'I') return {token_kind::sqz, c - 'A' + 1};
  if (c >= 'a' && c <= 'i') return {token_kind::sqz, -(c - 'a' + 1)};
  if (c == '%') return {token_kind::dif, 0};
  if (c >= 'J' && c <= 'R') return {token_kind::dif, c - 'J' + 1};
  if (c >= 'j' && c <= 'r') return {token_kind::dif, -(c - 'j' + 1)};
  if (c >= 'S' && c <= 'Z') return {token_kind::dup, c - 'S' + 1};
  if (c == 's') return {token_kind::dup, 9};
  return {};
}
inline constexpr std::array<pseudo, 256> pseudo_digits = [] {
  std::array<pseudo, 256> table{};
  for (std::size_t c = 0; c < table.size(); ++c) table[c] = pseudo_digit(static_cast<char>(c));
  return table;
}();

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The digits that begin the 8 characters at p (all of them readable), 0 to 8 of them, and their
// value: the characters are taken as one 64-bit number, the first in its lowest byte, whatever
// the machine's byte order, and every byte judged and summed at once.
inline unsigned leading_digits(const char* p, std::uint64_t& value) {
  const auto byte = [p](unsigned i) {
    return std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
  };
  // Written out, so that the compiler makes it one load where the order of bytes allows.
  const std::uint64_t chunk =
      byte(0) | byte(1) | byte(2) | byte(3) | byte(4) | byte(5) | byte(6) | byte(7);
  constexpr std::uint64_t high = 0xF0F0F0F0F0F0F0F0;
  constexpr std::uint64_t threes = 0x3030303030303030;
  // A digit is 0x30 to 0x39: its high half 3, and still 3 with 6 added to its low half. A carry
  // out of a byte that is no digit reaches only the bytes after the first such.
  const std::uint64_t not_digits =
      ((chunk & high) ^ threes) | (((chunk + 0x0606060606060606) & high) ^ threes);
  const unsigned count = not_digits == 0 ? 8u : static_cast<unsigned>(std::countr_zero(not_digits)) / 8;
  if (count == 0) return 0;
  // The digits moved to the top, zeros before them: each pair of bytes summed, then each pair of
  // pairs, then the two halves.
  std::uint64_t v = chunk << (8 * (8 - count));
  v = ((v & 0x0F0F0F0F0F0F0F0F) * 2561) >> 8;
  v = ((v & 0x00FF00FF00FF00FF) * 6553601) >> 16;
  value = ((v & 0x0000FFFF0000FFFF) * 42949672960001) >> 32;
  return count;
}

// The number at pos where it is an integer of at most 16 characters, its minus sign or
// pseudo-digit included, or a number of at most 15 digits with a point, that no exponent follows:
// summed as it is scanned, and pos moved past it. Anything else is left to read_token, which
// reads these alike. Inline wherever it is used: it runs once a number.
[[gnu::always_inline]] inline std::optional<token> number_token(std::string_view line,
                                                                std::size_t& pos, bool separated) {
  const char c = line[pos];
  const pseudo p = pseudo_digits[static_cast<unsigned char>(c)];
  token t;
  bool negative = false;
  std::uint64_t sum = 0;
  std::size_t used = 1;  // the characters of its text: a minus sign and digits
  bool point_goes_on = true;
  bool exponent_goes_on = false;
  if (p.k != token_kind::end) {
    t.k = p.k;
    negative = p.digit < 0;
    sum = static_cast<std::uint64_t>(negative ? -p.digit : p.digit);
    used = negative ? 2 : 1;
    point_goes_on = p.k != token_kind::dup;
  } else if (is_digit(c)) {
    t.k = token_kind::affn;
    sum = static_cast<std::uint64_t>(c - '0');
    exponent_goes_on = true;
  } else if (c == '+' || c == '-') {
    t.k = c == '+' || !separated ? token_kind::pac : token_kind::affn;
    negative = c == '-';
    used = negative ? 1 : 0;
    exponent_goes_on = true;
  } else {
    return std::nullopt;
  }
  std::size_t at = pos + 1;
  // Eight digits at a time while eight characters remain, then one at a time.
  constexpr std::uint64_t powers[] = {1,      10,      100,      1000,     10000,
                                      100000, 1000000, 10000000, 100000000};
  for (;;) {
    std::uint64_t value = 0;
    unsigned count = 0;
    if (line.size() - at >= 8) {
      count = leading_digits(line.data() + at, value);
    } else {
      while (count < line.size() - at && is_digit(line[at + count]))
        value = value * 10 + static_cast<std::uint64_t>(line[at + count++] - '0');
    }
    used += count;
    if (used > 16) return std::nullopt;
    sum = sum * powers[count] + value;
    at += count;
    if (count < 8) break;
  }
  if (used == (negative ? 1u : 0u)) return std::nullopt;  // a sign alone
  // A point and decimals: of 15 digits in all at most, the number is a whole number below 2^53
  // divided by a power of ten that double precision holds exactly, and that one division rounds
  // it as reading its text would.
  std::size_t decimals = 0;
  if (point_goes_on && at < line.size() && line[at] == '.') {
    const std::size_t digits = used - (negative ? 1 : 0);
    while (at + 1 + decimals < line.size() && is_digit(line[at + 1 + decimals])) {
      if (digits + ++decimals > 15) return std::nullopt;
      sum = sum * 10 + static_cast<std::uint64_t>(line[at + decimals] - '0');
    }
    if (decimals == 0) return std::nullopt;
    at += 1 + decimals;
  }
  if (at < line.size()) {
    const char next = line[at];
    if (exponent_goes_on && at + 2 < line.size() && (next == 'E' || next == 'e') &&
        (line[at + 1] == '+' || line[at + 1] == '-') && is_digit(line[at + 2]))
      return std::nullopt;
  }
  pos = at;
  if (decimals > 0) {
    constexpr double tens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double magnitude = static_cast<double>(sum) / tens[decimals];
    t.value = negative ? -magnitude : magnitude;
    return t;
  }
  t.count = negative ? -static_cast<std::int64_t>(sum) : static_cast<std::int64_t>(sum);
  t.value = static_cast<double>(t.count);
  return t;
}

// The token at pos, after its separators, that number_token does not give: any number, a
// missing value, the end of the line at "$$", a character that is no number.
token read_token(std::string_view line, std::size_t& pos, bool separated);

// The next number of a data line from pos, and pos past it; token_kind::end at the end of the line.
// Blanks, commas and semicolons separate numbers; "$$" ends the line.
// From "1 A5J3%" come AFFN 1, SQZ 15, DIF 3 and DIF 0.
[[gnu::always_inline]] inline token next_token(std::string_view line, std::size_t& pos) {
  // Whether anything stood between this number and the one before, so that PAC can be told from
  // AFFN.
  bool separated = pos == 0;
  while (pos < line.size() && (recio::is_blank(line[pos]) || line[pos] == ',' || line[pos] == ';' ||
                               line[pos] == '\0')) {
    ++pos;
    separated = true;
  }
  if (pos >= line.size()) return {};
  if (const auto number = number_token(line, pos, separated)) return *number;
  return read_token(line, pos, separated);
}

}  // namespace jcamp
