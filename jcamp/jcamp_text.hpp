// jcamp/jcamp_text.hpp: the text of a JCAMP-DX file, for its reader and writer: labelled records
// and their values, data lines and their numbers in the forms AFFN, PAC, SQZ, DIF and DUP.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jcamp/jcamp_token.hpp"
#include "recio/recio.hpp"
#include "recio/text_scan.hpp"

namespace jcamp {

// What pads a value or separates numbers: blanks, tabs, and the NUL characters that some
// instruments leave in their files.
inline constexpr std::string_view blanks{" \t\0", 3};

// A labelled record starts with "##", after any blanks.
inline constexpr std::string_view label_marker = "##";

// A comment begins with "$$" and runs to the end of its line.
inline constexpr std::string_view comment_marker = "$$";

// A letter in capitals, any other character as it is: upper('e') == 'E'
inline char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The text in capitals: uppercase("1/cm") == "1/CM"
std::string uppercase(std::string_view s);

// Takes the next line where it is a data line, one that starts no labelled record; a labelled
// line is left to be taken.
inline bool next_data_line(recio::line_scanner& lines, std::string_view& line) {
  // A copy of the scanner looks ahead, so that each line is scanned once.
  recio::line_scanner ahead = lines;
  if (!ahead.next(line) || recio::trimmed(line, blanks).starts_with(label_marker)) return false;
  lines = ahead;
  return true;
}

// A labelled record's first line: "##", the label up to "=", the value after it. The label comes
// as labels are compared: in capitals, without blanks, dashes, slashes and underscores.
// labelled(" ## Data_Type = IR", label, value) gives "DATATYPE" and " IR".
bool labelled(std::string_view line, std::string& label, std::string_view& value);

// The label of a labelled record's first line as the file spells it, without blanks around it.
// label_as_written(" ##$Serial No = 12") == "$Serial No"
std::string_view label_as_written(std::string_view line);

// The number of a labelled record's value, none where it is not one finite number.
// number_of(" +16384 $$ points") == 16384.0
std::optional<double> number_of(std::string_view value);

// The items of a list value, split at commas.
// items_of("HZ, ARBITRARY UNITS,") gives "HZ", "ARBITRARY UNITS", "".
std::vector<std::string> items_of(std::string_view value);

// The variables of a data record's value: "(X++(Y..Y))" for evenly spaced x, "(XY..XY)" for
// points; a third letter, as in "(XYW..XYW)", is a peak's width (W) or multiplicity (M).
struct variables {
  bool even = false;
  std::string x, y;
  std::size_t group = 2;  // numbers for each point of an (XY..XY) table
  std::string more;       // the letters of a group after x and y: "W"
  std::string kind;       // what a DATA TABLE's value names after its comma: "PEAKS"
};
// None for a form that this program does not read.
// variables_of("(XYM..XYM), PEAKS") gives x "X", y "Y", groups of 3 numbers and the kind "PEAKS".
std::optional<variables> variables_of(std::string_view value);

// The variables of a ##PEAK ASSIGNMENTS= value: x and y, a width (W) or multiplicity (M) where
// given, and the assignment (A) last; none for another form.
// assignment_variables("(XYWA)") == "XYWA"
std::optional<std::string> assignment_variables(std::string_view value);

// A number of a labelled record or a message in the fewest digits that read back as it, with the
// exponent in capitals: number_text(0.25) == "0.25", number_text(1e-05) == "1E-05".
std::string number_text(double v);

// The numbers of data lines: jcamp/jcamp_token.hpp.

// Whether a number is within the range of single precision.
inline bool fits_single(double v) {
  return std::isfinite(v) && std::fabs(v) <= static_cast<double>(std::numeric_limits<float>::max());
}

// The step between n evenly spaced x from first to last: DELTAX where the file gives one that
// leads from first to last to within the rounding of single precision, else the span in n - 1
// equal steps. Point i is at first + i step. The writer asks the same of its values, so that what
// it writes as evenly spaced reads back to the very same x.
// even_step(10, 40, std::nullopt, 4) == 10.0
double even_step(double first, double last, std::optional<double> delta, std::size_t n);

// Every record written fits in 80 characters.
inline constexpr std::size_t line_width = 80;

// One line of text written as it is.
void write_line(recio::unit_number unit, std::string_view text);
// Text that line starts, carried on over further lines where it is long; "##" in it could start
// a record of its own and "$$" would begin a comment: each is written as one character.
void write_wrapped(recio::unit_number unit, std::string line, std::string_view value);
// A labelled record, its value carried on over further lines where it is long; a value of
// several lines keeps them.
void write_record(recio::unit_number unit, std::string_view label, std::string_view value);

}  // namespace jcamp
