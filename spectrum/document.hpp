// spectrum/document.hpp: the command line's model of a file: its spectra with their own x and y,
// the units of the axes, the file's texts, and what a format reader or writer gives back when a
// file cannot be read or written.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace spectrum {

using byte_view = std::span<const std::uint8_t>;

// The unit of an axis: the SPC unit code where there is one (-1 where there is none), and its
// name as a person reads it ("Wavenumber (cm-1)"), or the label that a file gives as text.
struct axis_unit {
  int code = -1;
  std::string name;
};

// One spectrum: y against x. Every point has its x, whether the file stores it or only implies
// it by first x, last x and the count (evenly spaced).
struct spectrum {
  std::vector<float> x;
  std::vector<float> y;
  bool x_stored = false;  // the file holds x point by point; otherwise x is evenly spaced
  double first_x = 0.0;   // the ends as the file gives them, from which even x was made
  double last_x = 0.0;
  // The ends are the numbers of a binary header, written again as they stand where x still
  // agrees with them; otherwise a writer takes the first and the last x.
  bool ends_from_header = false;
  double z = 0.0;  // the z value of a spectrum among several (time, position, ...)
};

// A date and time as a file records it; year 0 when the file records none.
struct date_time {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// One fact that `info` shows about a file, beyond what the document holds, in the format's own
// terms: ("flags", {"multifile", "xyxy"}), ("records", 1842), ("separator", ";").
struct fact {
  std::string name;
  std::variant<bool, std::int64_t, double, std::string, std::vector<std::string>> value;
};

// A whole file as the command line holds it.
struct document {
  std::string format;   // the format it was read from: a name of the table of formats ("xy")
  std::string variant;  // within that format ("new", "old", "5.01"), or empty
  std::vector<spectrum> spectra;
  axis_unit x_unit, y_unit, z_unit;
  std::string memo;  // the SPC memo, the JCAMP-DX title
  date_time date;
  // The resolution as the file's own text, even an empty one; none where its format has no such
  // field, and a writer puts its own there.
  std::optional<std::string> resolution;
  std::string source;        // where the data came from, as SPC keeps it in a fixed field
  std::string log;           // free text that the file carries (the SPC log text)
  int experiment_type = -1;  // the SPC experiment code, -1 for none
  std::string experiment;    // its name, or the JCAMP-DX data type
  std::vector<fact> facts;   // for `info`, in the order shown
};

// What went wrong with a file, for the batch to report as "zolkdf: PATH: reason", with the line
// (text formats, counting from 1) or the byte offset (binary formats) where it was found, and the
// file it concerns where that is not the input: an output that could not be written.
struct trouble {
  std::string reason;
  std::int64_t line = 0;     // 0: no line
  std::int64_t offset = -1;  // -1: no offset
  std::string file{};        // empty: the input
};
// Nothing when a read or a write went well, else its trouble.
using outcome = std::optional<trouble>;

// A file's bytes as read whole, and the name it is reported by.
struct input_file {
  byte_view bytes;
  std::string name;
};

// What a reader is told beyond the bytes.
struct read_options {
  int x_column = 1;  // the columns of a table to take as x and y, counting from 1 (CSV)
  int y_column = 2;
};

// What a writer is told beyond the document.
struct write_options {
  std::optional<std::string> memo;  // replaces the document's memo (SPC outputs)
  bool jcamp_affn = false;          // JCAMP-DX data as plain numbers instead of DIF/DUP
  std::string input_name;           // the input's file name, for a title where the file has none
};

// Whether x values given point by point lie evenly spaced, as far as a text file's numbers can
// show it: each within 2 % of a step of its place, or within what a five-decimal field rounds.
inline bool evenly_spaced(std::span<const float> x) {
  const std::size_t n = x.size();
  if (n < 3) return true;
  const double first = x[0];
  const double step = (static_cast<double>(x[n - 1]) - first) / static_cast<double>(n - 1);
  for (std::size_t i = 1; i + 1 < n; ++i) {
    const double off = static_cast<double>(x[i]) - (first + static_cast<double>(i) * step);
    const double allowed = std::max(0.02 * std::fabs(step), 5e-6 + 2.4e-7 * std::fabs(x[i]));
    if (!(std::fabs(off) <= allowed)) return false;
  }
  return true;
}

}  // namespace spectrum
