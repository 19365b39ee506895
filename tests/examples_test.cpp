// tests/examples_test.cpp: the examples and the documents that show them. The example list file
// converts the example spectra back into the XY example exactly; the sessions, the list file and
// the command lines shown in the README are read from the README itself and run against the
// program in a copy of the examples; the manual page renders without warnings.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path source_root = fs::path(ZOLKDF_TEST_DIR) / "..";

fs::path copy_of_examples(const std::string& name) {
  const fs::path work = test_support::scratch_folder(name);
  fs::copy(source_root / "examples", work, fs::copy_options::recursive);
  return work;
}

TEST(examples, convert_every_format_back_to_the_same_xy_file) {
  const fs::path work = copy_of_examples("examples");

  const auto run = test_support::run_zolkdf(work, "F\nconvert.lst\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_NE(run.out.find("\r\nFile sample.spc   written\r\n\r\nProgram ends normally\r\n"),
            std::string::npos)
      << test_support::visible(run.out);

  const std::string xy = test_support::read_file(work / "sample.xy");
  for (const char* converted : {"from-y.xy", "from-6xy.xy", "from-old.xy", "from-new.xy"})
    EXPECT_EQ(test_support::read_file(work / converted), xy) << converted;
  // The new SPC file written from the XY example holds the same floats as the example one.
  EXPECT_EQ(test_support::read_file(work / "sample.spc").substr(544),
            test_support::read_file(work / "new.spc").substr(544));
  fs::remove_all(work);
}

#ifdef _WIN32

// The README's sessions are typed on a pseudo-terminal and its commands run by a POSIX shell;
// Windows has neither.
TEST(readme, quick_start_sessions_show_what_the_program_writes) {
  GTEST_SKIP() << "no pseudo-terminals on Windows";
}
TEST(readme, command_lines_show_what_the_program_writes) {
  GTEST_SKIP() << "the README's command lines are run by a POSIX shell";
}
TEST(readme, spc_command_lines_convert_back_to_the_xy_example) {
  GTEST_SKIP() << "the README's command lines are run by a POSIX shell";
}
TEST(readme, info_shows_what_a_file_holds) {
  GTEST_SKIP() << "the README's command lines are run by a POSIX shell";
}
TEST(readme, plot_draws_in_the_terminal) {
  GTEST_SKIP() << "the README's command lines are run by a POSIX shell";
}
TEST(manual_page, renders_without_warnings) { GTEST_SKIP() << "groff runs on the building system"; }

#else

// The text of the fenced block that follows the README's comment "<!-- tested: what -->".
std::string readme_block(const std::string& what) {
  const std::string readme = test_support::read_file(source_root / "README.md");
  const std::size_t mark = readme.find("<!-- tested: " + what + " -->");
  if (mark == std::string::npos) return "no block marked " + what;
  const std::size_t open = readme.find("```", mark);
  const std::size_t begin = readme.find('\n', open) + 1;
  const std::size_t close = readme.find("\n```", begin - 1);
  return readme.substr(begin, close + 1 - begin);
}

std::string without_cr_before_lf(std::string s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out += s[i];
  return out;
}

// True while the process waits in a read of its standard input.
bool reads_its_input(pid_t pid) {
  const std::string call = test_support::read_file("/proc/" + std::to_string(pid) + "/syscall");
  return call.rfind("0 0x0 ", 0) == 0;
}

// The bytes that the process has read so far, from files and its input alike.
std::string bytes_read(pid_t pid) {
  const std::string io = test_support::read_file("/proc/" + std::to_string(pid) + "/io");
  return io.substr(0, io.find('\n'));  // "rchar: n"
}

// Runs zolkdf in work on a pseudo-terminal that echoes the keys, as a user's terminal does, and
// types the answers of the transcript: whenever the program waits for a key, what the transcript
// holds after the screen so far, up to its line end, is the answer. Gives back the screen with
// CR LF as LF.
std::string type_transcript(const fs::path& work, const std::string& transcript) {
  int controller = -1;
  const pid_t pid = test_support::start_on_terminal(work, true, controller);
  if (pid < 0) return "no terminal";
  ::fcntl(controller, F_SETFL, O_NONBLOCK);
  std::string screen;
  const auto drain = [&] {
    char chunk[4096];
    ssize_t n = 0;
    while ((n = ::read(controller, chunk, sizeof chunk)) > 0)
      screen.append(chunk, static_cast<std::size_t>(n));
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int wait_status = 0;
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() < deadline) {
    drain();
    if (::waitpid(pid, &wait_status, WNOHANG) == pid) {
      ended = true;
    } else if (reads_its_input(pid)) {
      drain();  // everything written before the read
      const std::string shown = without_cr_before_lf(screen);
      if (transcript.compare(0, shown.size(), shown) != 0) break;  // differs: no answer to give
      const std::size_t end = transcript.find('\n', shown.size());
      if (end == std::string::npos) break;
      const std::string answer = transcript.substr(shown.size(), end + 1 - shown.size());
      const std::string before = bytes_read(pid);
      if (::write(controller, answer.data(), answer.size()) < 0) break;
      while (bytes_read(pid) == before && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  if (!ended) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &wait_status, 0);
  }
  drain();
  ::close(controller);
  return without_cr_before_lf(screen);
}

TEST(readme, quick_start_sessions_show_what_the_program_writes) {
  const fs::path work = copy_of_examples("readme-sessions");
  const std::string keyboard = readme_block("keyboard session");
  EXPECT_EQ(type_transcript(work, keyboard), keyboard);
  EXPECT_EQ(test_support::read_file(work / "mine.spc").substr(544),
            test_support::read_file(work / "new.spc").substr(544));

  const std::string list = readme_block("list file");
  EXPECT_EQ(list, without_cr_before_lf(test_support::read_file(work / "convert.lst")));
  test_support::write_file(work / "convert.lst", list);
  const std::string session = readme_block("list-file session");
  EXPECT_EQ(type_transcript(work, session), session);
  const std::string xy = test_support::read_file(work / "sample.xy");
  for (const char* converted : {"from-y.xy", "from-6xy.xy", "from-old.xy", "from-new.xy"})
    EXPECT_EQ(test_support::read_file(work / converted), xy) << converted;
  fs::remove_all(work);
}

// Runs the block's "$ " lines with sh in work, zolkdf on the PATH; gives back the block as it
// was run: each command line followed by what it wrote on standard output and standard error,
// as a terminal shows them, and "(exit status N)" when it ended with another status than 0.
std::string run_commands(const fs::path& work, const std::string& block) {
  const std::string path = fs::path(ZOLKDF_BINARY).parent_path().string() + ":" +
                           (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
  std::string shown;
  std::size_t at = 0;
  while (at < block.size()) {
    const std::size_t end = block.find('\n', at);
    const std::string line = block.substr(at, end - at);
    at = end + 1;
    if (line.rfind("$ ", 0) != 0) continue;
    shown += line + "\n";
    std::string quoted;  // the line inside single quotes: each ' becomes '\''
    for (const char c : line.substr(2)) quoted += c == '\'' ? std::string{"'\\''"} : std::string{c};
    const std::string command =
        "cd '" + work.string() + "' && PATH='" + path + "' sh -c '" + quoted + "' 2>&1";
    FILE* out = ::popen(command.c_str(), "r");
    if (out == nullptr) return "popen failed";
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, out)) > 0) shown.append(chunk, n);
    if (const int status = ::pclose(out); status != 0)
      shown += "(exit status " +
               std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) +
               ")\n";
  }
  return shown;
}

// The quick start's first conversion, and the folders, the tree, -n, --files-from and the
// standard streams of "Converting many files", whose outputs must be the examples' very bytes.
TEST(readme, command_lines_show_what_the_program_writes) {
  const fs::path work = copy_of_examples("readme-command-line");
  const std::string first = readme_block("first conversion");
  EXPECT_EQ(run_commands(work, first), first);
  EXPECT_EQ(test_support::read_file(work / "mine.y"), test_support::read_file(work / "sample.y"));

  const std::string many = readme_block("command line");
  EXPECT_EQ(run_commands(work, many), many);
  const std::string xy = test_support::read_file(work / "sample.xy");
  for (const char* converted : {"xy/a.xy", "xy/B.xy", "xy/day-2/c.xy"})
    EXPECT_EQ(test_support::read_file(work / converted), xy) << converted;
  EXPECT_FALSE(fs::exists(work / "xy" / "broken.xy"));
  EXPECT_EQ(test_support::read_file(work / "spectra" / "a.6xy"),
            test_support::read_file(work / "sample.6xy"));
  fs::remove_all(work);
}

// The SPC examples of "Converting many files": the old and the new example convert back to the XY
// example, and the XY example to the new one.
TEST(readme, spc_command_lines_convert_back_to_the_xy_example) {
  const fs::path work = copy_of_examples("readme-command-line-spc");
  const std::string block = readme_block("command line, SPC");
  EXPECT_EQ(run_commands(work, block), block);
  EXPECT_EQ(test_support::read_file(work / "mine-too.spc").substr(544),
            test_support::read_file(work / "new.spc").substr(544));
  fs::remove_all(work);
}

// The lines of `zolkdf info` under "zolkdf info".
TEST(readme, info_shows_what_a_file_holds) {
  const fs::path work = copy_of_examples("readme-info");
  const std::string block = readme_block("info");
  EXPECT_EQ(run_commands(work, block), block);
  fs::remove_all(work);
}

// The terminal drawing under "zolkdf plot".
TEST(readme, plot_draws_in_the_terminal) {
  const fs::path work = copy_of_examples("readme-plot");
  const std::string block = readme_block("plot");
  EXPECT_EQ(run_commands(work, block), block);
  fs::remove_all(work);
}

TEST(manual_page, renders_without_warnings) {
  if (std::system("command -v groff >/dev/null 2>&1") != 0) GTEST_SKIP() << "groff is missing";
  const fs::path work = test_support::scratch_folder("manual");
  const std::string command = "groff -man -ww -z '" + (source_root / "doc" / "zolkdf.1").string() +
                              "' 2>'" + (work / "warnings").string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(test_support::read_file(work / "warnings"), "");
  fs::remove_all(work);
}

#endif

}  // namespace
