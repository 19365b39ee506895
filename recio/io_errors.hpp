// recio/io_errors.hpp: the failures that end the run with the fatal I/O report.
#pragma once

#include <cstdint>
#include <string_view>

namespace recio {

// Reported as "F" and 6000 plus the code.
enum class io_error : std::int16_t {
  none = 0,
  file_not_found = 2,
  permission_denied = 3,
  cannot_open = 4,
  end_of_file = 10,
  invalid_integer = 11,
  invalid_real = 12,
  integer_out_of_range = 13,
  real_out_of_range = 14,
  read_failed = 20,
  write_failed = 21,
  close_failed = 22,
  record_too_long = 23,
  file_in_use = 24,
  no_space = 25,
  quota_exceeded = 26,
  read_only_file_system = 27,
  busy = 28,
  too_many_links = 29,
  unit_out_of_range = 30,
  unit_not_connected = 31,
  name_too_long = 32,
  link_loop = 33,
  not_regular_file = 34,
};

// The kind of statement named in the report.
enum class statement_kind : std::uint8_t {
  open,
  close,
  read,
  write,
  inquire,
  endfile,
  rewind,
  backspace,
  locking,
  eof
};

// The message text of an error, such as "end of file encountered".
std::string_view error_text(io_error e);
// ": READ(" for statement_kind::read, and so on.
std::string_view statement_label(statement_kind k);

}  // namespace recio
