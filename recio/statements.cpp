// recio/statements.cpp: the statements of the record layer, routed to the console, the keyboard
// and text variables.
#include <algorithm>
#include <array>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "recio/console.hpp"
#include "recio/files.hpp"
#include "recio/free_input.hpp"
#include "recio/layout_input.hpp"
#include "recio/os.hpp"
#include "recio/recio.hpp"
#include "recio/record_output.hpp"

namespace recio {

namespace {

void console_sink(void*, std::string_view record) { console_io::put_record(record); }

// A text variable takes the first record; a layout never gives it more.
struct memory_record {
  text_ref target;
  bool filled = false;
};
void memory_sink(void* context, std::string_view record) {
  auto* m = static_cast<memory_record*>(context);
  if (!m->filled) assign_text(m->target, record);
  m->filled = true;
}

// Units 5 and 6 are the keyboard and the console while no file is open on them.
bool is_console(unit_number u) {
  return (u == console || u == keyboard) && files::name_of(u).empty();
}

record_sink sink_for(unit_number u) {
  if (u == console && is_console(u)) return {console_sink, nullptr};
  return files::text_sink(u);
}

// Turns the outcome of a read into the code that the statement gives back, or ends the run when
// the statement has no return for what happened.
io_code settle_failure(const read_outcome& o, const record_reader& in, returns r, unit_number u) {
  if (in.read_failed) {
    if (r.on_error) return io_code::bad_value;
    fatal_io(in.failure, statement_kind::read, u);
  }
  if (o.code == io_code::end && !r.on_end) fatal_io(io_error::end_of_file, statement_kind::read, u);
  if (o.code == io_code::bad_value && !r.on_error) fatal_io(o.error, statement_kind::read, u);
  return o.code;
}

io_code settle(const read_outcome& o, const record_reader& in, returns r, unit_number u) {
  if (o.code == io_code::ok && !in.read_failed) return io_code::ok;  // the common case
  return settle_failure(o, in, r, u);
}

std::string_view unit_file_name(unit_number u) {
  const std::string_view name = files::name_of(u);
  if (!name.empty()) return name;
  if (u == keyboard) return "stdin";
  if (u == console) return "stdout";
  return "";
}

// The fatal report's first line: CR LF, "run-time error F6010: READ(stdin)", CR LF.
void report_to_stderr(io_error e, statement_kind k, std::string_view name) {
  std::array<char, 16> number{};
  std::snprintf(number.data(), number.size(), "F%04d", 6000 + static_cast<int>(e));
  const std::array<std::string_view, 9> parts{
      "\r\nrun-time error ", number.data(), statement_label(k), name, ")\r\n- ",
      error_text(e),         "\r\n"};
  for (const std::string_view p : parts)
    if (!os::write_all(os::standard_error, p.data(), p.size())) return;
}

}  // namespace

void write(unit_number u, const layout& l, std::initializer_list<value> values) {
  build_layout_records(l, {values.begin(), values.size()}, sink_for(u));
}

void write(unit_number u, const layout& l, std::span<const value> values) {
  build_layout_records(l, values, sink_for(u));
}

void write(text_ref record, const layout& l, std::initializer_list<value> values) {
  memory_record m{record};
  build_layout_records(l, {values.begin(), values.size()}, {memory_sink, &m});
}

void write_free(unit_number u, std::initializer_list<value> values) {
  build_free_records({values.begin(), values.size()}, sink_for(u));
}

io_code read(unit_number u, const layout& l, returns r, std::initializer_list<target> targets) {
  const bool from_keyboard = u == keyboard && is_console(u);
  record_reader& in = from_keyboard ? console_io::keyboard() : files::text_reader(u);
  const std::uint64_t line_ends = in.line_ends;
  const read_outcome o = read_layout_from(in, l, {targets.begin(), targets.size()});
  if (from_keyboard) console_io::after_keyboard_read(line_ends);
  return settle(o, in, r, u);
}

io_code read(std::string_view record, const layout& l, returns r,
             std::initializer_list<target> targets) {
  record_reader in = record_reader::from_text(record);
  const read_outcome o = read_layout_from(in, l, {targets.begin(), targets.size()});
  return settle(o, in, r, 0);
}

io_code read_free(unit_number u, returns r, std::initializer_list<target> targets,
                  std::uint32_t* filled) {
  const bool from_keyboard = u == keyboard && is_console(u);
  record_reader& in = from_keyboard ? console_io::keyboard() : files::text_reader(u);
  const std::uint64_t line_ends = in.line_ends;
  const read_outcome o = read_free_from(in, {targets.begin(), targets.size()});
  if (from_keyboard) console_io::after_keyboard_read(line_ends);
  if (filled != nullptr) *filled = o.filled;
  return settle(o, in, r, u);
}

namespace {
// read_free_rows for columns of either precision.
template <class real>
io_code read_rows(unit_number u, returns r, std::span<real* const> columns, std::size_t stride,
                  std::size_t& rows, std::uint32_t* filled) {
  const bool from_keyboard = u == keyboard && is_console(u);
  record_reader& in = from_keyboard ? console_io::keyboard() : files::text_reader(u);
  std::array<target, max_columns> targets;
  const std::size_t width = std::min(columns.size(), targets.size());
  for (std::size_t i = 0; i < rows; ++i) {
    for (std::size_t j = 0; j < width; ++j) targets[j] = columns[j] + i * stride;
    const std::uint64_t line_ends = in.line_ends;
    const read_outcome o = read_free_from(in, {targets.data(), width});
    if (from_keyboard) console_io::after_keyboard_read(line_ends);
    if (o.code != io_code::ok || in.read_failed) {
      rows = i;
      if (filled != nullptr) *filled = o.filled;
      return settle(o, in, r, u);
    }
  }
  return io_code::ok;
}
}  // namespace

io_code read_free_rows(unit_number u, returns r, std::span<float* const> columns,
                       std::size_t stride, std::size_t& rows, std::uint32_t* filled) {
  return read_rows(u, r, columns, stride, rows, filled);
}

io_code read_free_rows(unit_number u, returns r, std::span<double* const> columns,
                       std::size_t stride, std::size_t& rows, std::uint32_t* filled) {
  return read_rows(u, r, columns, stride, rows, filled);
}

namespace {
// Made when first needed and given back by end_thread: a plain pointer leaves nothing to destroy
// when a thread ends.
thread_local failure* last_here = nullptr;

failure& last() {
  if (last_here == nullptr) last_here = new failure;
  return *last_here;
}
}  // namespace

bool set_quiet(bool on) {
  const bool before = console_io::is_quiet();
  console_io::set_quiet(on);
  return before;
}

const failure& last_failure() { return last(); }

void end_thread() {
  close_thread_files(false);
  files::release_thread_files();
  delete last_here;
  last_here = nullptr;
}

void stop(std::string_view text, exit_status status) {
  if (console_io::is_quiet()) {
    last() = {};
    last().text = text;
    throw run_ended{status};
  }
  // The pending line end is written but stays pending: the end of the run writes one more.
  console_io::end_pending_line();
  console_io::put_bytes(text);
  console_io::put_bytes("\r\n");
  throw run_ended{status};
}

void stop(exit_status status) { stop("Stop - Program terminated.", status); }

void fatal_io(io_error e, statement_kind k, unit_number u, std::string_view name) {
  if (console_io::is_quiet()) {
    last() = {std::string{error_text(e)}, e, k, std::string{name.empty() ? unit_file_name(u) : name},
            k == statement_kind::read ? files::line_of(u) : 0};
    throw run_ended{exit_status::failure};
  }
  console_io::flush();  // what the console showed comes before the report
  report_to_stderr(e, k, name.empty() ? unit_file_name(u) : name);
  throw run_ended{exit_status::failure};
}

void start_run(int argc, char** argv) {
  os::prepare_standard_streams();
  // Blank file names take the words in UTF-8, as the system's files take every name.
  static std::vector<std::string> words;
  static std::vector<char*> pointers;
  words = os::command_line(argc, argv);
  pointers.clear();
  for (std::string& w : words) pointers.push_back(w.data());
  set_command_line(static_cast<int>(pointers.size()), pointers.data());
}

int finish_run(exit_status status) {
  console_io::end_pending_line();
  console_io::flush();
  if (const std::string_view lost = files::close_all(status == exit_status::normal); !lost.empty()) {
    report_to_stderr(io_error::write_failed, statement_kind::write, lost);
    status = exit_status::failure;
  }
  if (!console_io::output_healthy()) {
    // The console lost what was written to it: that is no normal end.
    report_to_stderr(io_error::write_failed, statement_kind::write, unit_file_name(console));
    status = exit_status::failure;
  }
  return static_cast<int>(status);
}

}  // namespace recio
