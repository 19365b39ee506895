// recio/record_reader.hpp: text records taken one by one from a file descriptor or from memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "recio/values.hpp"

namespace recio {

// A record ends at LF, and a CR just before the LF is not part of it; a last line without a line
// end is still a record; a byte 26 (Ctrl-Z) ends the input. A record of any length is read whole:
// a line longer than the buffer moves the reading to a larger one, which is kept for the records
// after it. A line longer than max_record (its line end counted), or one for which no memory can
// be had, is a failure of the input, never a record cut short.
struct record_reader {
  static constexpr std::size_t default_max_record = std::size_t{1} << 30;

  int fd = -1;                 // -1: the input is the memory given to from_memory
  std::span<char> buffer;      // room for reading from fd
  const char* data = nullptr;  // unread input is data[pos, size)
  std::size_t pos = 0;
  std::size_t size = 0;
  std::size_t ctrl_z = 0;  // where the first byte 26 from pos on lies; size when there is none
  std::size_t max_record = default_max_record;
  // Records taken that a line end closed: at a keyboard, each is a line the user ended with Enter.
  std::uint64_t line_ends = 0;
  std::uint64_t records = 0;  // records taken: the last one is line number `records`
  bool exhausted = false;    // fd has reported its end, or a byte 26 was met
  bool read_failed = false;  // the input failed: failure says how
  io_error failure = io_error::none;
  bool one_record = false;  // from_text, until its one record is taken
  std::unique_ptr<char[]> grown;  // the larger buffer, once a line needed one

  // A reader of the text in memory, split into records like a file; the text must outlive the
  // reader.
  static record_reader from_memory(std::string_view text);
  // A text variable read as a record: one record holding every character of the text.
  static record_reader from_text(std::string_view text);
  // A reader of fd through buffer, and larger buffers for lines that need them.
  static record_reader from_fd(int fd, std::span<char> buffer,
                               std::size_t max_record = default_max_record);

  // Sets record to the next record and returns true, or returns false at the end of input.
  bool next_record(std::string_view& record);
  // Whether the byte just after record, the one next_record gave last, can still be read; it is
  // then the LF that ended the record or a CR dropped from its end.
  bool byte_after(std::string_view record) const {
    return record.data() + record.size() < data + size;
  }
  // Forgets what is buffered, as when the file is reconnected.
  void reset();

 private:
  bool refill();
  bool grow();
  void fail(io_error e);
  void find_ctrl_z();
};

// The outcome of a read that found no record left: the end of the input, or a read that failed,
// which is no end of file.
inline read_outcome no_record_left(const record_reader& in, read_outcome out) {
  out.code = in.read_failed ? io_code::bad_value : io_code::end;
  out.error = in.read_failed ? in.failure : io_error::end_of_file;
  return out;
}

}  // namespace recio
