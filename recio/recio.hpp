// recio/recio.hpp: the record I/O layer: statements on the console, files and text variables;
// the stop and the fatal I/O report; the local clock; MSGLINE.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "recio/fixed_text.hpp"
#include "recio/io_errors.hpp"
#include "recio/layout.hpp"
#include "recio/values.hpp"

namespace recio {

// The keyboard and the console; the unit pool never hands these numbers out.
inline constexpr unit_number keyboard = 5;
inline constexpr unit_number console = 6;

// Writes the values through the layout as one or more records.
// write(console, layout{"(' File ',A12,' read')"}, {name.view()}) shows " File name.xy     read".
void write(unit_number u, const layout& l, std::initializer_list<value> values);
// The same into a text variable, which is the one record: filled from the left, blank-padded.
void write(text_ref record, const layout& l, std::initializer_list<value> values);
// Writes the values free-form: one record with a leading blank (more when the line is full).
// write_free(console, {"  ", "K", " entered"}) shows "  K entered".
void write_free(unit_number u, std::initializer_list<value> values);

// Reads the targets through the layout from the next record(s) of u.
io_code read(unit_number u, const layout& l, returns r, std::initializer_list<target> targets);
// The same from a text held in memory, which is the one record.
io_code read(std::string_view record, const layout& l, returns r,
             std::initializer_list<target> targets);
// Reads the targets free-form; filled, when given, receives which targets got a value (bit i
// for target i).
io_code read_free(unit_number u, returns r, std::initializer_list<target> targets,
                  std::uint32_t* filled = nullptr);

// How the run ended: a normal end, or a failure.
enum class exit_status : int { normal = 0, failure = 1 };
// Thrown by the stops; only main catches it.
struct run_ended {
  exit_status status;
};

// Ends the run: the pending console line is ended, then the text and CR LF are written.
// stop("Program ends normally", exit_status::normal)
[[noreturn]] void stop(std::string_view text, exit_status status);
// Ends the run with "Stop - Program terminated."
[[noreturn]] void stop(exit_status status);
// Ends the run with the fatal I/O report on standard error and exit status 1.
[[noreturn]] void fatal_io(io_error e, statement_kind k, unit_number u);
// The last step of every run, after a stop: ends a pending console line, writes what is buffered
// and closes the files still open. Returns the process's exit status.
int finish_run(exit_status status);

// The local clock: a four-digit year, month and day; hour, minute, second and hundredths.
void local_date(std::int16_t& year, std::int16_t& month, std::int16_t& day);
void local_time(std::int16_t& hour, std::int16_t& minute, std::int16_t& second,
                std::int16_t& hundredths);

}  // namespace recio

// Writes one console line from a text framed by the delimiter that is its first character.
// MSGLINE("\\READSC can not read this file and\\") shows "READSC can not read this file and".
void MSGLINE(std::string_view text);
