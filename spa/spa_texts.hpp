// spa/spa_texts.hpp: the texts and dates of .spa and .spg files as the document keeps them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "spectrum/document.hpp"

namespace spa {

// A text field of Latin-1 bytes that ends at its first NUL, as UTF-8 on one line: control
// characters as blanks, no blanks at either end. one_line("7_CZ0\0\0") == "7_CZ0"
std::string one_line(std::string_view latin1);

// The history text as lines of UTF-8 joined by "\n": NULs at its end dropped, each line's control
// characters as blanks and its blanks at the end dropped, no empty lines at either end.
std::string lines_of(std::string_view latin1);

// The resolution that the history's last "Resolution:" line gives, in shortest form, whether the
// line is in English or French and its decimal separator a point or a comma:
// resolution_in("\t Resolution:\t 4,000 from 400 to 4000\r\n") == "4"; none where no line gives
// one.
std::optional<std::string> resolution_in(std::string_view history);

// The date and time of a count of seconds since 1899-12-31 00:00 UTC; none for a count of 0.
spectrum::date_time date_of(std::uint32_t seconds);

}  // namespace spa
