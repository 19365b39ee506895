// recio/shown_text.cpp: texts from files and names of files escaped and cut for a terminal.
#include "recio/shown_text.hpp"

#include <array>
#include <cstdio>

namespace recio {

std::string shown_text(std::string_view s, std::size_t most) {
  std::string out;
  std::size_t characters = 0;
  // The end of the longest whole start that leaves room for "…", and whether it was cut there.
  std::size_t kept = 0;
  const auto add = [&](std::string_view piece, std::size_t width) {
    out += piece;
    characters += width;
    if (characters < most) kept = out.size();
    return characters <= most;
  };
  const auto hex = [&](const char* form, unsigned code) {
    std::array<char, 8> text{};
    const int n = std::snprintf(text.data(), text.size(), form, code);
    return add({text.data(), static_cast<std::size_t>(n)}, static_cast<std::size_t>(n));
  };
  const auto byte = [&s](std::size_t at) { return static_cast<unsigned char>(s[at]); };
  for (std::size_t i = 0; i < s.size();) {
    const unsigned c = byte(i);
    bool fits = true;
    if (c < 0x80) {
      fits = c == '\t'               ? add("\\t", 2)
             : c == '\n'             ? add("\\n", 2)
             : c == '\r'             ? add("\\r", 2)
             : c < 0x20 || c == 0x7F ? hex("\\x%02X", c)
                                     : add(s.substr(i, 1), 1);
      ++i;
    } else {
      // A sequence of 2 to 4 bytes; its second byte's range excludes overlong forms and UTF-16
      // surrogates, as UTF-8 requires.
      const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                                 : c >= 0xE0 && c <= 0xEF ? 3
                                 : c >= 0xF0 && c <= 0xF4 ? 4
                                                          : 0;
      const unsigned low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
      const unsigned high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
      bool whole =
          length > 0 && i + length <= s.size() && byte(i + 1) >= low && byte(i + 1) <= high;
      for (std::size_t k = 2; whole && k < length; ++k) whole = (byte(i + k) & 0xC0) == 0x80;
      if (!whole) {
        fits = hex("\\x%02X", c);
        ++i;
      } else if (c == 0xC2 && byte(i + 1) < 0xA0) {
        fits = hex("\\u%04X", byte(i + 1));
        i += 2;
      } else {
        fits = add(s.substr(i, length), 1);
        i += length;
      }
    }
    if (!fits || (characters == most && i < s.size())) {
      out.resize(kept);
      return out + "\u2026";
    }
  }
  return out;
}

}  // namespace recio
