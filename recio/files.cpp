// recio/files.cpp: opening and closing files on I/O units, text records in files and binary byte
// streams.
#include "recio/files.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "recio/console.hpp"
#include "recio/os.hpp"
#include "recio/output_group.hpp"
#include "recio/recio.hpp"

namespace recio {

namespace {

constexpr std::size_t max_connections = 24;  // the pool's twenty units and a few more
constexpr std::size_t buffer_size = 1 << 16;
constexpr std::size_t max_typed_name = 260;  // the longest name taken from the keyboard

enum class access : std::uint8_t { read, write, both };

struct connection {
  unit_number unit = 0;
  int fd = -1;  // -1: the slot is free
  bool borrowed = false;  // standard output or bytes in memory: the close leaves them be
  bool binary = false;
  bool regular = true;  // a plain file, not a device or a pipe: it can be cut
  bool is_output = false;
  bool ever_written = false;  // a byte has been written since the open
  bool grouped = false;       // an output of a batch, committed with others
  std::uint64_t bytes_out = 0;  // the bytes written to the file
  access allowed = access::read;
  os::output_file output;  // an output's file, replaced whole when it is closed
  std::string name;        // whole, as given: for the system and the reports
  std::span<char> in;  // the slot's buffers, from open on
  record_reader reader;  // text files read through in
  // Binary streams: unread bytes are in[in_pos, in_size); position is where the next byte read
  // or written lies in the file.
  std::size_t in_pos = 0;
  std::size_t in_size = 0;
  std::uint64_t position = 0;
  bool writing = false;  // the last transfer was a write
  std::span<char> out;
  std::size_t out_size = 0;
};

struct slot_buffers {
  std::array<char, buffer_size> in;
  std::array<char, buffer_size> out;
};

// Each thread has its own files: the command line converts several files at once, each on a
// thread of its own, and the dialogue has one thread. They are made when the thread first needs
// them; only a plain pointer is thread-local, so that nothing is left to destroy when a thread
// ends (some systems free a thread's storage before its destructors run): end_thread gives them
// back.
struct thread_files {
  std::array<connection, max_connections> connections;
  // The connections' buffers, left uninitialised: a slot's pages are touched only once a file is
  // open on it.
  std::array<slot_buffers, max_connections> buffers;
  // The connection last found: a conversion reads or writes one unit record after record.
  connection* last_found = nullptr;
};
thread_local thread_files* files_here = nullptr;

thread_files& here() {
  if (files_here == nullptr) files_here = new thread_files;
  return *files_here;
}

// The command line's words, handed out one by one for blank file names.
int argument_count = 0;
char** arguments = nullptr;
int next_argument = 1;

connection* find(unit_number u) {
  thread_files& t = here();
  if (t.last_found != nullptr && t.last_found->fd >= 0 && t.last_found->unit == u)
    return t.last_found;
  for (connection& c : t.connections) {
    if (c.fd >= 0 && c.unit == u) {
      t.last_found = &c;
      return &c;
    }
  }
  return nullptr;
}

bool flush(connection& c) {
  const bool ok = os::write_all(c.fd, c.out.data(), c.out_size);
  c.bytes_out += c.out_size;
  c.out_size = 0;
  return ok;
}

// A write that fails ends the run: the file would not hold what the program wrote.
void flush_or_fail(connection& c) {
  if (!flush(c)) fatal_io(io_error::write_failed, statement_kind::write, c.unit);
}

void put(connection& c, std::string_view bytes) {
  while (!bytes.empty()) {
    if (c.out_size == c.out.size()) flush_or_fail(c);
    const std::size_t n = std::min(bytes.size(), c.out.size() - c.out_size);
    std::memcpy(c.out.data() + c.out_size, bytes.data(), n);
    c.out_size += n;
    bytes.remove_prefix(n);
  }
}

// A text file's record ends in CR LF; its first character is data like any other.
void file_sink(void* context, std::string_view record) {
  auto& c = *static_cast<connection*>(context);
  if (record.size() + 2 > c.out.size() - c.out_size) {
    put(c, record);
    put(c, "\r\n");
    return;
  }
  // The common case: the record and its line end fit what is left of the buffer.
  char* const at = c.out.data() + c.out_size;
  std::memcpy(at, record.data(), record.size());
  at[record.size()] = '\r';
  at[record.size() + 1] = '\n';
  c.out_size += record.size() + 2;
}

// Puts an output in place of its name (keep), or drops what was written to it so that the name
// keeps what it held. A byte stream opened on an existing file and never written leaves that file
// as it was.
io_error settle_output(connection& c, bool keep) {
  if (!keep || (c.output.staged && c.binary && c.output.existed && !c.ever_written)) {
    os::discard_output(c.output);
    return io_error::none;
  }
  if (c.grouped) return wait_in_group(c.output, c.name, c.bytes_out);
  return os::commit_output(c.output);
}

// Before the first byte written to a staged byte stream over an existing file: the bytes before
// the place where writing begins are the old file's, as in a file updated in place.
bool copy_source_prefix(connection& c) {
  std::uint64_t copied = 0;
  while (copied < c.position) {
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::uint64_t>(c.in.size(), c.position - copied));
    const std::int64_t got = os::read_at(c.output.source_fd, c.in.data(), n, copied);
    if (got <= 0 || !os::write_all(c.fd, c.in.data(), static_cast<std::size_t>(got))) return false;
    copied += static_cast<std::uint64_t>(got);
  }
  return true;
}

// A name without its leading and trailing blanks (zero bytes, as in a name never set, count as
// blanks).
std::string_view trimmed(std::string_view name) {
  const auto blank = [](char ch) { return ch == ' ' || ch == '\0'; };
  while (!name.empty() && blank(name.front())) name.remove_prefix(1);
  while (!name.empty() && blank(name.back())) name.remove_suffix(1);
  return name;
}

// The reply is read wider than the longest name, so that a longer one is seen and refused
// rather than cut.
constexpr std::size_t reply_width = 4096;
constexpr layout name_reply{"(A4096)"};
fixed_text<reply_width> reply;

// A blank name: the next command-line argument not used yet, whole, else the user is asked until
// the reply is not blank. A typed name longer than max_typed_name ends the run.
void name_for_blank(unit_number u, std::string& name) {
  if (next_argument < argument_count) {
    name = trimmed(arguments[next_argument++]);
    if (!name.empty()) return;
  }
  for (;;) {
    if (console_io::line_pending()) {
      console_io::end_pending_line();
      console_io::clear_pending();
    }
    std::array<char, 16> digits{};
    const char* end = std::to_chars(digits.data(), digits.data() + digits.size(), u).ptr;
    console_io::put_bytes("File name missing or blank - please enter file name\r\nUNIT ");
    console_io::put_bytes({digits.data(), static_cast<std::size_t>(end - digits.data())});
    console_io::put_bytes("? ");
    console_io::mark_pending();
    read(keyboard, name_reply, {}, {reply.ref()});
    const std::string_view word = trimmed(reply.view());
    if (word.size() > max_typed_name)
      fatal_io(io_error::name_too_long, statement_kind::open, u, word);
    if (!word.empty()) {
      name = word;
      return;
    }
  }
}

}  // namespace

void set_command_line(int argc, char** argv) {
  argument_count = argc;
  arguments = argv;
  next_argument = 1;
}

namespace {

// Takes a free slot for u, first closing a file that u may still have.
connection& free_connection(unit_number u) {
  // A unit already connected is closed first, as a new open of it replaces the old file.
  if (find(u) != nullptr) close(u, {.on_error = true});
  thread_files& t = here();
  auto free_slot = std::find_if(t.connections.begin(), t.connections.end(),
                                [](const connection& c) { return c.fd < 0; });
  connection& c = *free_slot;  // there are more slots than units the pool hands out
  slot_buffers& b = t.buffers[static_cast<std::size_t>(free_slot - t.connections.begin())];
  c.in = b.in;
  c.out = b.out;
  c.unit = u;
  c.borrowed = false;
  c.ever_written = false;
  c.grouped = false;
  c.bytes_out = 0;
  c.in_pos = c.in_size = 0;
  c.position = 0;
  c.writing = false;
  c.out_size = 0;
  return c;
}

// Opens c.name on c in the mode: for "-" with standard, the standard input or output.
int connect(connection& c, open_mode mode, returns r, bool standard) {
  switch (mode) {
    case open_mode::text_read:
    case open_mode::binary_read:
      c.allowed = access::read;
      break;
    case open_mode::text_write:
      c.allowed = access::write;
      break;
    case open_mode::binary_update:
      c.allowed = access::both;
      break;
  }
  c.binary = mode == open_mode::binary_read || mode == open_mode::binary_update;
  c.is_output = mode == open_mode::text_write || mode == open_mode::binary_update;
  io_error failure = io_error::none;
  int fd = -1;
  bool regular = true;
  if (standard && c.name == "-") {
    // The standard streams are written as they come, and stay open.
    fd = c.is_output ? os::standard_output : os::standard_input;
    c.borrowed = true;
    regular = false;
    c.output = {};
    c.output.fd = fd;
    c.output.regular = false;
  } else if (c.name.find('\0') != std::string::npos) {
    failure = io_error::cannot_open;
  } else if (!c.is_output) {
    failure = os::open_input(c.name.c_str(), fd);
  } else {
    // The command line's outputs follow its rules; the dialogue's, the layer's own.
    const output_rules rules = standard ? output_rules_now() : output_rules{};
    c.grouped = rules.grouped;
    failure = os::open_output(c.name.c_str(), mode == open_mode::binary_update,
                              mode == open_mode::text_write, c.output,
                              {.regular_only = rules.regular_only, .kept_folders = rules.grouped});
    fd = c.output.fd;
    regular = c.output.regular;
  }
  if (failure != io_error::none) {
    if (r.on_error) return static_cast<int>(failure);
    fatal_io(failure, statement_kind::open, c.unit, c.name);
  }
  c.fd = fd;
  c.regular = regular;
  c.reader = record_reader::from_fd(fd, {c.in.data(), c.in.size()});
  return 0;
}

}  // namespace

int open(unit_number u, std::string_view name, open_mode mode, returns r) {
  if (u == -32768) {
    if (r.on_error) return static_cast<int>(io_error::unit_out_of_range);
    fatal_io(io_error::unit_out_of_range, statement_kind::open, u);
  }
  connection& c = free_connection(u);
  c.name = trimmed(name);
  if (c.name.empty()) name_for_blank(u, c.name);
  return connect(c, mode, r, false);
}

int open_path(unit_number u, std::string_view path, open_mode mode, returns r) {
  connection& c = free_connection(u);
  c.name = path;
  return connect(c, mode, r, true);
}

void open_memory(unit_number u, std::string_view text, std::string_view name) {
  connection& c = free_connection(u);
  c.name = name;
  c.allowed = access::read;
  c.binary = false;
  c.is_output = false;
  c.borrowed = true;
  c.regular = false;
  c.fd = std::numeric_limits<int>::max();  // in use, and never given to the system
  c.reader = record_reader::from_memory(text);
}

int close(unit_number u, returns r) {
  connection* c = find(u);
  if (c == nullptr) return 0;
  const bool flushed = flush(*c);
  const int fd = c->fd;
  c->fd = -1;
  const std::string_view name{c->name};
  if (c->borrowed) {
    if (flushed) return 0;
    fatal_io(io_error::write_failed, statement_kind::write, u, name);
  }
  const bool staged = c->is_output && c->output.staged;
  if (!flushed) {
    // Records that never reached the file: a write failure, whatever the close asked for. An
    // output's name keeps what it held.
    if (c->is_output) {
      os::discard_output(c->output);
    } else {
      os::close_file(fd);
    }
    fatal_io(io_error::write_failed, statement_kind::write, u, name);
  }
  io_error e = io_error::none;
  if (c->is_output) {
    e = settle_output(*c, true);
  } else if (!os::close_file(fd)) {
    e = io_error::close_failed;
  }
  if (e == io_error::none) return 0;
  // A staged output that did not take its name's place was not written: no return covers that.
  if (staged)
    fatal_io(e, e == io_error::write_failed ? statement_kind::write : statement_kind::close, u,
             name);
  if (r.on_error) return static_cast<int>(io_error::close_failed);
  fatal_io(io_error::close_failed, statement_kind::close, u, name);
}

io_code read_bytes(unit_number u, std::span<std::uint8_t> bytes, returns r) {
  connection* c = find(u);
  if (c == nullptr || !c->binary || c->allowed == access::write) {
    if (r.on_error) return io_code::bad_value;
    fatal_io(io_error::unit_not_connected, statement_kind::read, u);
  }
  if (c->writing) {
    flush_or_fail(*c);
    c->writing = false;
  }
  // A staged byte stream reads the file it replaces until writing begins.
  const int source = c->output.source_fd >= 0 && !c->ever_written ? c->output.source_fd : c->fd;
  std::size_t done = 0;
  while (done < bytes.size()) {
    if (c->in_pos == c->in_size) {
      const std::int64_t n = os::read_at(source, c->in.data(), c->in.size(), c->position);
      if (n <= 0) {
        c->in_pos = c->in_size = 0;
        const io_error e = n == 0 ? io_error::end_of_file : io_error::read_failed;
        if (n == 0 && r.on_end) return io_code::end;
        if (n < 0 && r.on_error) return io_code::bad_value;
        fatal_io(e, statement_kind::read, u);
      }
      c->in_pos = 0;
      c->in_size = static_cast<std::size_t>(n);
    }
    const std::size_t n = std::min(bytes.size() - done, c->in_size - c->in_pos);
    std::memcpy(bytes.data() + done, c->in.data() + c->in_pos, n);
    c->in_pos += n;
    c->position += n;
    done += n;
  }
  return io_code::ok;
}

void write_bytes(unit_number u, std::span<const std::uint8_t> bytes) {
  connection* c = find(u);
  if (c == nullptr || !c->binary || c->allowed == access::read)
    fatal_io(io_error::unit_not_connected, statement_kind::write, u);
  if (!c->writing) {
    // Writing begins: the file is cut where it stands, so it ends with the bytes written. A
    // device or a pipe has no length to cut and no place to go back to: it takes the bytes.
    c->in_pos = c->in_size = 0;
    if (c->output.source_fd >= 0 && !c->ever_written && !copy_source_prefix(*c))
      fatal_io(io_error::write_failed, statement_kind::write, u);
    c->ever_written = true;
    if (c->regular && !os::cut_at(c->fd, c->position))
      fatal_io(io_error::write_failed, statement_kind::write, u);
    c->writing = true;
  }
  put(*c, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  c->position += bytes.size();
}

io_error read_whole_file(std::string_view path, std::vector<std::uint8_t>& bytes,
                         std::uint64_t most, read_stop& stop) {
  bytes.clear();
  stop = read_stop::end;
  int fd = os::standard_input;
  if (path != "-") {
    const std::string name{path};
    if (name.find('\0') != std::string::npos) return io_error::cannot_open;
    if (const io_error e = os::open_input(name.c_str(), fd); e != io_error::none) return e;
  }
  // The file is closed however the reading ends, memory that cannot be had too.
  const struct closer {
    int fd;
    ~closer() {
      if (fd != os::standard_input) os::close_file(fd);
    }
  } close_at_end{fd};
  // A regular file takes the room of its size at once, so that it is read into no more memory
  // than it needs.
  std::uint64_t size = 0;
  const bool regular = os::regular_file_size(fd, size);
  if (regular) {
    most = size + growth_margin;
    bytes.reserve(static_cast<std::size_t>(size));
  }
  io_error result = io_error::none;
  // Read in pieces and appended: the vector's bytes are written once, never cleared first. One
  // byte past the most read tells a file that goes on.
  std::array<char, buffer_size> piece;
  for (;;) {
    const std::uint64_t wanted = std::min<std::uint64_t>(piece.size(), most + 1 - bytes.size());
    const std::int64_t n = os::read_some(fd, piece.data(), static_cast<std::size_t>(wanted));
    if (n < 0) result = io_error::read_failed;
    if (n <= 0) break;
    const auto taken = std::min<std::uint64_t>(static_cast<std::uint64_t>(n), most - bytes.size());
    bytes.insert(bytes.end(), piece.data(), piece.data() + taken);
    if (taken < static_cast<std::uint64_t>(n)) {
      stop = regular ? read_stop::grew : read_stop::too_large;
      break;
    }
  }
  return result;
}

namespace files {

record_sink text_sink(unit_number u) {
  connection* c = find(u);
  if (c == nullptr || c->binary || c->allowed == access::read)
    fatal_io(io_error::unit_not_connected, statement_kind::write, u);
  return {file_sink, c};
}

record_reader& text_reader(unit_number u) {
  connection* c = find(u);
  if (c == nullptr || c->binary || c->allowed == access::write)
    fatal_io(io_error::unit_not_connected, statement_kind::read, u);
  return c->reader;
}

std::uint64_t line_of(unit_number u) {
  const connection* c = find(u);
  return c != nullptr && !c->binary && !c->is_output ? c->reader.records : 0;
}

std::string_view name_of(unit_number u) {
  const connection* c = find(u);
  return c != nullptr ? std::string_view{c->name} : std::string_view{};
}

std::string_view close_all(bool keep_outputs) {
  std::string_view lost;
  if (files_here == nullptr) return lost;
  for (connection& c : files_here->connections) {
    if (c.fd < 0) continue;
    const bool flushed = flush(c);
    if (c.borrowed) {
      if (!flushed && lost.empty()) lost = c.name;
    } else if (c.is_output) {
      const io_error e = settle_output(c, keep_outputs && flushed);
      if ((!flushed || e != io_error::none) && lost.empty()) lost = c.name;
    } else {
      os::close_file(c.fd);
    }
    c.fd = -1;
  }
  return lost;
}

void release_thread_files() {
  delete files_here;
  files_here = nullptr;
}

}  // namespace files

}  // namespace recio
