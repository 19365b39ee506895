// recio/console.cpp: the console's line control and the keyboard's records.
#include "recio/console.hpp"

#include <array>
#include <cstring>

#include "recio/os.hpp"

namespace recio::console_io {

namespace {

constexpr std::string_view crlf = "\r\n";

struct console_state {
  bool pending = false;  // a record was written and its line end is not
  bool healthy = true;
  // Standard input and output on one interactive console share the pending state: the Enter
  // that ends a keyboard line also ends the line of the prompt.
  int interactive = -1;  // -1 until first asked
  std::array<char, 1 << 16> out{};
  std::size_t out_size = 0;
  std::array<char, 1 << 16> in{};
  record_reader reader = record_reader::from_fd(os::standard_input, {in.data(), in.size()});
};

// A thread that converts quietly never reaches the console, whose state is the dialogue's.
thread_local bool quiet = false;

console_state& state() {
  static console_state s;
  return s;
}

bool interactive() {
  console_state& s = state();
  if (s.interactive < 0) s.interactive = os::interactive_console() ? 1 : 0;
  return s.interactive == 1;
}

void write_all(const char* p, std::size_t n) {
  console_state& s = state();
  if (s.healthy && n > 0) s.healthy = os::write_all(os::standard_output, p, n);
}

}  // namespace

void set_quiet(bool on) { quiet = on; }

bool is_quiet() { return quiet; }

void flush() {
  if (quiet) return;
  console_state& s = state();
  write_all(s.out.data(), s.out_size);
  s.out_size = 0;
}

void put_bytes(std::string_view bytes) {
  if (quiet) return;
  console_state& s = state();
  if (bytes.size() > s.out.size() - s.out_size) flush();
  if (bytes.size() > s.out.size()) {
    write_all(bytes.data(), bytes.size());
    return;
  }
  std::memcpy(s.out.data() + s.out_size, bytes.data(), bytes.size());
  s.out_size += bytes.size();
}

void put_record(std::string_view record) {
  if (quiet) return;
  console_state& s = state();
  const char control = record.empty() ? ' ' : record.front();
  switch (control) {
    case '0':
      put_bytes(s.pending ? "\r\n\r\n" : crlf);
      break;
    case '1':
      put_bytes("\r\n\f\r \r");
      break;
    case '+':
      put_bytes("\r");
      break;
    default:
      if (s.pending) put_bytes(crlf);
      break;
  }
  if (!record.empty()) put_bytes(record.substr(1));
  s.pending = true;
}

void end_pending_line() {
  if (!quiet && state().pending) put_bytes(crlf);
}

bool line_pending() { return !quiet && state().pending; }

void mark_pending() {
  if (!quiet) state().pending = true;
}

void clear_pending() {
  if (!quiet) state().pending = false;
}

bool output_healthy() { return state().healthy; }

record_reader& keyboard() {
  flush();
  return state().reader;
}

void after_keyboard_read(std::uint64_t line_ends_before) {
  console_state& s = state();
  if (s.reader.line_ends != line_ends_before && interactive()) s.pending = false;
}

void reset_keyboard() { state().reader.reset(); }

}  // namespace recio::console_io
