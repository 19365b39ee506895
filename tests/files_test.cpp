// tests/files_test.cpp: files on I/O units: the open modes, text records in files, byte streams
// cut where writing begins, blank names, and failures.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <array>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "recio/recio.hpp"
#include "tests/support/capture.hpp"
#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::write_file;

constexpr recio::unit_number unit = 3;

class files : public testing::Test {
 protected:
  void SetUp() override { folder = test_support::scratch_folder("files"); }
  void TearDown() override {
    recio::close(unit, {.on_error = true});
    fs::remove_all(folder);
  }
  std::string path(const std::string& name) const { return (folder / name).string(); }
  fs::path folder;
};

// What a statement that ends the run wrote on standard error.
template <typename statement>
std::string fatal_report(statement s) {
  return test_support::caught(2, [&] {
    try {
      s();
      ADD_FAILURE() << "the run did not end";
    } catch (const recio::run_ended& end) {
      EXPECT_EQ(end.status, recio::exit_status::failure);
    }
  });
}

TEST_F(files, replace_leaves_exactly_the_records_written_each_ending_in_cr_lf) {
  write_file(path("out.txt"), std::string(1000, 'x'));
  constexpr recio::layout one_value{"(I3)"};
  recio::open(unit, "  " + path("out.txt") + "  ", recio::open_mode::text_write);
  for (const std::int32_t v : {1, 22, 333}) recio::write(unit, one_value, {v});
  recio::close(unit);
  EXPECT_EQ(read_file(path("out.txt")), "  1\r\n 22\r\n333\r\n");
}

TEST_F(files, records_and_their_line_ends_run_on_across_full_buffers) {
  // Records of 1 to 7 characters: some record or some CR LF meets every buffer's end.
  constexpr recio::layout one_text{"(A)"};
  const std::string_view letters = "abcdefg";
  std::string expected;
  recio::open(unit, path("out.txt"), recio::open_mode::text_write);
  for (std::size_t i = 0; i < 60'000; ++i) {
    const std::string_view record = letters.substr(0, 1 + i % 7);
    recio::write(unit, one_text, {record});
    expected.append(record).append("\r\n");
  }
  recio::close(unit);
  EXPECT_EQ(read_file(path("out.txt")), expected);
}

TEST_F(files, text_records_end_at_lf_and_a_byte_26_ends_the_file) {
  write_file(path("in.txt"),
             "1 2\r\n3 4\n5 6\x1a"
             "7 8\r\n");
  recio::open(unit, path("in.txt"), recio::open_mode::text_read);
  float a = 0.0f, b = 0.0f;
  for (const float expected : {1.0f, 3.0f, 5.0f}) {
    ASSERT_EQ(recio::read_free(unit, {.on_end = true}, {&a, &b}), recio::io_code::ok);
    EXPECT_EQ(a, expected);
  }
  EXPECT_EQ(recio::read_free(unit, {.on_end = true}, {&a, &b}), recio::io_code::end);
}

TEST_F(files, a_byte_stream_is_cut_where_writing_begins) {
  write_file(path("data.bin"), std::string(1000, 'x'));
  const std::array<std::uint8_t, 100> hundred{};
  recio::open(unit, path("data.bin"), recio::open_mode::binary_update);
  recio::write_bytes(unit, hundred);
  recio::close(unit);
  EXPECT_EQ(fs::file_size(path("data.bin")), 100u);

  // After a read, writing goes on from the byte reached.
  write_file(path("data.bin"), "0123456789");
  std::array<std::uint8_t, 4> four{};
  recio::open(unit, path("data.bin"), recio::open_mode::binary_update);
  recio::read_bytes(unit, four);
  const std::array<std::uint8_t, 2> ab{'a', 'b'};
  recio::write_bytes(unit, ab);
  // The file now ends after the bytes written: a read there meets its end, not the old bytes.
  EXPECT_EQ(recio::read_bytes(unit, four, {.on_end = true}), recio::io_code::end);
  recio::close(unit);
  EXPECT_EQ(read_file(path("data.bin")), "0123ab");
  EXPECT_EQ(std::string(four.begin(), four.end()), "0123");

  // Opened, read and closed without a write: the file stays as it was.
  recio::open(unit, path("data.bin"), recio::open_mode::binary_update);
  recio::read_bytes(unit, four);
  recio::close(unit);
  EXPECT_EQ(read_file(path("data.bin")), "0123ab");
}

// An output that cannot take its name's place at the close (here its folder is gone) was not
// written: the run ends with the report, and nothing is left behind.
TEST_F(files, an_output_that_cannot_be_put_in_place_ends_the_run) {
  fs::create_directory(folder / "sub");
  constexpr recio::layout one_text{"(A)"};
  recio::open(unit, path("sub/out.txt"), recio::open_mode::text_write);
  recio::write(unit, one_text, {"record"});
  std::error_code refused;
  if (!fs::remove(folder / "sub", refused)) {  // a temporary file with a name is in the way
    recio::close(unit);
    GTEST_SKIP() << "the system has no anonymous temporary files";
  }
  EXPECT_EQ(fatal_report([&] { recio::close(unit, {.on_error = true}); }),
            "\r\nrun-time error F6021: WRITE(" + path("sub/out.txt") + ")\r\n- write error\r\n");
  EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(files, an_unknown_byte_stream_is_created_empty) {
  recio::open(unit, path("new.bin"), recio::open_mode::binary_update);
  std::array<std::uint8_t, 1> byte{};
  EXPECT_EQ(recio::read_bytes(unit, byte, {.on_end = true}), recio::io_code::end);
  EXPECT_EQ(
      fatal_report([&] { recio::read_bytes(unit, byte); }),
      "\r\nrun-time error F6010: READ(" + path("new.bin") + ")\r\n- end of file encountered\r\n");
  recio::close(unit);
  EXPECT_TRUE(fs::exists(path("new.bin")));
}

TEST_F(files, a_failed_open_creates_nothing) {
  EXPECT_NE(recio::open(unit, path("missing.txt"), recio::open_mode::text_read, {.on_error = true}),
            0);
  EXPECT_NE(
      recio::open(unit, path("missing.bin"), recio::open_mode::binary_read, {.on_error = true}), 0);
  EXPECT_EQ(
      fatal_report([&] { recio::open(unit, path("missing.txt"), recio::open_mode::text_read); }),
      "\r\nrun-time error F6002: OPEN(" + path("missing.txt") + ")\r\n- file not found\r\n");
  EXPECT_EQ(
      fatal_report(
          [&] { recio::open(unit, path("no/such/folder.txt"), recio::open_mode::text_write); }),
      "\r\nrun-time error F6002: OPEN(" + path("no/such/folder.txt") + ")\r\n- file not found\r\n");
  EXPECT_NE(recio::open(unit, folder.string(), recio::open_mode::text_read, {.on_error = true}),
            0);  // a folder is no text file
  EXPECT_TRUE(fs::is_empty(folder));
}

// A device has nothing to cut: a byte stream on it is written as a file's would be.
TEST_F(files, a_byte_stream_on_a_device_takes_the_bytes_without_a_cut) {
  if (!fs::exists("/dev/null")) GTEST_SKIP() << "no /dev/null here";
  const std::array<std::uint8_t, 100> hundred{};
  recio::open(unit, "/dev/null", recio::open_mode::binary_update);
  recio::write_bytes(unit, hundred);
  EXPECT_EQ(recio::close(unit), 0);
}

// A write with no room left ends the run with the report, whether the statement itself, the
// close or the end of the run finds that the bytes did not get out.
TEST_F(files, a_write_to_a_full_device_ends_the_run_wherever_it_is_found) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const std::string report = "\r\nrun-time error F6021: WRITE(/dev/full)\r\n- write error\r\n";
  constexpr recio::layout one_text{"(A)"};
  const std::string_view record = "4000.00000   .1000000E+01";
  const std::array<std::uint8_t, 1 << 17> beyond_the_buffer{};

  recio::open(unit, "/dev/full", recio::open_mode::text_write);
  recio::write(unit, one_text, {record});
  EXPECT_EQ(fatal_report([&] { recio::close(unit, {.on_error = true}); }), report);

  recio::open(unit, "/dev/full", recio::open_mode::binary_update);
  recio::write_bytes(unit, std::span{beyond_the_buffer}.first(544));
  EXPECT_EQ(fatal_report([&] { recio::close(unit); }), report);

  recio::open(unit, "/dev/full", recio::open_mode::binary_update);
  EXPECT_EQ(fatal_report([&] { recio::write_bytes(unit, beyond_the_buffer); }), report);
  recio::close(unit, {.on_error = true});

  recio::open(unit, "/dev/full", recio::open_mode::text_write);
  recio::write(unit, one_text, {record});
  int status = 0;
  EXPECT_EQ(
      test_support::caught(2, [&] { status = recio::finish_run(recio::exit_status::normal); }),
      report);
  EXPECT_EQ(status, 1);

#ifndef _WIN32
  // A file whose last records cannot be written at the end of the run keeps its old bytes.
  write_file(path("out.txt"), "old");
  recio::open(unit, path("out.txt"), recio::open_mode::text_write);
  recio::write(unit, one_text, {record});
  ::rlimit before{};
  ::getrlimit(RLIMIT_FSIZE, &before);
  const ::rlimit small{10, before.rlim_max};
  const auto no_signal = std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
  ::setrlimit(RLIMIT_FSIZE, &small);
  test_support::caught(2, [&] { status = recio::finish_run(recio::exit_status::normal); });
  ::setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, no_signal);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(read_file(path("out.txt")), "old");
#endif
}

TEST_F(files, a_blank_name_takes_the_next_command_line_argument) {
  std::string program = "zolkdf", first = path("first.txt"), second = path("second.txt");
  std::array<char*, 3> argv{program.data(), first.data(), second.data()};
  recio::set_command_line(3, argv.data());
  recio::open(unit, "            ", recio::open_mode::text_write);
  recio::close(unit);
  recio::open(unit, std::string(12, '\0'), recio::open_mode::text_write);  // a name never set
  recio::close(unit);
  EXPECT_TRUE(fs::exists(first));
  EXPECT_TRUE(fs::exists(second));
  recio::set_command_line(0, nullptr);
}

}  // namespace
