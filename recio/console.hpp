// recio/console.hpp: the console's line control and the keyboard's records.
#pragma once

#include <cstdint>
#include <string_view>

#include "recio/record_reader.hpp"

namespace recio::console_io {

// Writes a console record: its first character selects the bytes written before the rest of
// it (a blank: CR LF when a line end is pending; "0": an empty line; "1": a new page; "+": CR).
// The record's own line end waits until the next record begins.
void put_record(std::string_view record);
// Writes bytes to standard output as they are, without line control.
void put_bytes(std::string_view bytes);
// Writes CR LF when a line end is pending; the pending state stays as it is.
void end_pending_line();
bool line_pending();
// The pending state set or cleared by writes that are not console records.
void mark_pending();
void clear_pending();
// Hands the buffered console output to standard output.
void flush();
// On a quiet thread every console operation does nothing.
void set_quiet(bool on);
bool is_quiet();
// False once a write to standard output has failed.
bool output_healthy();

// The keyboard's records; console output is flushed first.
record_reader& keyboard();
// After a keyboard read: on an interactive console the Enter that ended a line just read also
// ended the line on the screen. An end of input (Ctrl-D) ends no line, so the pending line end
// stays. line_ends_before is the keyboard reader's line_ends before the read.
void after_keyboard_read(std::uint64_t line_ends_before);
// Forgets what the keyboard's records have buffered, and that standard input had ended.
void reset_keyboard();

}  // namespace recio::console_io
