// recio/shown_text.hpp: texts from files and names of files as a line on a terminal shows them
// safely: control characters and bytes that are no UTF-8 escaped, and long texts cut.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace recio {

// The most characters shown of a text from a file quoted in a message, such as a field that is
// not a number.
inline constexpr std::size_t shown_field_length = 200;
// The most characters shown of a name, of a text that info shows, and of a message's reason.
inline constexpr std::size_t shown_line_length = 1000;

// The text with control characters (also DEL and the C1 ones) as \t, \n, \r or \xHH (\u0085 for
// U+0085), bytes that are no UTF-8 as \xHH, and backslashes and the rest of UTF-8 as they are.
// Where that is longer than most characters, it is cut to most - 1 of them and "…".
// shown_text("a\x1B[2J") == "a\\x1B[2J"; shown_text("abcdef", 4) == "abc…"
std::string shown_text(std::string_view s,
                       std::size_t most = std::numeric_limits<std::size_t>::max());

}  // namespace recio
