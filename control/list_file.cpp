// control/list_file.cpp: the conversion list file: a count, then one entry per conversion (input
// name and code, output name and code, and a memo record for SPC output).
#include "control/list_file.hpp"

#include "control/dispatch.hpp"
#include "recio/recio.hpp"

namespace control {

namespace {

using recio::console;

constexpr recio::layout cannot_open{"(' File',A12,' can not be opened; enter new file name')"};
constexpr recio::layout was_read{"(' File ',A12,' read')"};
constexpr recio::layout was_written{"(' File ',A12,' written'/)"};
constexpr recio::layout name_record{"(A12)"};
constexpr recio::layout memo_record{"(A130)"};

constexpr bool is_format(std::int32_t code) { return code >= 1 && code <= 6 && code != 4; }

void option_not_available() { recio::write_free(console, {" option not available"}); }

// The list file's state, zero at start.
struct list_state {
  file_name name;
  std::int16_t unit = 0;
  std::int32_t status = 0;
  std::int32_t count = 0;
};
list_state list;

// Asks for the list file until one opens. The unit of a failed attempt goes back to the pool, so
// attempts never use it up.
void open_list_file() {
  for (;;) {
    recio::write_free(console, {" enter input file name :  "});
    recio::read(recio::keyboard, name_record, {}, {list.name.ref()});
    GETCHAN(list.unit, list.status);
    if (recio::open(list.unit, list.name.view(), recio::open_mode::text_read, {.on_error = true}) ==
        0)
      return;
    recio::write(console, cannot_open, {list.name.view()});
    PUTCHAN(list.unit, list.status);
  }
}

// Reads the next entry into the state. False when the file ended inside the entry's values: such
// an entry would mix its values with the previous entry's, so it is not carried out. An end of
// the file before the first value leaves the previous entry's values as they were.
bool read_entry(conversion& c) {
  std::uint32_t filled = 0;
  const recio::io_code code = recio::read_free(
      list.unit, {.on_end = true},
      {c.input_name.ref(), &c.input_code, c.output_name.ref(), &c.output_code}, &filled);
  if (code == recio::io_code::end) return filled == 0;
  if (c.output_code == 5 || c.output_code == 6)
    recio::read(list.unit, memo_record, {.on_end = true}, {c.data.memo.ref()});
  return true;
}

void convert(conversion& c) {
  fixed_spectrum& s = c.data;
  if (!is_format(c.input_code)) {
    option_not_available();
    return;
  }
  read_spectrum(c.input_code, c.input_name, s);
  if (s.count > array_capacity) {
    too_many_points(c.input_name);
    return;
  }
  recio::write(console, was_read, {c.input_name.view()});
  if (!is_format(c.output_code)) {
    option_not_available();
    return;
  }
  write_spectrum(c.output_code, c.output_name, s);
  recio::write(console, was_written, {c.output_name.view()});
}

}  // namespace

void run_list_file(conversion& state) {
  list = list_state{};  // a run in a process that has run before starts like the first
  open_list_file();
  recio::read_free(list.unit, {}, {&list.count});
  for (std::int32_t pass = list.count; pass > 0; --pass) {
    if (!read_entry(state)) {
      recio::write_free(console, {" Incomplete entry at end of list file; not converted"});
      break;
    }
    convert(state);
  }
  PUTCHAN(list.unit, list.status);
  recio::stop("Program ends normally", recio::exit_status::normal);
}

}  // namespace control
