// recio/recio.hpp: the record I/O layer: statements on the console, files and text variables;
// the stop and the fatal I/O report; the local clock; MSGLINE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>
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
// The same for values gathered beforehand: the layout starts again on a new record each time its
// values are used up, so one statement can write the values of many records.
void write(unit_number u, const layout& l, std::span<const value> values);
// The same into a text variable, which is the one record: filled from the left, blank-padded.
void write(text_ref record, const layout& l, std::initializer_list<value> values);
// Whether writing the values through the layout shows every one of them whole, with no field
// filled with asterisks; nothing is written. A layout starting again takes its fields again.
// fits(layout{"(F11.5,2X,E14.7)"}, values) is false when values holds full_real{100000.5}
// first.
bool fits(const layout& l, std::span<const value> values);
// Writes the text as one record, however long: a row of a wide table.
// write_record(u, "400,0.5,0.25") writes the record "400,0.5,0.25".
void write_record(unit_number u, std::string_view text);
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
// Reads rows free-form, statement after statement, as read_free does one: statement i takes the
// reals, single or double precision, columns[0][i x stride], columns[1][i x stride] and so on (at
// most max_columns of them).
// rows gives how many statements to read, and gets back how many read all their values. The code
// is that of the statement that ended the reading early, or ok; filled tells which of its
// columns got a value.
// read_free_rows(u, {.on_end = true}, {x, y}, 1, n) reads a point from each of n records.
inline constexpr std::size_t max_columns = 8;
io_code read_free_rows(unit_number u, returns r, std::span<float* const> columns,
                       std::size_t stride, std::size_t& rows, std::uint32_t* filled = nullptr);
io_code read_free_rows(unit_number u, returns r, std::span<double* const> columns,
                       std::size_t stride, std::size_t& rows, std::uint32_t* filled = nullptr);

// The ways a file is opened on a unit.
enum class open_mode {
  text_read,      // status "OLD", action "READ": an existing text file, read from its start
  text_write,     // status "REPLACE", action "WRITE": a new text file in place of any old one
  binary_update,  // status "UNKNOWN", form "BINARY": opened, or created empty, read and written
  binary_read,    // status "OLD", form "BINARY", action "READ": an existing byte stream
};

// Opens the named file on u. The name is used without its leading and trailing blanks; a blank
// name takes the next command-line argument not used yet, or is asked for at the console.
// Returns 0, or with r.on_error a non-zero code when the open fails.
int open(unit_number u, std::string_view name, open_mode mode, returns r = {});
// Opens the file of a path given whole, as the command line gives it: no blanks dropped, no
// question asked, and "-" is the standard input or output.
int open_path(unit_number u, std::string_view path, open_mode mode, returns r = {});
// What the command line asks of the outputs that open_path opens from now on, on every thread.
struct output_rules {
  bool regular_only = false;  // a FIFO, socket or device is refused, never opened for writing
  // Each folder is opened once for the batch; a closed output waits with others, to be flushed and
  // put in place together with them (take_settled_outputs).
  bool grouped = false;
};
void set_output_rules(output_rules rules);
// Marks the outputs that this thread closes from now on as those of the job tag.
void tag_outputs(std::size_t tag);
// How many of the outputs that this thread has closed under its tag wait in the group.
std::size_t outputs_waiting_of_tag();
// An output that waited, once it is in place or has failed (its name keeps what it held).
struct settled_output {
  std::size_t tag = 0;
  std::string name;
  io_error error = io_error::none;
};
// Gives back the outputs settled since the last call; with all, those still waiting are committed
// first.
std::vector<settled_output> take_settled_outputs(bool all);
// Ends the batch's rules: outputs still waiting are dropped, the folders kept for it closed.
void end_output_rules();
// The temporary files left by runs that have ended, which the opens of outputs have removed since
// the last call, each named by its folder and name.
std::vector<std::string> take_removed_leftovers();
// Where reading a whole file stopped: at its end, or past what is read of a file.
enum class read_stop : std::uint8_t {
  end,
  grew,       // a regular file went on past its size when opened, and the margin beyond it
  too_large,  // a device, a pipe or standard input went on past the most bytes read of it
};
// The bytes read of a regular file beyond its size when it was opened: a file that is written
// while it is read, or one whose size the system does not know (as those under /proc).
inline constexpr std::uint64_t growth_margin = 1 << 16;
// Reads the whole file of a path ("-": the standard input) into bytes: a regular file up to its
// size when it was opened and growth_margin bytes more, anything else up to most bytes. stop
// tells whether the end was reached; the bytes read so far are kept either way.
io_error read_whole_file(std::string_view path, std::vector<std::uint8_t>& bytes,
                         std::uint64_t most, read_stop& stop);
// Connects u to text held in memory, read as a text file of that name; the text must outlive
// the connection.
void open_memory(unit_number u, std::string_view text, std::string_view name);
// Closes the file on u (it stays on disk); returns 0, or with r.on_error a non-zero code.
int close(unit_number u, returns r = {});
// Reads bytes.size() bytes of the byte stream on u, as they lie in the file.
io_code read_bytes(unit_number u, std::span<std::uint8_t> bytes, returns r = {});
// Writes the bytes to the byte stream on u; the first write after the open or after a read cuts
// the file where it stands.
void write_bytes(unit_number u, std::span<const std::uint8_t> bytes);
// The command line, whose words stand in for blank file names.
void set_command_line(int argc, char** argv);
// The first step of every run: the standard streams carry the program's bytes unchanged, and the
// command line stands ready for blank file names.
void start_run(int argc, char** argv);

// How the run ended: a normal end, or a failure.
enum class exit_status : int { normal = 0, failure = 1 };
// Thrown by the stops; main catches it, and quietly for the work that it runs.
struct run_ended {
  exit_status status;
};

// Ends the run: the pending console line is ended, then the text and CR LF are written.
// stop("Program ends normally", exit_status::normal)
[[noreturn]] void stop(std::string_view text, exit_status status);
// Ends the run with "Stop - Program terminated."
[[noreturn]] void stop(exit_status status);
// Ends the run with the fatal I/O report on standard error and exit status 1.
// The file's name is the one connected to u, or name when given (a file that failed to open).
[[noreturn]] void fatal_io(io_error e, statement_kind k, unit_number u, std::string_view name = {});
// The last step of every run, after a stop: ends a pending console line, writes what is buffered
// and closes the files still open. Returns the process's exit status.
int finish_run(exit_status status);
// After finish_run, puts the layer back as the program starts: every unit of the pool free, no
// console line pending, the keyboard read afresh from where standard input now stands. For a
// process that carries out many runs one after another, such as a fuzz target.
void begin_new_run();

// Closes every file that this thread has open, putting outputs in place when keep is set and
// dropping them otherwise, and frees its units. Gives back the name of an output that could not
// be put in place, or an empty name.
std::string close_thread_files(bool keep);

// What a stop or a fatal report said when it came inside quietly: the run goes on.
struct failure {
  std::string text;                // the stop's text, or the fatal report's message
  io_error error = io_error::none;  // the fatal report's error; none for a stop
  statement_kind kind = statement_kind::open;
  std::string file;        // the file that the fatal report names
  std::uint64_t line = 0;  // the record of a text file where a read failed, counting from 1
};
// Whether this thread's stops and fatal reports are kept for quietly, with nothing written to the
// console; gives back the setting before.
bool set_quiet(bool on);
const failure& last_failure();
// Runs work with nothing written to the console, a stop or a fatal report ending only the work:
// its failure comes back as a value, every file that this thread has open closed and outputs
// dropped. Nothing when the work ran to its end. Any number of threads may each run work so.
template <class work_type>
std::optional<failure> quietly(work_type&& work) {
  const bool before = set_quiet(true);
  try {
    work();
  } catch (const run_ended&) {
    set_quiet(before);
    close_thread_files(false);
    return last_failure();
  }
  set_quiet(before);
  return std::nullopt;
}

// Gives back all that this thread holds of the layer, its files closed and outputs dropped; the
// last call of a thread that the command line started.
void end_thread();

// The local clock: a four-digit year, month and day; hour, minute, second and hundredths.
void local_date(std::int16_t& year, std::int16_t& month, std::int16_t& day);
void local_time(std::int16_t& hour, std::int16_t& minute, std::int16_t& second,
                std::int16_t& hundredths);

}  // namespace recio

// Takes the free I/O unit of the lowest slot of the pool; status 1, or 13 when none is free.
void GETCHAN(std::int16_t& unit, std::int32_t& status);
// Gives the unit back to the pool and closes its file; status 1, or -1 when the close failed.
void PUTCHAN(const std::int16_t& unit, std::int32_t& status);

// Writes one console line from a text framed by the delimiter that is its first character.
// MSGLINE("\\READSC can not read this file and\\") shows "READSC can not read this file and".
void MSGLINE(std::string_view text);
