// recio/number_fields.cpp: the look of every number written: Iw, Fw.d, Ew.d and free-form.
#include "recio/number_fields.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "recio/decimal_digits.hpp"

namespace recio {

namespace {

// The dialogue writes single-precision reals, so its fields show at most 7 significant digits;
// places beyond them are written as 0. A full real shows all 17 that to_decimal gives.
constexpr int max_significant = 7;

// ---- Rounding ----

// A real rounded for its field: value = 0.d1...dcount x 10^exponent, the digits d1 to dcount
// being those of `kept`, leading zeros included; the places after them hold 0. Zero has kept 0,
// count 0, the exponent 0 and no sign.
struct rounded {
  std::uint64_t kept = 0;
  int count = 0;
  int exponent = 0;
  bool negative = false;
};

// Keeps the first `keep` digits, never more than `significant`. The first dropped digit decides:
// 0 to 4 drop the rest, 5 to 9 raise the last kept digit. With no digit kept, a first digit of 5
// to 9 becomes one unit of the place before it.
template <int significant>
rounded round_to(const decimal& d, int keep) {
  if (d.digits == 0 || keep < 0) return {};
  keep = std::min(keep, significant);
  if (keep == first_digits) return {d.digits, keep, d.exponent, d.negative};  // nothing dropped
  // The kept digits and the first dropped one, below 10^18.
  const std::uint64_t with_dropped =
      d.digits / powers_of_ten[static_cast<std::size_t>(first_digits - 1 - keep)];
  std::uint64_t kept = with_dropped / 10;
  int exponent = d.exponent;
  if (with_dropped - kept * 10 >= 5 && ++kept == powers_of_ten[static_cast<std::size_t>(keep)]) {
    // The carry ran out of the first digit.
    kept = keep == 0 ? 1 : kept / 10;
    keep = std::max(keep, 1);
    ++exponent;
  }
  if (kept == 0) return {};
  return {kept, keep, exponent, d.negative};
}

// ---- Pieces of a field's text ----

// The 7 digits of n < 10^7, leading zeros included.
void put_seven_digits(char* out, std::uint32_t n) {
  const std::uint32_t high = n / 10'000;  // below 1000
  const std::uint32_t low = n % 10'000;
  out[0] = static_cast<char>('0' + high / 100);
  std::copy_n(digit_pairs.data() + 2 * (high % 100), 2, out + 1);
  std::copy_n(digit_pairs.data() + 2 * (low / 100), 2, out + 3);
  std::copy_n(digit_pairs.data() + 2 * (low % 100), 2, out + 5);
}

// The 17 digits of n < 10^17, leading zeros included.
void put_seventeen_digits(char* out, std::uint64_t n) {
  for (int i = first_digits - 1; i >= 0; --i, n /= 10) out[i] = static_cast<char>('0' + n % 10);
}

// The places of a rounded real around its kept digits: place p, d1 being place 1, is
// at(p) for -lead < p <= significant + trail; all but the kept digits are 0.
template <int significant>
class place_text {
 public:
  static constexpr int lead = 24;
  static constexpr int trail = 24;
  static constexpr int digits = significant;

  explicit place_text(const rounded& r) {
    const std::uint64_t n = r.kept * powers_of_ten[static_cast<std::size_t>(significant - r.count)];
    if constexpr (significant == max_significant)
      put_seven_digits(text_.data() + lead, static_cast<std::uint32_t>(n));
    else
      put_seventeen_digits(text_.data() + lead, n);
  }
  const char* at(std::int64_t place) const { return text_.data() + lead - 1 + place; }

 private:
  std::array<char, lead + significant + trail> text_ = [] {
    std::array<char, lead + significant + trail> t{};
    t.fill('0');
    return t;
  }();
};

// Copies count characters. The few a field has go as two blocks of fixed size that may overlap.
void copy_text(char* out, const char* from, std::int64_t count) {
  const auto n = static_cast<std::size_t>(count);
  if (n >= 8 && n <= 16) {
    std::memcpy(out, from, 8);
    std::memcpy(out + n - 8, from + n - 8, 8);
  } else if (n >= 4 && n < 8) {
    std::memcpy(out, from, 4);
    std::memcpy(out + n - 4, from + n - 4, 4);
  } else if (n > 0 && n < 4) {
    out[0] = from[0];
    out[n / 2] = from[n / 2];
    out[n - 1] = from[n - 1];
  } else {
    std::copy_n(from, n, out);
  }
}

// Places first to first + count - 1, one by one, for fields reaching past the text.
template <class places>
char* put_far_places(char* out, const places& text, std::int64_t first, std::int64_t count) {
  for (std::int64_t place = first; place < first + count; ++place)
    *out++ = place >= 1 && place <= places::digits ? *text.at(place) : '0';
  return out;
}

// Places first to first + count - 1 of the text, from out on; places outside the kept digits
// are 0. Returns the end of what was written.
template <class places>
char* put_places(char* out, const places& text, std::int64_t first, std::int64_t count) {
  if (first <= -places::lead || first + count > places::digits + places::trail + 1)
    return put_far_places(out, text, first, count);
  copy_text(out, text.at(first), count);
  return out + count;
}

// "E", the sign and two digits; a third digit takes the place of the letter. Four characters.
char* put_exponent_part(char* out, int power) {
  const int magnitude = std::abs(power);
  if (magnitude < 100) {
    *out++ = 'E';
    *out++ = power < 0 ? '-' : '+';
  } else {
    *out++ = power < 0 ? '-' : '+';
    *out++ = static_cast<char>('0' + magnitude / 100);
  }
  std::copy_n(digit_pairs.data() + 2 * (magnitude % 100), 2, out);
  return out + 2;
}

// ---- Justification or asterisks ----

// Right-justifies a text of `length` characters in the field: fills the columns left of it with
// blanks and returns where the text begins. A text longer than the field turns the whole field
// into asterisks, and nullptr is returned.
char* justify(char* out, int width, std::int64_t length) {
  width = std::max(width, 0);
  if (length > width) {
    std::fill_n(out, width, '*');
    return nullptr;
  }
  const std::int64_t blanks = width - length;
  // A few blanks go as one block of eight, the text then written over the rest of it.
  constexpr std::string_view eight_blanks = "        ";
  if (blanks <= 8 && width >= 8)
    std::copy_n(eight_blanks.data(), 8, out);
  else
    std::fill_n(out, blanks, ' ');
  return out + blanks;
}

// NaN and infinities come only from damaged binary files: they are shown as words, never
// converted. An infinity that finds no room for "Infinity" is written "Inf".
void put_not_finite(char* out, int width, double v) {
  std::string_view word = "NaN";
  bool minus = false;
  if (!std::isnan(v)) {
    minus = v < 0;
    word = width >= 8 + (minus ? 1 : 0) ? "Infinity" : "Inf";
  }
  char* at = justify(out, width, static_cast<std::int64_t>(word.size()) + (minus ? 1 : 0));
  if (at == nullptr) return;
  if (minus) *at++ = '-';
  std::copy(word.begin(), word.end(), at);
}

// ---- Field forms ----

// Integer digits, the point, then `decimals` digits. No 0 stands before the point unless the
// field would otherwise hold no digit at all.
template <int significant>
void put_fixed_form(char* out, int width, const rounded& r, int decimals) {
  const std::int64_t before_point = r.exponent > 0 ? r.exponent : (decimals == 0 ? 1 : 0);
  char* at = justify(out, width, (r.negative ? 1 : 0) + before_point + 1 + decimals);
  if (at == nullptr) return;
  if (r.negative) *at++ = '-';
  const place_text<significant> text(r);
  // Before the point stand places 1 to the exponent, or the 0 of a zero.
  at = put_places(at, text, std::int64_t{r.exponent} + 1 - before_point, before_point);
  *at++ = '.';
  put_places(at, text, std::int64_t{r.exponent} + 1, decimals);
}

// The point, `digits` digits and the exponent; the mantissa lies between a tenth and one.
template <int significant>
void put_exponent_form(char* out, int width, const rounded& r, int digits) {
  char* at = justify(out, width, (r.negative ? 1 : 0) + 1 + std::int64_t{digits} + 4);
  if (at == nullptr) return;
  if (r.negative) *at++ = '-';
  *at++ = '.';
  if (digits == max_significant) {
    put_seven_digits(at, static_cast<std::uint32_t>(r.kept));  // 7 digits kept, or none
    at += max_significant;
  } else {
    at = put_places(at, place_text<significant>(r), 1, digits);
  }
  put_exponent_part(at, r.exponent);
}

// The free-form shape for values below 1 or from 10^7 on: d.dddddd, or d and 16 decimals for a
// full real, and the exponent.
template <int significant>
void put_free_exponent_form(char* out, int width, const rounded& r) {
  char* at = justify(out, width, (r.negative ? 1 : 0) + significant + 5);
  if (at == nullptr) return;
  if (r.negative) *at++ = '-';
  const place_text<significant> text(r);  // all the digits kept, or none
  at[0] = *text.at(1);
  at[1] = '.';
  std::copy_n(text.at(2), significant - 1, at + 2);
  put_exponent_part(at + significant + 1, r.count == 0 ? 0 : r.exponent - 1);
}

// The 8 digits of n < 10^8 as characters, the first in the lowest byte: the halves, quarters and
// digits are split in parallel within one 64-bit word, which is then copied as 8 characters.
static_assert(std::endian::native == std::endian::little, "the first digit is the lowest byte");
std::uint64_t eight_digits(std::uint64_t n) {
  const std::uint64_t high = n / 10'000;
  std::uint64_t v = high | (n - high * 10'000) << 32;            // two 4-digit lanes
  std::uint64_t t = (v * 10'486) >> 20 & 0x0000'007f'0000'007f;  // each lane / 100
  v = t | (v - t * 100) << 16;                                   // four 2-digit lanes
  t = (v * 103) >> 10 & 0x000f'000f'000f'000f;                   // each lane / 10
  v = t | (v - t * 10) << 8;
  return v | 0x3030'3030'3030'3030;
}

// "E+dd" and "E-dd" for the powers -99 to 99, 4 characters each.
constexpr std::array<char, 4 * 199> exponent_parts = [] {
  std::array<char, 4 * 199> p{};
  for (int power = -99; power <= 99; ++power) {
    const auto at = static_cast<std::size_t>(4 * (power + 99));
    const int magnitude = power < 0 ? -power : power;
    p[at] = 'E';
    p[at + 1] = power < 0 ? '-' : '+';
    p[at + 2] = static_cast<char>('0' + magnitude / 10);
    p[at + 3] = static_cast<char>('0' + magnitude % 10);
  }
  return p;
}();

// The hot shapes of an F field, written from the 17 digits straight into their columns: a real
// not 0 of which at least one digit is kept, with decimals, a text that fits the field and a
// rounding that does not carry out of the first digit. Returns false, having written nothing,
// for any other shape.
[[gnu::always_inline]] inline bool put_fixed_directly(char* out, int width, int decimals,
                                                      const decimal& d, int keep) {
  const int places = d.exponent + decimals;  // places 1 to `places` are shown
  if (d.digits == 0 || keep < 1 || decimals < 1 || places > 19) return false;
  const std::uint64_t unit = powers_of_ten[static_cast<std::size_t>(first_digits - keep)];
  std::uint64_t kept = d.digits / unit;
  if ((d.digits - kept * unit) * 2 >= unit &&
      ++kept == powers_of_ten[static_cast<std::size_t>(keep)])
    return false;
  const int before_point = std::max(d.exponent, 0);
  const int length = (d.negative ? 1 : 0) + before_point + 1 + decimals;
  if (length > width) return false;
  // The blanks, and the sign with them, come as one block of 16.
  if (before_point > 8 || decimals > 8 || width - (before_point + 1 + decimals) > 16 || width > 24)
    return false;
  // Places 1 to `places` as one integer; for a real below 1 its leading zeros are the places
  // between the point and d1. The text is built right-justified in a buffer of fixed blocks,
  // the point and the field's last column at fixed offsets from its end.
  const std::uint64_t n = kept * powers_of_ten[static_cast<std::size_t>(places - keep)];
  const std::uint64_t scale = powers_of_ten[static_cast<std::size_t>(decimals)];
  const std::uint64_t whole = n / scale;
  std::array<char, 48> text;                    // every byte the field takes is written below
  char* const end = text.data() + text.size();  // the field's end
  const std::uint64_t fraction_digits = eight_digits(n - whole * scale);
  std::memcpy(end - 8, &fraction_digits, 8);
  const std::uint64_t whole_digits = eight_digits(whole);
  char* const point = end - 1 - decimals;
  std::memcpy(point - 8, &whole_digits, 8);
  *point = '.';
  constexpr std::string_view sixteen_blanks = "                ";
  char* const first = point - before_point;  // the first digit
  std::memcpy(first - 16, sixteen_blanks.data(), 16);
  if (d.negative) first[-1] = '-';
  copy_text(out, end - width, width);
  return true;
}

// A full real in an F field of at most 15 decimals and 15 digits before them, rounded straight
// from its binary value where that lies clearly off a tie between two last digits: the digits that
// rounding its 17 digits gives, at a fraction of the cost of forming them. Returns false, having
// written nothing, for a value near a tie, one that rounds to 0, and any shape that
// put_fixed_directly leaves.
bool put_fixed_quickly(char* out, int width, int decimals, double v) {
  constexpr std::array<double, 16> scales{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (decimals < 1 || decimals >= static_cast<int>(scales.size())) return false;
  const double t = std::fabs(v) * scales[static_cast<std::size_t>(decimals)];
  if (!(t < 1e15)) return false;
  // t is within 2^-53 of |v| x 10^decimals, relatively, and the 17 digits within 5E-17: a
  // fraction farther than both from one half rounds the same either way.
  const double whole = std::floor(t);
  const double fraction = t - whole;
  if (std::fabs(fraction - 0.5) <= t * 1e-15) return false;
  const std::uint64_t m = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
  if (m == 0) return false;
  // m has d digits where 10^(d-1) <= m < 10^d: from its bits, floor(bits x log10 2), then one
  // more where m reaches the next power.
  const int digits = digit_count(m);
  const decimal d{m * powers_of_ten[static_cast<std::size_t>(first_digits - digits)],
                  digits - decimals, std::signbit(v)};
  return put_fixed_directly(out, width, decimals, d, digits);
}

// The F shapes that put_fixed_directly leaves, and the E shapes beside the hot one. Out of line:
// folded into their callers, they would hold registers that the hot shapes then save and restore.
template <int significant>
[[gnu::noinline]] void put_fixed_rounded(char* out, int width, int decimals, const decimal& d,
                                         int keep) {
  put_fixed_form<significant>(out, width, round_to<significant>(d, keep), decimals);
}

template <int significant>
[[gnu::noinline]] void put_exponent_rounded(char* out, int width, int digits, const decimal& d) {
  put_exponent_form<significant>(out, width, round_to<significant>(d, digits), digits);
}

// An F field showing at most `significant` digits of the real.
template <int significant>
void put_fixed_field(char* out, int width, int decimals, double v) {
  if (!std::isfinite(v)) {
    put_not_finite(out, width, v);
    return;
  }
  // A field cannot show more decimals than its width; bounding them keeps the sums below small.
  decimals = std::clamp(decimals, 0, std::max(width, 0));
  if constexpr (significant == first_digits)
    if (put_fixed_quickly(out, width, decimals, v)) return;
  const decimal d = to_decimal(v);
  const int keep = decimals > significant - d.exponent ? significant : d.exponent + decimals;
  if (!put_fixed_directly(out, width, decimals, d, keep))
    put_fixed_rounded<significant>(out, width, decimals, d, keep);
}

// 1 <= |value| < 10^7, judged before rounding, takes the look of an F field with a digit fewer
// decimals than the real's significant digits; any other value, the exponent form.
template <int significant>
void put_free_real_field(char* out, double v) {
  constexpr int width = significant == max_significant ? free_real_width : free_full_real_width;
  constexpr int decimals = significant - 1;
  if (!std::isfinite(v)) {
    put_not_finite(out, width, v);
    return;
  }
  const decimal d = to_decimal(v);
  const bool fixed = d.digits != 0 && d.exponent >= 1 && d.exponent <= max_significant;
  if (fixed && put_fixed_directly(out, width, decimals, d, significant)) return;
  const rounded r = round_to<significant>(d, significant);
  if (fixed)
    put_fixed_form<significant>(out, width, r, decimals);
  else
    put_free_exponent_form<significant>(out, width, r);
}

// A field of `width` columns as a string, written by put.
template <class writer>
std::string field_text(int width, writer put) {
  std::string s(static_cast<std::size_t>(std::max(width, 0)), ' ');
  put(s.data());
  return s;
}

}  // namespace

void put_integer(char* out, int width, std::int64_t v) {
  // The magnitude is taken unsigned so that the most negative value has one too.
  std::uint64_t magnitude =
      v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  std::array<char, 20> digits{};  // 2^63 has 19 digits, and the sign
  auto first = digits.end();
  do {
    *--first = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (v < 0) *--first = '-';
  char* at = justify(out, width, digits.end() - first);
  if (at != nullptr) std::copy(first, digits.end(), at);
}

void put_fixed(char* out, int width, int decimals, double v) {
  put_fixed_field<max_significant>(out, width, decimals, v);
}

void put_exponent(char* out, int width, int digits, double v) {
  if (!std::isfinite(v)) {
    put_not_finite(out, width, v);
    return;
  }
  digits = std::clamp(digits, 0, std::max(width, 0));
  const decimal d = to_decimal(v);
  if (digits == max_significant && width >= 13 && d.digits != 0) {
    // The hot shape, .ddddddd and the exponent with room for a sign, from the 17 digits directly.
    constexpr std::uint64_t unit = powers_of_ten[first_digits - max_significant];
    auto kept = static_cast<std::uint32_t>(d.digits / unit);
    int exponent = d.exponent;
    if ((d.digits - kept * unit) * 2 >= unit && ++kept == powers_of_ten[max_significant]) {
      kept /= 10;
      ++exponent;
    }
    char* at = out + width - 12;  // the point
    if (width <= 20) {
      constexpr std::string_view eight_blanks = "        ";
      std::memcpy(out, eight_blanks.data(), 8);
    } else {
      justify(out, width, 12);
    }
    if (d.negative) at[-1] = '-';
    const std::uint64_t mantissa = eight_digits(kept);  // 0 and the 7 digits
    std::memcpy(at, &mantissa, 8);
    *at = '.';
    if (exponent > -100 && exponent < 100)
      std::memcpy(at + 8, exponent_parts.data() + 4 * (exponent + 99), 4);
    else
      put_exponent_part(at + 8, exponent);
    return;
  }
  put_exponent_rounded<max_significant>(out, width, digits, d);
}

void put_free_integer(char* out, std::int64_t v) { put_integer(out, free_integer_width, v); }

void put_free_real(char* out, double v) { put_free_real_field<max_significant>(out, v); }

void put_fixed(char* out, int width, int decimals, full_real v) {
  put_fixed_field<first_digits>(out, width, decimals, v.v);
}

void put_exponent(char* out, int width, int digits, full_real v) {
  // Up to 7 digits, a full real looks as any real does: both round the same 17 digits.
  if (digits <= max_significant || !std::isfinite(v.v)) {
    put_exponent(out, width, digits, v.v);
    return;
  }
  digits = std::clamp(digits, 0, std::max(width, 0));
  put_exponent_rounded<first_digits>(out, width, digits, to_decimal(v.v));
}

void put_free_real(char* out, full_real v) { put_free_real_field<first_digits>(out, v.v); }

std::string render_i(std::int64_t v, int width) {
  return field_text(width, [&](char* out) { put_integer(out, width, v); });
}

std::string render_f(double v, int width, int decimals) {
  return field_text(width, [&](char* out) { put_fixed(out, width, decimals, v); });
}

std::string render_e(double v, int width, int digits) {
  return field_text(width, [&](char* out) { put_exponent(out, width, digits, v); });
}

std::string render_free_integer(std::int64_t v) {
  return field_text(free_integer_width, [&](char* out) { put_free_integer(out, v); });
}

std::string render_free_real(double v) {
  return field_text(free_real_width, [&](char* out) { put_free_real(out, v); });
}

std::string render_f(full_real v, int width, int decimals) {
  return field_text(width, [&](char* out) { put_fixed(out, width, decimals, v); });
}

std::string render_e(full_real v, int width, int digits) {
  return field_text(width, [&](char* out) { put_exponent(out, width, digits, v); });
}

std::string render_free_real(full_real v) {
  return field_text(free_full_real_width, [&](char* out) { put_free_real(out, v); });
}

}  // namespace recio
