// tests/record_reader_test.cpp: records split from memory and from a pipe read in small pieces.
#include "recio/record_reader.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

using recio::record_reader;

// A pipe whose ends carry bytes unchanged.
bool make_pipe(std::array<int, 2>& ends) {
#ifdef _WIN32
  return ::_pipe(ends.data(), 1 << 16, _O_BINARY) == 0;
#else
  return ::pipe(ends.data()) == 0;
#endif
}

bool put_all(int fd, std::string_view text) {
  for (std::size_t done = 0; done < text.size();) {
    const auto w = ::write(fd, text.data() + done, static_cast<unsigned>(text.size() - done));
    if (w <= 0) return false;
    done += static_cast<std::size_t>(w);
  }
  return true;
}

std::vector<std::string> all_records(record_reader& in) {
  std::vector<std::string> out;
  std::string_view r;
  while (in.next_record(r)) out.emplace_back(r);
  return out;
}

std::vector<std::string> from_memory(std::string_view text) {
  record_reader in = record_reader::from_memory(text);
  return all_records(in);
}

// The text written into a pipe, then read back through a buffer of buffer_size bytes. The input
// must fail as failure says: by default, not at all.
std::vector<std::string> through_pipe(const std::string& text, std::size_t buffer_size,
                                      std::size_t max_record = record_reader::default_max_record,
                                      recio::io_error failure = recio::io_error::none) {
  std::array<int, 2> ends{};
  EXPECT_TRUE(make_pipe(ends));
  std::thread writer([&] {  // a text longer than the pipe holds is written as it is read
    put_all(ends[1], text);
    ::close(ends[1]);
  });
  std::vector<char> buffer(buffer_size);
  record_reader in = record_reader::from_fd(ends[0], buffer, max_record);
  std::vector<std::string> out = all_records(in);
  EXPECT_EQ(in.failure, failure);
  ::close(ends[0]);  // a reader that stopped early: the writer's rest meets a closed pipe
  writer.join();
  return out;
}

using lines = std::vector<std::string>;

TEST(records, end_at_lf_with_or_without_cr) {
  // clang-format off
  EXPECT_EQ(from_memory("a\r\nb\nc"),      (lines{"a", "b", "c"}));
  EXPECT_EQ(from_memory("a\n\r\n\nb\n"),   (lines{"a", "", "", "b"}));
  EXPECT_EQ(from_memory("a\rb\r\r\n"),     (lines{"a\rb\r"}));  // only the CR before LF goes
  EXPECT_EQ(from_memory(""),               lines{});
  EXPECT_EQ(from_memory(std::string_view{}), lines{});
  EXPECT_EQ(from_memory("\n"),             (lines{""}));
  // clang-format on
}

TEST(records, byte_26_ends_the_input) {
  // clang-format off
  EXPECT_EQ(from_memory("a\nb\032c\nd\n"), (lines{"a", "b"}));
  EXPECT_EQ(from_memory("a\r\n\032\nb\n"),    (lines{"a"}));
  EXPECT_EQ(through_pipe("abc\nde\032fgh\nij\n", 4), (lines{"abc", "de"}));
  // Met only after the buffer has been refilled, with a line's start moved to its front.
  EXPECT_EQ(through_pipe("ab\ncd\nef\032gh\n", 5),  (lines{"ab", "cd", "ef"}));
  EXPECT_EQ(through_pipe("ab\ncdefg\032\nh\n", 8),  (lines{"ab", "cdefg"}));
  EXPECT_EQ(through_pipe("ab\n\032", 3),             (lines{"ab"}));
  // Far beyond the first buffer; a CR just before it goes as one before a LF does.
  EXPECT_EQ(through_pipe("0123456789\032z\nq\n", 4), (lines{"0123456789"}));
  EXPECT_EQ(through_pipe("ab\r\032\ncd\n", 4),        (lines{"ab"}));
  EXPECT_EQ(from_memory("\032"),                       lines{});
  // clang-format on
}

TEST(records, from_a_pipe_refill_across_records) {
  // clang-format off
  EXPECT_EQ(through_pipe("1 2\r\n3 4\r\n55 66\r\n7", 8), (lines{"1 2", "3 4", "55 66", "7"}));
  EXPECT_EQ(through_pipe("abcdefgh\nx\n", 8),          (lines{"abcdefgh", "x"}));  // just fits
  EXPECT_EQ(through_pipe("abcdefg\r\nx\r\n", 8),       (lines{"abcdefg", "x"}));
  EXPECT_EQ(through_pipe("", 8),                       lines{});
  // clang-format on
}

TEST(records, longer_than_the_buffer_are_read_whole_up_to_the_largest_record_allowed) {
  const std::string long_line = std::string(100'000, ' ') + "1.5";
  // clang-format off
  EXPECT_EQ(through_pipe("abcdefghij\nxy\n", 8),             (lines{"abcdefghij", "xy"}));
  EXPECT_EQ(through_pipe("short\n0123456789abcdef\n\nq", 8), (lines{"short", "0123456789abcdef", "", "q"}));
  EXPECT_EQ(through_pipe("0123456789", 8),                   (lines{"0123456789"}));
  EXPECT_EQ(through_pipe(long_line + "\r\n2\n", 8),          (lines{long_line, "2"}));
  // A line that would outgrow the largest record fails the input; no part of it is a record.
  EXPECT_EQ(through_pipe("ab\n0123456789abcdefghij\ncd\n", 4, 16, recio::io_error::record_too_long),
            (lines{"ab"}));
  EXPECT_EQ(through_pipe("0123456789abcde\n", 4, 16),       (lines{"0123456789abcde"}));
  EXPECT_EQ(through_pipe("0123456789abcdefghij\n", 8, 20, recio::io_error::record_too_long), (lines{}));
  EXPECT_EQ(through_pipe("0123456789abcdefghi\n", 8, 20),  (lines{"0123456789abcdefghi"}));
  // clang-format on
}

TEST(records, a_text_variable_is_one_record_whatever_it_holds) {
  record_reader in = record_reader::from_text("a\nb\r\n\032c");
  EXPECT_EQ(all_records(in), (lines{std::string("a\nb\r\n\032c")}));
}

TEST(records, from_a_file_and_again_after_reset) {
  const auto folder = test_support::scratch_folder("records");
  test_support::write_file(folder / "in.xy",
                           "  4000.00000  .1000000E+01\r\n  3999.00000  .2000000E+01\r\n");
  int flags = O_RDONLY;
#ifdef _WIN32
  flags |= O_BINARY;
#endif
  const int fd = ::open((folder / "in.xy").string().c_str(), flags);
  ASSERT_GE(fd, 0);
  std::array<char, 16> buffer{};
  record_reader in = record_reader::from_fd(fd, buffer);
  std::string_view r;
  ASSERT_TRUE(in.next_record(r));
  EXPECT_EQ(r, "  4000.00000  .1000000E+01");
  ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
  in.reset();  // what was buffered belongs to the old position
  EXPECT_EQ(all_records(in), (lines{"  4000.00000  .1000000E+01", "  3999.00000  .2000000E+01"}));
  ::close(fd);
  std::filesystem::remove_all(folder);
}

}  // namespace

namespace {

// For each record of text, whether the byte after it could be read, and which it was.
std::string bytes_after(record_reader& in) {
  std::string out;
  std::string_view r;
  while (in.next_record(r)) {
    if (!in.byte_after(r)) {
      out += '-';
    } else {
      const char b = r.data()[r.size()];
      out += b == '\n' ? 'n' : b == '\r' ? 'r' : '?';
    }
  }
  return out;
}

TEST(records, the_byte_after_a_record_is_its_line_end_or_none) {
  record_reader a = record_reader::from_memory("1 2\n3\r\n\n4\x1a");
  EXPECT_EQ(bytes_after(a), "nrn-");  // the input ends at the byte 26
  record_reader b = record_reader::from_memory("5\r\x1a");
  EXPECT_EQ(bytes_after(b), "r");
  record_reader c = record_reader::from_memory("6\n7");  // a last line with no line end
  EXPECT_EQ(bytes_after(c), "n-");
  record_reader d = record_reader::from_text("8\n");
  EXPECT_EQ(bytes_after(d), "-");
  // Through a buffer of 4 bytes, grown for the long line: only the last line has none after it.
  std::array<int, 2> ends{};
  ASSERT_TRUE(make_pipe(ends));
  ASSERT_TRUE(put_all(ends[1], "123456\nab\n1234"));
  ::close(ends[1]);
  std::array<char, 4> buffer{};
  record_reader e = record_reader::from_fd(ends[0], buffer);
  EXPECT_EQ(bytes_after(e), "nn-");
  ::close(ends[0]);
}

}  // namespace
