// recio/number_text.hpp: numbers in the fewest digits that read back as the very same value, for
// the formats that write numbers without fixed fields (CSV, JCAMP-DX) and for `info`.
#pragma once

#include <array>
#include <charconv>
#include <string>

namespace recio {

// Appends v in the fewest digits that read back as v: in plain decimals or with an exponent,
// whichever is shorter, or always in plain decimals when plain is set.
// append_shortest(s, 0.1f) appends "0.1"; append_shortest(s, 1e-20) appends "1e-20".
template <class real>
void append_shortest(std::string& out, real v, bool plain = false) {
  std::array<char, 400> text;  // the longest plain double, 1.8E308 written out
  const auto end =
      plain ? std::to_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed)
            : std::to_chars(text.data(), text.data() + text.size(), v);
  out.append(text.data(), end.ptr);
}

// The same for a double, through a faster search for its digits: the very text of the above.
void append_shortest_double(std::string& out, double v, bool plain = false);
inline void append_shortest(std::string& out, double v, bool plain = false) {
  append_shortest_double(out, v, plain);
}

// The same as a string.
template <class real>
std::string shortest_text(real v) {
  std::string out;
  append_shortest(out, v);
  return out;
}

}  // namespace recio
