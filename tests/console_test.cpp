// tests/console_test.cpp: the console's line control, MSGLINE, the stop and the fatal I/O report,
// with standard output and standard error caught in files.
#include "recio/console.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "recio/recio.hpp"
#include "tests/support/capture.hpp"
#include "tests/support/run_program.hpp"

namespace {

// What body writes to the descriptor fd, control bytes shown.
std::string caught(int fd, const std::function<void()>& body) {
  return test_support::visible(test_support::caught(fd, body));
}

std::string visible(const std::string& s) { return test_support::visible(s); }

// The console keeps one pending state for the whole process, so the cases run in one sequence.
TEST(console, writes_each_line_end_when_the_next_record_begins) {
  using recio::console_io::put_record;
  EXPECT_EQ(caught(1, [] { put_record(" first"); }), "first");  // nothing pending at the start
  EXPECT_EQ(caught(1, [] { put_record(" second"); }), visible("\r\nsecond"));
  EXPECT_EQ(caught(1, [] { put_record("0after an empty line"); }),
            visible("\r\n\r\nafter an empty line"));
  EXPECT_EQ(caught(1, [] { put_record("+over"); }), visible("\rover"));
  EXPECT_EQ(caught(1, [] { put_record("1page"); }), visible("\r\n\f\r \rpage"));
  EXPECT_EQ(caught(1, [] { put_record(""); }), visible("\r\n"));

  EXPECT_EQ(caught(1, [] { MSGLINE("\\READSC can not read this file and\\"); }),
            visible("\r\nREADSC can not read this file and"));
  EXPECT_EQ(caught(1, [] { MSGLINE("\\ program stops abnormally\\"); }),
            visible("\r\n program stops abnormally"));
  EXPECT_EQ(caught(1, [] { MSGLINE("\\\\"); }), visible("\r\n"));
  EXPECT_EQ(caught(1, [] { MSGLINE("/no closing delimiter"); }),
            visible("\r\nno closing delimiter"));

  // A stop after a console record ends the pending line, writes its text, and leaves the line
  // end pending, so the end of the run writes one more.
  int status = -1;
  EXPECT_EQ(caught(1,
                   [&] {
                     try {
                       recio::stop("Program ends normally", recio::exit_status::normal);
                     } catch (const recio::run_ended& end) {
                       status = recio::finish_run(end.status);
                     }
                   }),
            visible("\r\nProgram ends normally\r\n\r\n"));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(caught(1,
                   [&] {
                     try {
                       recio::stop(recio::exit_status::failure);
                     } catch (const recio::run_ended& end) {
                       status = static_cast<int>(end.status);
                     }
                   }),
            visible("\r\nStop - Program terminated.\r\n"));
  EXPECT_EQ(status, 1);
}

TEST(fatal_io_report, names_the_error_the_statement_and_the_file_on_standard_error) {
  int status = -1;
  EXPECT_EQ(caught(2,
                   [&] {
                     try {
                       recio::fatal_io(recio::io_error::end_of_file, recio::statement_kind::read,
                                       recio::keyboard);
                     } catch (const recio::run_ended& end) {
                       status = static_cast<int>(end.status);
                     }
                   }),
            visible("\r\nrun-time error F6010: READ(stdin)\r\n- end of file encountered\r\n"));
  EXPECT_EQ(status, 1);
}

TEST(local_clock, gives_a_plausible_date_and_time) {
  std::int16_t year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1, hundredths = -1;
  recio::local_date(year, month, day);
  recio::local_time(hour, minute, second, hundredths);
  EXPECT_GE(year, 2024);
  EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31);
  EXPECT_TRUE(hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59);
  EXPECT_TRUE(second >= 0 && second <= 60 && hundredths >= 0 && hundredths <= 99);
}

}  // namespace
