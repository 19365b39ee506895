// spectrum/document.hpp: the command line's model of a file: its spectra with their own x and y,
// the units of the axes, the file's texts, and what a format reader or writer gives back when a
// file cannot be read or written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "recio/io_errors.hpp"

namespace spectrum {

using byte_view = std::span<const std::uint8_t>;

// The unit of an axis: the SPC unit code where there is one (-1 where there is none), and its
// name as a person reads it ("Wavenumber (cm-1)"), or the label that a file gives as text.
struct axis_unit {
  int code = -1;
  std::string name;
};

// How a file stored y as integers: y = n x 2^power, n of bits bits, so that a writer that stores
// integers too can store the very same ones again. bits 0: y was not stored as integers.
struct integer_y {
  int bits = 0;
  int power = 0;
};

// One spectrum: y against x, in double precision. Every point has its x, whether the file stores
// it or only implies it by first x, last x and the count (evenly spaced).
struct spectrum {
  std::vector<double> x;
  std::vector<double> y;
  bool x_stored = false;  // x is not evenly spaced: a file must store it point by point
  double first_x = 0.0;   // the ends as the file gives them, from which even x was made
  double last_x = 0.0;
  double z = 0.0;  // the z value of a spectrum among several (time, position, ...)
  integer_y stored_as{};
  std::string title{};  // its own title, where a file of several gives each one (JCAMP-DX blocks)
  // A table of peaks rather than a measured curve; where given, each peak's width and what it
  // was assigned to.
  bool peaks = false;
  std::vector<double> widths{};
  std::vector<std::string> assignments{};
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

// What went wrong with a file, for the batch to report as "zolkdf: PATH: reason", with the line
// (text formats, counting from 1) or the byte offset (binary formats) where it was found, and the
// file it concerns where that is not the input: an output that could not be written.
struct trouble {
  std::string reason;
  std::int64_t line = 0;     // 0: no line
  std::int64_t offset = -1;  // -1: no offset
  std::string file{};        // empty: the input
  // The record layer's error where there is one: the system's refusal to open, read or write the
  // file (a file not found, no permission, a full disk), or a value that could not be read.
  recio::io_error error = recio::io_error::none;
};

// A whole file as the command line holds it.
struct document {
  std::string format;   // the format it was read from: a name of the table of formats ("xy")
  std::string variant;  // within that format ("new", "old", "5.01"), or empty
  std::vector<spectrum> spectra;
  axis_unit x_unit, y_unit, z_unit;
  std::string memo;  // the title: the SPC memo, the JCAMP-DX title
  date_time date;
  // The resolution as the file's own text, even an empty one; none where its format has no such
  // field, and a writer puts its own there.
  std::optional<std::string> resolution;
  std::string instrument;    // the instrument or data system (SPC's source field)
  std::string origin;        // who made the data (JCAMP-DX's ##ORIGIN=)
  std::string owner;         // who owns it, or its copyright (JCAMP-DX's ##OWNER=)
  std::string log;           // free text that the file carries: the SPC log, JCAMP-DX comments
  int experiment_type = -1;  // the SPC experiment code, -1 for none
  std::string experiment;    // its name, or the JCAMP-DX data type
  // Labelled records that no writer interprets, in order, to be written again by a format that
  // has such records: ("$SERIAL NUMBER", "1234").
  std::vector<std::pair<std::string, std::string>> labels;
  std::vector<fact> facts;  // for `info`, in the order shown
  // Damage that the reader could pass over, for the batch to report as warnings: the file was
  // read all the same.
  std::vector<trouble> warnings;
};

// Nothing when a read or a write went well, else its trouble.
using outcome = std::optional<trouble>;

// A file's bytes as read whole, and the name it is reported by.
struct input_file {
  byte_view bytes;
  std::string name;
};

// The most points of a spectrum that a file may give unless told otherwise (--max-points).
inline constexpr std::size_t default_most_points = 100'000'000;

// What a reader is told beyond the bytes.
struct read_options {
  int x_column = 1;  // the columns of a table to take as x and y, counting from 1 (CSV);
  int y_column = 0;  // y 0: every column but x, each a spectrum
  // Every x of an evenly spaced spectrum made from its ends. Off, a binary reader leaves x empty
  // there, for a writer that stores only the ends (SPC) and would not read them.
  bool even_x_values = true;
  // A spectrum of more points is refused: where the file gives its count first, before any
  // memory is taken for it.
  std::size_t most_points = default_most_points;
};

// The refusal of a spectrum of more points than read_options::most_points: too_many_points(100)
// says "more points than --max-points allows (100)".
inline trouble too_many_points(std::size_t most) {
  return trouble{"more points than --max-points allows (" + std::to_string(most) + ")"};
}

// What a writer is told beyond the document.
struct write_options {
  std::optional<std::string> memo;  // replaces the document's memo (SPC outputs)
  bool jcamp_affn = false;          // JCAMP-DX data as plain numbers instead of DIF/DUP
  std::string input_name;           // the input's file name, for a title where the file has none
};

}  // namespace spectrum
