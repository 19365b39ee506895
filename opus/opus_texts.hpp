// opus/opus_texts.hpp: the texts of the FTIR block file's parameters as the document keeps them:
// text of the file's code page, numbers as labels' text, and the date and time of a status block.
#pragma once

#include <string>
#include <string_view>

#include "opus/opus_blocks.hpp"
#include "spectrum/document.hpp"

namespace opus {

// Text of the file's code page as the document keeps it: control characters as blanks, no blanks
// at either end, bytes beyond ASCII taken as Latin-1. text_of(" 1mm\xB2 ") == "1mm\u00b2"
std::string text_of(std::string_view latin1);

// A parameter's value as a label's text: 32 gives "32", 15797.962252 "15797.962252".
std::string value_text(const parameter& p);

// The date from DAT ("06/02/2020", day first, or "2020/02/06") and TIM ("13:09:58.095 (GMT+1)"),
// and the whole of it as ISO 8601 text with the fraction of a second and the zone that the
// document's date cannot hold: "2020-02-06T13:09:58.095+01:00". Year 0 where DAT is no date.
spectrum::date_time date_of(std::string_view dat, std::string_view tim, std::string& iso);

}  // namespace opus
