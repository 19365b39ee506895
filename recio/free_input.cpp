// recio/free_input.cpp: free-form reading of one statement's values from text records.
#include "recio/free_input.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <variant>

#include "recio/fixed_text.hpp"
#include "recio/number_parse.hpp"

namespace recio {

namespace {

constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }
constexpr bool ends_word(char c) { return is_blank(c) || c == ',' || c == '/'; }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_quote(char c) { return c == '\'' || c == '"'; }
constexpr std::uint64_t repeat_bound = 1'000'000'000;

// The place reached in the statement's input. Records are fetched only when a value is still
// needed, so a read never waits for a line beyond the one holding its last value.
struct cursor {
  record_reader& in;
  std::string_view record{};
  std::size_t at = 0;
  bool after_item = false;  // an item was just taken: the next comma only separates
};

enum class item_start { value, null, slash, end };

// Moves past separators to the next item. A comma that follows an item separates; any other
// comma stands for a null value.
item_start seek_item(cursor& c) {
  for (;;) {
    while (c.at < c.record.size() && is_blank(c.record[c.at])) ++c.at;
    if (c.at == c.record.size()) {  // a line end counts as a blank
      if (!c.in.next_record(c.record)) return item_start::end;
      c.at = 0;
      continue;
    }
    const char ch = c.record[c.at];
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
  const std::string_view r = c.record;
  std::size_t at = c.at;
  while (at < r.size() && is_digit(r[at])) ++at;
  if (at > c.at && at < r.size() && r[at] == '*') {
    std::uint64_t count = 0;
    for (std::size_t i = c.at; i < at; ++i)  // held at a bound above any list of variables
      count = std::min(count * 10 + static_cast<std::uint64_t>(r[i] - '0'), repeat_bound);
    if (count == 0) return false;
    it.repeat = count;
    c.at = at + 1;
  }
  c.after_item = true;
  if (c.at == r.size() || ends_word(r[c.at])) {
    it.is_null = true;
    return true;
  }
  if (is_quote(r[c.at])) {
    // An unclosed quote runs to the end of the record.
    const char q = r[c.at];
    const std::size_t start = ++c.at;
    while (c.at < r.size()) {
      if (r[c.at] == q) {
        if (c.at + 1 < r.size() && r[c.at + 1] == q) {
          c.at += 2;
          continue;
        }
        break;
      }
      ++c.at;
    }
    it.quote = q;
    it.text = r.substr(start, c.at - start);
    if (c.at < r.size()) ++c.at;
    return true;
  }
  const std::size_t start = c.at;
  while (c.at < r.size() && !ends_word(r[c.at])) ++c.at;
  it.text = r.substr(start, c.at - start);
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
  if (const auto* p = std::get_if<std::int16_t*>(&t)) return store_integer(it, *p);
  if (const auto* p = std::get_if<std::int32_t*>(&t)) return store_integer(it, *p);
  if (const auto* p = std::get_if<float*>(&t)) {
    if (it.quote != 0) return io_error::invalid_real;
    return parse_real(it.text, **p);
  }
  const text_ref text = std::get<text_ref>(t);
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
  if (!in.next_record(c.record)) return no_record_left(in, out);
  std::size_t next = 0;
  while (next < targets.size()) {
    const item_start s = seek_item(c);
    if (s == item_start::end) return no_record_left(in, out);
    if (s == item_start::slash) return out;
    if (s == item_start::null) {
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
