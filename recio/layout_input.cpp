// recio/layout_input.cpp: reading one statement's values from text records with a layout.
#include "recio/layout_input.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <variant>

#include "recio/fixed_text.hpp"
#include "recio/number_parse.hpp"

namespace recio {

namespace {

// Room for a number field's characters once its blanks are left out. A field whose characters
// do not fit is a bad value; the program's layouts read no number field wider than 4 columns.
constexpr std::size_t number_room = 256;

// The w columns from column at, fewer where the record ends first.
std::string_view columns(std::string_view record, std::size_t at, std::size_t w) {
  return at < record.size() ? record.substr(at, w) : std::string_view{};
}

// Aw into a text of length L: the w columns, a record that ends inside them counting as blanks;
// w < L pads with blanks, w > L keeps the rightmost L. A alone takes L columns.
void read_text(std::string_view record, std::size_t& at, std::size_t width, text_ref t) {
  const std::size_t w = width == 0 ? t.size : width;
  const std::string_view field = columns(record, at, w);
  at += w;
  const std::size_t skip = w > t.size ? w - t.size : 0;
  assign_text(t, field.substr(std::min(skip, field.size())));
}

struct number_text {
  std::array<char, number_room> chars{};
  std::size_t size = 0;
  std::string_view view() const { return {chars.data(), size}; }
};

// The characters of a number field without its blanks. A comma ends the field early, and the
// next field starts just after it. False when they do not fit.
bool take_number_field(std::string_view record, std::size_t& at, std::size_t w, number_text& out) {
  std::string_view field = columns(record, at, w);
  if (const std::size_t comma = field.find(','); comma != std::string_view::npos) {
    field = field.substr(0, comma);
    at += comma + 1;
  } else {
    at += w;
  }
  for (const char c : field) {
    if (c == ' ') continue;
    if (out.size == out.chars.size()) return false;
    out.chars[out.size++] = c;
  }
  return true;
}

// A real field without a point has its last d digits before the exponent as decimals: 15 in
// F4.1 is 1.5, and 5 in F4.3 is .005. Writing the point into the digits keeps the value exact.
bool place_implied_point(number_text& t, std::size_t d) {
  const std::string_view s = t.view();
  if (d == 0 || s.find('.') != std::string_view::npos) return true;
  const std::size_t sign = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  const std::size_t end = std::min(s.find_first_of("EeDd"), s.size());
  if (end == sign) return true;  // no digits: the parser refuses it
  const std::size_t digits = end - sign;
  const std::size_t zeros = d > digits ? d - digits : 0;
  const std::size_t point_at = digits > d ? end - d : sign;
  const std::size_t shift = zeros + 1;
  if (t.size + shift > t.chars.size()) return false;
  const auto first = t.chars.begin();
  std::copy_backward(first + static_cast<std::ptrdiff_t>(point_at),
                     first + static_cast<std::ptrdiff_t>(t.size),
                     first + static_cast<std::ptrdiff_t>(t.size + shift));
  t.chars[point_at] = '.';
  std::fill_n(first + static_cast<std::ptrdiff_t>(point_at + 1), zeros, '0');
  t.size += shift;
  return true;
}

template <typename integer>
io_error read_integer(const number_text& text, integer* v) {
  std::int64_t n = 0;  // a field of blanks is 0
  if (text.size > 0) {
    const io_error e = parse_integer(text.view(), std::numeric_limits<integer>::min(),
                                     std::numeric_limits<integer>::max(), n);
    if (e != io_error::none) return e;
  }
  *v = static_cast<integer>(n);
  return io_error::none;
}

io_error invalid_for(const target& t) {
  return std::holds_alternative<float*>(t) || std::holds_alternative<double*>(t)
             ? io_error::invalid_real
             : io_error::invalid_integer;
}

// A real field of blanks is 0.
template <class real>
io_error read_real(number_text& text, std::size_t decimals, real* v) {
  if (text.size == 0) {
    *v = 0;
    return io_error::none;
  }
  if (!place_implied_point(text, decimals)) return io_error::invalid_real;
  return parse_real(text.view(), *v);
}

// Iw, Fw.d or Ew.d into a number variable. The field's kind only says whether decimals are
// implied; the variable's kind decides how the characters are read.
io_error read_number(std::string_view record, std::size_t& at, const field& f, const target& t) {
  if (std::holds_alternative<text_ref>(t))
    return f.kind == field_kind::integer ? io_error::invalid_integer : io_error::invalid_real;
  number_text text;
  if (!take_number_field(record, at, static_cast<std::size_t>(f.width), text))
    return invalid_for(t);
  if (const auto* p = std::get_if<std::int16_t*>(&t)) return read_integer(text, *p);
  if (const auto* p = std::get_if<std::int32_t*>(&t)) return read_integer(text, *p);
  const auto decimals = f.kind == field_kind::integer ? 0 : static_cast<std::size_t>(f.digits);
  if (const auto* p = std::get_if<double*>(&t)) return read_real(text, decimals, *p);
  return read_real(text, decimals, std::get<float*>(t));
}

}  // namespace

// Variables beyond the layout's value fields keep their values.
read_outcome read_layout_from(record_reader& in, const layout& l, std::span<const target> targets) {
  read_outcome out;
  std::string_view record;
  if (!in.next_record(record)) return no_record_left(in, out);
  std::size_t at = 0;
  std::size_t next = 0;
  for (const field& f : l.fields()) {
    switch (f.kind) {
      case field_kind::blanks:
        at += static_cast<std::size_t>(f.width);
        continue;
      case field_kind::literal:
        continue;
      case field_kind::record_end:
        if (!in.next_record(record)) return no_record_left(in, out);
        at = 0;
        continue;
      case field_kind::integer:
      case field_kind::fixed:
      case field_kind::exponent:
      case field_kind::text:
        break;
    }
    // The record ends at the first field that no value is left for.
    if (next == targets.size()) return out;
    const target& t = targets[next];
    io_error e = io_error::none;
    if (f.kind != field_kind::text) {
      e = read_number(record, at, f, t);
    } else if (const auto* text = std::get_if<text_ref>(&t)) {
      read_text(record, at, static_cast<std::size_t>(f.width), *text);
    } else {
      e = invalid_for(t);
    }
    if (e != io_error::none) {
      out.code = io_code::bad_value;
      out.error = e;
      return out;
    }
    if (next < 32) out.filled |= std::uint32_t{1} << next;  // the mask's room
    ++next;
  }
  return out;
}

}  // namespace recio
