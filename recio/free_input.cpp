// recio/free_input.cpp: free-form reading of one statement's values from text records.
#include "recio/free_input.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <variant>

#include "recio/fixed_text.hpp"
#include "recio/number_parse.hpp"

namespace recio {

namespace {

constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }
// Blanks, tabs, commas and "/" all lie at or below "/", and digits above it.
constexpr std::uint64_t word_ends = std::uint64_t{1} << ' ' | std::uint64_t{1} << '\t' |
                                    std::uint64_t{1} << ',' | std::uint64_t{1} << '/';
constexpr bool ends_word(char c) { return c <= '/' && c >= 0 && (word_ends >> c & 1) != 0; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_quote(char c) { return c == '\'' || c == '"'; }
constexpr std::uint64_t repeat_bound = 1'000'000'000;

// The place reached in the statement's input: the unread rest of the record is [at, end).
// Records are fetched only when a value is still needed, so a read never waits for a line beyond
// the one holding its last value.
struct cursor {
  record_reader& in;
  const char* at = nullptr;
  const char* end = nullptr;
  bool after_item = false;  // an item was just taken: the next comma only separates
  // The byte at end can be read and is a line end, a CR or a byte 26, none of which belongs to a
  // number or is a blank, so scans may stop on it without checking for end.
  bool stopped = false;

  bool next_record() {
    std::string_view record;
    if (!in.next_record(record)) return false;
    at = record.data();
    end = at + record.size();
    stopped = in.byte_after(record);
    return true;
  }
};

enum class item_start { value, null, slash, end };

// Moves past separators to the next item. A comma that follows an item separates; any other
// comma stands for a null value.
item_start seek_item(cursor& c) {
  for (;;) {
    if (c.stopped) {
      while (is_blank(*c.at)) ++c.at;
    } else {
      while (c.at != c.end && is_blank(*c.at)) ++c.at;
    }
    if (c.at == c.end) {  // a line end counts as a blank
      if (!c.next_record()) return item_start::end;
      continue;
    }
    const char ch = *c.at;
    if (ch == '/') return item_start::slash;
    if (ch != ',') return item_start::value;
    ++c.at;
    if (!c.after_item) return item_start::null;
    c.after_item = false;
  }
}

// One value as it stands in the record, before it meets a variable.
struct item {
  std::uint64_t repeat = 1;  // r of r*value, or r nulls when is_null
  bool is_null = false;
  char quote = 0;         // the quote character of a quoted text, else 0
  std::string_view text;  // the word, or what stands between the quotes (doubled quotes kept)
};

// Reads the item at c.at and moves past it; false for a repeat count of 0.
bool take_item(cursor& c, item& it) {
  // Leading digits are a repeat count when a "*" follows them, else the start of the word.
  const char* p = c.at;
  while (p != c.end && is_digit(*p)) ++p;
  if (p != c.at && p != c.end && *p == '*') {
    std::uint64_t count = 0;
    for (const char* d = c.at; d != p; ++d)  // held at a bound above any list of variables
      count = std::min(count * 10 + static_cast<std::uint64_t>(*d - '0'), repeat_bound);
    if (count == 0) return false;
    it.repeat = count;
    c.at = ++p;
  }
  c.after_item = true;
  if (c.at == c.end || ends_word(*c.at)) {
    it.is_null = true;
    return true;
  }
  if (is_quote(*c.at)) {
    // An unclosed quote runs to the end of the record.
    const char q = *c.at;
    const char* const start = ++c.at;
    while (c.at != c.end) {
      if (*c.at == q) {
        if (c.end - c.at > 1 && c.at[1] == q) {
          c.at += 2;
          continue;
        }
        break;
      }
      ++c.at;
    }
    it.quote = q;
    it.text = {start, static_cast<std::size_t>(c.at - start)};
    if (c.at != c.end) ++c.at;
    return true;
  }
  const char* const start = c.at;
  while (p != c.end && !ends_word(*p)) ++p;
  it.text = {start, static_cast<std::size_t>(p - start)};
  c.at = p;
  return true;
}

// ---- A plain number read straight into a real variable ----

using namespace short_real;
// Exponents of up to this many digits are read on the short way.
constexpr std::ptrdiff_t short_exponent = 4;

// Appends the digits from p on to n as take_digits does, for a scan known to stop before end.
// Two at a time: a digit at p means p + 1 still lies within the record or on the byte after it.
inline const char* take_digits_stopped(const char* p, const char*, std::uint64_t& n) {
  for (;; p += 2) {
    const unsigned first = static_cast<unsigned char>(p[0]) - unsigned{'0'};
    if (first > 9) return p;
    const unsigned second = static_cast<unsigned char>(p[1]) - unsigned{'0'};
    if (second > 9) {
      n = n * 10 + first;
      return p + 1;
    }
    n = n * 100 + (first * 10 + second);
  }
}

// Reads the item at c.at into a real variable in one pass when it is a short plain number, such
// as -7.3127151E-01, that ends the word, and moves past it. The value is the one parse_real
// gives; false, for anything else, leaves c and the variable as they were. With stopped, c.stopped
// holds and the byte at c.end ends every scan.
template <bool stopped, class real>
bool take_short_real(cursor& c, real& v) {
  constexpr auto digits_from = stopped ? take_digits_stopped : take_digits;
  const char* p = c.at;
  const char* const end = c.end;
  const bool negative = *p == '-';
  if (negative || *p == '+') ++p;
  // value = digits x 10^(exponent - decimals)
  std::uint64_t digits = 0;
  const char* const mantissa = p;
  p = digits_from(p, end, digits);
  std::ptrdiff_t digit_count = p - mantissa;
  std::ptrdiff_t decimals = 0;
  if ((stopped || p != end) && *p == '.') {
    const char* const fraction = ++p;
    p = digits_from(p, end, digits);
    decimals = p - fraction;
    digit_count += decimals;
  }
  if (digit_count == 0 || digit_count > short_digits) return false;
  int exponent = 0;
  if ((stopped || p != end) && is_exponent_letter(*p)) {
    ++p;
    const bool exponent_negative = (stopped || p != end) && *p == '-';
    if ((stopped || p != end) && (exponent_negative || *p == '+')) ++p;
    const char* const exponent_start = p;
    std::uint64_t e = 0;
    p = digits_from(p, end, e);
    if (p == exponent_start || p - exponent_start > short_exponent) return false;
    exponent = exponent_negative ? -static_cast<int>(e) : static_cast<int>(e);
  }
  if (p != end && *p != ' ' && !ends_word(*p)) return false;
  real magnitude = 0;
  if (digits != 0 && !nearest_real(digits, exponent - static_cast<int>(decimals), magnitude))
    return false;
  v = negative ? -magnitude : magnitude;
  c.at = p;
  c.after_item = true;
  return true;
}

// Reads the item at c.at straight into a real variable when it is a plain number, the common
// case, and moves past it. The text up to the next blank is then the whole item: a number holds
// no tab, comma, "/", "*" or quote. False leaves c and the variable as they were.
template <class real>
bool take_plain_real(cursor& c, real& v) {
  if (c.stopped ? take_short_real<true>(c, v) : take_short_real<false>(c, v)) return true;
  const void* const blank = std::memchr(c.at, ' ', static_cast<std::size_t>(c.end - c.at));
  const char* const word_end = blank != nullptr ? static_cast<const char*>(blank) : c.end;
  if (parse_real({c.at, static_cast<std::size_t>(word_end - c.at)}, v) != io_error::none)
    return false;
  c.at = word_end;
  c.after_item = true;
  return true;
}

// A quoted text with each doubled quote taken as one, cut or blank-padded to the variable.
void assign_quoted(text_ref t, std::string_view quoted, char q) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    if (quoted[i] == q) ++i;  // quotes inside come in pairs
    if (n < t.size) t.data[n++] = quoted[i];
  }
  std::fill(t.data + n, t.data + t.size, ' ');
}

template <typename integer>
io_error store_integer(const item& it, integer* v) {
  if (it.quote != 0) return io_error::invalid_integer;
  std::int64_t n = 0;
  const io_error e = parse_integer(it.text, std::numeric_limits<integer>::min(),
                                   std::numeric_limits<integer>::max(), n);
  if (e == io_error::none) *v = static_cast<integer>(n);
  return e;
}

io_error store(const item& it, const target& t) {
  switch (t.index()) {
    case 0:
      return store_integer(it, *std::get_if<std::int16_t*>(&t));
    case 1:
      return store_integer(it, *std::get_if<std::int32_t*>(&t));
    case 2:
      if (it.quote != 0) return io_error::invalid_real;
      return parse_real(it.text, **std::get_if<float*>(&t));
    case 3:
      if (it.quote != 0) return io_error::invalid_real;
      return parse_real(it.text, **std::get_if<double*>(&t));
    default:
      break;
  }
  const text_ref text = *std::get_if<text_ref>(&t);
  if (it.quote != 0) {
    assign_quoted(text, it.text, it.quote);
  } else {
    assign_text(text, it.text);
  }
  return io_error::none;
}

}  // namespace

read_outcome read_free_from(record_reader& in, std::span<const target> targets) {
  read_outcome out;
  cursor c{in};
  if (!c.next_record()) return no_record_left(in, out);
  std::size_t next = 0;
  while (next < targets.size()) {
    const item_start s = seek_item(c);
    if (s == item_start::end) return no_record_left(in, out);
    if (s == item_start::slash) return out;
    if (s == item_start::null) {
      ++next;
      continue;
    }
    if (float* const* real = std::get_if<float*>(&targets[next]);
        real != nullptr && take_plain_real(c, **real)) {
      if (next < 32) out.filled |= std::uint32_t{1} << next;
      ++next;
      continue;
    }
    if (double* const* real = std::get_if<double*>(&targets[next]);
        real != nullptr && take_plain_real(c, **real)) {
      if (next < 32) out.filled |= std::uint32_t{1} << next;
      ++next;
      continue;
    }
    item it;
    if (!take_item(c, it)) {
      out.code = io_code::bad_value;
      out.error = io_error::invalid_integer;  // the repeat count must be positive
      return out;
    }
    // A repeat running past the last variable ends with the statement.
    for (std::uint64_t r = 0; r < it.repeat && next < targets.size(); ++r, ++next) {
      if (it.is_null) continue;
      if (const io_error e = store(it, targets[next]); e != io_error::none) {
        out.code = io_code::bad_value;
        out.error = e;
        return out;
      }
      if (next < 32) out.filled |= std::uint32_t{1} << next;  // the mask's room
    }
  }
  return out;
}

}  // namespace recio
