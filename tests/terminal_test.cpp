// tests/terminal_test.cpp: the dialogue on an interactive console, where the keyboard and the
// screen are one terminal (a pseudo-terminal here) and the user's Enter ends the prompt's line.
#include <gtest/gtest.h>

#ifdef _WIN32

// Windows has no pseudo-terminal to run the program on.
TEST(interactive_console, starts_the_record_after_a_reply_on_the_line_that_enter_ended) {
  GTEST_SKIP() << "no pseudo-terminals on Windows";
}
TEST(interactive_console, ends_the_prompt_s_line_when_the_input_ends_at_it) {
  GTEST_SKIP() << "no pseudo-terminals on Windows";
}
TEST(interactive_console, shows_the_progress_of_a_batch_that_takes_more_than_a_second) {
  GTEST_SKIP() << "no pseudo-terminals on Windows";
}
TEST(interactive_console, plot_draws_as_wide_as_the_terminal) {
  GTEST_SKIP() << "no pseudo-terminals on Windows";
}

#else

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "tests/support/run_program.hpp"

namespace {

struct terminal_run {
  std::string screen;  // every byte the program wrote to the terminal
  int status = -1;
};

// Runs zolkdf on a pseudo-terminal, with the keys typed ahead. The terminal neither echoes the
// keys nor changes the program's line ends, so screen holds exactly what the program wrote.
terminal_run run_on_terminal(const std::filesystem::path& work, const std::string& keys,
                             const std::vector<std::string>& args = {},
                             const std::function<void()>& meanwhile = {},
                             unsigned short columns = 0) {
  int controller = -1;
  const int pid = test_support::start_on_terminal(work, false, controller, args, columns);
  if (pid < 0) return {};
  terminal_run run;
  if (::write(controller, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
    return run;
  if (meanwhile) meanwhile();
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(controller, chunk, sizeof chunk);
    if (n > 0) {
      run.screen.append(chunk, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the program has closed the terminal
    }
  }
  int wait_status = 0;
  ::waitpid(pid, &wait_status, 0);
  ::close(controller);
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  return run;
}

const std::string notices =
    "\r\n Type 5 and 6 input files are limited to 131072 points."
    "\r\n No output is produced from larger files"
    "\r\n"
    "\r\n Only the first 131072 points are processed from input"
    "\r\n files of types 1, 2 and 3."
    "\r\n"
    "\r\n The program does not yet handle type 4 input files"
    "\r\n"
    "\r\n Is the input from keyboard (K) or data file (F) ?";

TEST(interactive_console, starts_the_record_after_a_reply_on_the_line_that_enter_ended) {
  const auto work = test_support::scratch_folder("terminal");
  test_support::write_file(work / "in.xy", "");
  const terminal_run run = run_on_terminal(work, "K\nin.xy\n2\nout.xy\n2\nn\n");
  std::filesystem::remove_all(work);
  const std::string expected =
      notices +
      "  K entered"
      "\r\n enter input file name (with extension) :  "
      "enter input file format "
      "\r\n1= Y  (single column)\r\n2= XY (two columns)\r\n3= 6XY (6 columns)\r\n4= JCAMP "
      "\r\n5= OLD SPC\r\n6= New SPC\r\n"  // the menu's last record is empty
      " enter output file name (with extension) :  "
      "enter output file format "
      "\r\n1= Y  (single column)\r\n2= XY (two columns)\r\n3= 6XY (6 columns)\r\n4= JCAMP "
      "\r\n5= SPC\r\n6= New SPC\r\n"
      ""  // the output code was read: the empty record that opens the notice writes nothing
      "\r\n Files being processed BUT"
      "\r\nNote that input and output formats are the same"
      "\r\n"
      "\r\n  Number of Data Points =      0"
      "\r\n  Highest wavenumber   =        .00 cm-1"
      "\r\n  lowest wavenumber =        .00 cm-1"
      "\r\n want to do another conversion ? (Y/n) : "
      "Program ends normally\r\n";  // right after a reply: the text and one line end only
  EXPECT_EQ(test_support::visible(run.screen), test_support::visible(expected));
  EXPECT_EQ(run.status, 0);
}

// Ctrl-D at the start of a line ends the input without an Enter: the prompt's line is still
// open, so the end of the run ends it, as with input from a file.
TEST(interactive_console, ends_the_prompt_s_line_when_the_input_ends_at_it) {
  const auto work = test_support::scratch_folder("terminal");
  const terminal_run run = run_on_terminal(work, "K\n\x04");
  std::filesystem::remove_all(work);
  const std::string expected =
      notices +
      "  K entered"
      "\r\n enter input file name (with extension) :  "
      "\r\nrun-time error F6010: READ(stdin)\r\n- end of file encountered\r\n"
      "\r\n";
  EXPECT_EQ(test_support::visible(run.screen), test_support::visible(expected));
  EXPECT_EQ(run.status, 1);
}

// A batch whose second input is a pipe that gives its bytes only after a second and a half:
// meanwhile the terminal shows how far the batch is, and the line is cleared before the tally.
TEST(interactive_console, shows_the_progress_of_a_batch_that_takes_more_than_a_second) {
  const auto work = test_support::scratch_folder("terminal-progress");
  const std::string xy = "1800.0  0.5\r\n1750.0  0.7\r\n";
  test_support::write_file(work / "a.xy", xy);
  ASSERT_EQ(::mkfifo((work / "b.xy").c_str(), 0600), 0);
  const terminal_run run =
      run_on_terminal(work, "", {"convert", "a.xy", "b.xy", "-d", "out", "-t", "y", "-j", "2"}, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        test_support::write_file(work / "b.xy", xy);
      });
  EXPECT_EQ(test_support::read_file(work / "out" / "b.y"), test_support::read_file(work / "out" / "a.y"));
  std::filesystem::remove_all(work);
  EXPECT_EQ(run.screen.rfind("\r1 of 2 files, ", 0), 0u) << test_support::visible(run.screen);
  const std::string end = "\r\x1b[Kconverted 2 of 2 files\n";
  EXPECT_EQ(run.screen.substr(run.screen.size() - std::min(run.screen.size(), end.size())), end)
      << test_support::visible(run.screen);
  EXPECT_EQ(run.status, 0);
}

// Without -o, plot draws as wide as the terminal says it is: a ramp from corner to corner reaches
// the terminal's last column and goes no further.
TEST(interactive_console, plot_draws_as_wide_as_the_terminal) {
  const auto work = test_support::scratch_folder("terminal-plot");
  test_support::write_file(work / "ramp.xy", "1 0\n2 1\n3 2\n4 3\n");
  for (const unsigned short columns : {std::uint16_t{40}, std::uint16_t{100}}) {
    const terminal_run run = run_on_terminal(work, "", {"plot", "ramp.xy"}, {}, columns);
    std::size_t widest = 0;
    std::size_t width = 0;  // characters, not bytes
    for (const char c : run.screen) {
      if (c == '\n')
        width = 0;
      else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
        widest = std::max(widest, ++width);
    }
    EXPECT_EQ(widest, columns) << run.screen;
    EXPECT_EQ(run.status, 0);
  }
  std::filesystem::remove_all(work);
}

}  // namespace

#endif
