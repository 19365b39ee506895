// recio/record_reader.cpp: text records taken one by one from a file descriptor or from memory.
#include "recio/record_reader.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#include "recio/os.hpp"

namespace recio {

namespace {
constexpr char ctrl_z_byte = 26;

std::string_view without_cr(const char* start, std::size_t n) {
  if (n > 0 && start[n - 1] == '\r') --n;
  return {start, n};
}
}  // namespace

record_reader record_reader::from_memory(std::string_view text) {
  record_reader r;
  r.data = text.empty() ? "" : text.data();  // memchr must not be given a null pointer
  r.size = text.size();
  r.exhausted = true;
  r.find_ctrl_z();
  return r;
}

record_reader record_reader::from_text(std::string_view text) {
  record_reader r = from_memory(text);
  r.one_record = true;
  return r;
}

record_reader record_reader::from_fd(int fd, std::span<char> buffer, std::size_t max_record) {
  record_reader r;
  r.fd = fd;
  r.buffer = buffer;
  r.data = buffer.data();
  r.max_record = max_record;
  return r;
}

void record_reader::find_ctrl_z() {
  const void* z = std::memchr(data + pos, ctrl_z_byte, size - pos);
  ctrl_z = z != nullptr ? static_cast<std::size_t>(static_cast<const char*>(z) - data) : size;
}

void record_reader::reset() {
  pos = size = ctrl_z = 0;
  exhausted = fd < 0;
  read_failed = false;
  failure = io_error::none;
}

void record_reader::fail(io_error e) {
  read_failed = true;
  failure = e;
  exhausted = true;
}

// A buffer twice as large, holding what the full one held. False when the line would outgrow
// max_record or no memory can be had.
bool record_reader::grow() {
  if (buffer.size() >= max_record) return false;
  const std::size_t larger = std::min(max_record, std::max<std::size_t>(2 * buffer.size(), 16));
  std::unique_ptr<char[]> room(new (std::nothrow) char[larger]);
  if (room == nullptr) return false;
  std::memcpy(room.get(), data, size);
  grown = std::move(room);
  buffer = {grown.get(), larger};
  data = buffer.data();
  return true;
}

// Moves the unread bytes to the front of the buffer, or into a larger one when they fill it, and
// reads more behind them; false when nothing more can come.
bool record_reader::refill() {
  if (exhausted) return false;
  const std::size_t left = size - pos;
  if (pos > 0 && left > 0) std::memmove(buffer.data(), buffer.data() + pos, left);
  pos = 0;
  size = left;
  if (size == buffer.size() && !grow()) {
    fail(io_error::record_too_long);
    return false;
  }
  const std::int64_t n = os::read_some(fd, buffer.data() + size, buffer.size() - size);
  if (n > 0) {
    size += static_cast<std::size_t>(n);
    find_ctrl_z();
    return true;
  }
  if (n < 0) {
    fail(io_error::read_failed);
  } else {
    exhausted = true;
  }
  find_ctrl_z();
  return false;
}

bool record_reader::next_record(std::string_view& record) {
  // Every other case, kept out of the common one's way. A local class may reach the reader's
  // private members.
  struct general {
    [[gnu::noinline]] static bool next(record_reader& r, std::string_view& record) {
      if (r.one_record) {
        r.one_record = false;  // taken: the input has nothing more
        r.pos = r.size;
        record = {r.data, r.size};
        ++r.records;
        return true;
      }
      std::size_t scanned = 0;  // bytes from pos on known to hold no line end
      for (;;) {
        const char* const start = r.data + r.pos;
        const std::size_t avail = r.size - r.pos;
        const void* lf_at = std::memchr(start + scanned, '\n', avail - scanned);
        const std::size_t lf =
            lf_at != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf_at) - start)
                             : avail;
        if (r.ctrl_z - r.pos < lf) {
          // A byte 26 ends the input; what stands before it on its line is a last record.
          const std::size_t z = r.ctrl_z - r.pos;
          r.exhausted = true;
          r.size = r.pos = r.ctrl_z;
          if (z == 0) return false;
          record = without_cr(start, z);
          ++r.records;
          return true;
        }
        if (lf < avail) {
          record = without_cr(start, lf);
          r.pos += lf + 1;
          ++r.line_ends;
          ++r.records;
          return true;
        }
        scanned = avail;
        if (r.refill()) continue;
        // A failed input gives no record: what it holds of the line may not be all of it.
        const std::size_t have = r.size - r.pos;
        if (have == 0 || r.read_failed) return false;
        record = without_cr(r.data + r.pos, have);
        r.pos = r.size;
        ++r.records;
        return true;
      }
    }
  };
  // The common case: a whole line waits in the buffer, with no byte 26 before its end.
  if (!one_record) {
    const char* const start = data + pos;
    if (const void* lf_at = std::memchr(start, '\n', size - pos); lf_at != nullptr) {
      const auto lf = static_cast<std::size_t>(static_cast<const char*>(lf_at) - start);
      if (ctrl_z - pos >= lf) {
        record = without_cr(start, lf);
        pos += lf + 1;
        ++line_ends;
        ++records;
        return true;
      }
    }
  }
  return general::next(*this, record);
}

}  // namespace recio
