// recio/layout.hpp: layouts in field notation, parsed when the program is compiled.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace recio {

enum class field_kind : std::uint8_t {
  integer,    // Iw
  fixed,      // Fw.d
  exponent,   // Ew.d
  text,       // Aw, or A alone (width 0: the text at its own length)
  blanks,     // nX
  literal,    // a quoted text, written unchanged
  record_end  // "/"
};

struct field {
  field_kind kind = field_kind::literal;
  std::int16_t width = 0;   // w, or n for nX
  std::int16_t digits = 0;  // d
  std::uint16_t text_at = 0;
  std::uint16_t text_size = 0;  // a literal's characters in the layout's text pool
};

constexpr bool takes_value(field_kind k) {
  return k == field_kind::integer || k == field_kind::fixed || k == field_kind::exponent ||
         k == field_kind::text;
}

// A list of fields such as "(F11.5,2X,E14.7)" or "(/' File ',A12,' read'/)". n(...) groups are
// unrolled; a typo in the notation does not compile.
class layout {
 public:
  static constexpr std::size_t max_fields = 64;
  static constexpr std::size_t max_text = 512;

  consteval explicit layout(std::string_view notation) {
    std::size_t at = 0;
    skip_blanks(notation, at);
    if (at >= notation.size() || notation[at] != '(') fail("a layout starts with (");
    ++at;
    parse_group(notation, at);
    skip_blanks(notation, at);
    if (at != notation.size()) fail("text after the closing parenthesis");
    summarize();
  }

  constexpr std::span<const field> fields() const { return {fields_.data(), count_}; }
  constexpr std::string_view literal(const field& f) const {
    return {texts_.data() + f.text_at, f.text_size};
  }
  // The characters of one pass through the layout when it holds only Iw, Fw.d, Ew.d and nX fields
  // and at least one of them takes a value; 0 for any other layout.
  constexpr std::size_t number_width() const { return number_width_; }

 private:
  static void fail(const char*) {}  // not constexpr: reaching it stops the compilation

  static constexpr void skip_blanks(std::string_view s, std::size_t& at) {
    while (at < s.size() && s[at] == ' ') ++at;
  }
  static constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
  static constexpr int number(std::string_view s, std::size_t& at) {
    if (at >= s.size() || !is_digit(s[at])) fail("a number is missing");
    int n = 0;
    while (at < s.size() && is_digit(s[at])) n = n * 10 + (s[at++] - '0');
    return n;
  }
  constexpr void add(field f) {
    if (count_ == max_fields) fail("too many fields");
    fields_[count_++] = f;
  }

  constexpr void summarize() {
    std::size_t width = 0;
    bool takes_values = false;
    for (const field& f : fields()) {
      if (f.kind == field_kind::integer || f.kind == field_kind::fixed ||
          f.kind == field_kind::exponent) {
        takes_values = true;
      } else if (f.kind != field_kind::blanks) {
        return;
      }
      width += static_cast<std::size_t>(f.width);
    }
    if (takes_values) number_width_ = width;
  }

  // Parses up to and including the ")" that closes the group opened just before at.
  constexpr void parse_group(std::string_view s, std::size_t& at) {
    for (;;) {
      skip_blanks(s, at);
      if (at >= s.size()) fail("a closing parenthesis is missing");
      const char c = s[at];
      if (c == ')') {
        ++at;
        return;
      }
      if (c == ',') {
        ++at;
        continue;
      }
      if (c == '/') {
        ++at;
        add({field_kind::record_end});
        continue;
      }
      if (c == '\'' || c == '"') {
        parse_literal(s, at);
        continue;
      }
      int repeat = 1;
      if (is_digit(c)) repeat = number(s, at);
      if (at >= s.size()) fail("a field is missing");
      const char k = s[at++];
      if (k == '(') {
        const std::size_t first = count_;
        parse_group(s, at);
        const std::size_t last = count_;
        for (int r = 1; r < repeat; ++r)
          for (std::size_t i = first; i < last; ++i) add(fields_[i]);
      } else if (k == 'X' || k == 'x') {
        add({field_kind::blanks, static_cast<std::int16_t>(repeat)});
      } else {
        field f;
        if (k == 'I' || k == 'i') {
          f.kind = field_kind::integer;
          f.width = static_cast<std::int16_t>(number(s, at));
        } else if (k == 'F' || k == 'f' || k == 'E' || k == 'e') {
          f.kind = (k == 'F' || k == 'f') ? field_kind::fixed : field_kind::exponent;
          f.width = static_cast<std::int16_t>(number(s, at));
          if (at >= s.size() || s[at] != '.') fail("a real field needs .d");
          ++at;
          f.digits = static_cast<std::int16_t>(number(s, at));
        } else if (k == 'A' || k == 'a') {
          f.kind = field_kind::text;
          if (at < s.size() && is_digit(s[at])) f.width = static_cast<std::int16_t>(number(s, at));
        } else {
          fail("unknown field");
        }
        if (f.kind != field_kind::text && f.width <= 0) fail("a field needs a width");
        for (int r = 0; r < repeat; ++r) add(f);
      }
    }
  }

  constexpr void parse_literal(std::string_view s, std::size_t& at) {
    const char quote = s[at++];
    field f{field_kind::literal};
    f.text_at = static_cast<std::uint16_t>(text_size_);
    for (;;) {
      if (at >= s.size()) fail("an unclosed text");
      const char c = s[at++];
      if (c == quote) {
        if (at < s.size() && s[at] == quote) {
          ++at;
        } else {
          break;
        }
      }
      if (text_size_ == max_text) fail("the layout's texts are too long");
      texts_[text_size_++] = c;
    }
    f.text_size = static_cast<std::uint16_t>(text_size_ - f.text_at);
    add(f);
  }

  std::array<field, max_fields> fields_{};
  std::size_t count_ = 0;
  std::array<char, max_text> texts_{};
  std::size_t text_size_ = 0;
  std::size_t number_width_ = 0;
};

}  // namespace recio
