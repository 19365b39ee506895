// tests/output_layer_test.cpp: the command line's outputs as the file layer writes them: never
// through another user's link or folder, never into a pipe, a socket or a device, leftovers of
// killed runs cleared, and a batch's outputs flushed and put in place as a group.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"
#ifndef _WIN32
#include "tests/support/test_switches.hpp"
#endif

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::run_zolkdf;
using test_support::scratch;
using test_support::visible;
using test_support::write_file;

#ifdef _WIN32

TEST(command_line_outputs, are_posix_matters_here) {
  GTEST_SKIP() << "users, links, pipes and process numbers of POSIX systems";
}

#else

const std::string points = "4000 1\r\n3999 2\r\n3998 3\r\n";

// The steps of a trace, their outputs left out.
std::string steps_of(const std::string& trace) {
  std::istringstream lines{trace};
  std::string step, rest, steps;
  while (lines >> step && std::getline(lines, rest))
    if (step != "anonymous") steps += (steps.empty() ? "" : " ") + step;
  return steps;
}

// Another user's link on the way to an output, as the -d folder (or above it) in a sticky folder
// or named like the output in another user's open folder, is refused, nothing is made through it
// and its target keeps its bytes.
TEST(command_line_outputs, pass_through_no_link_or_folder_that_another_user_planted) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user's link needs root to make";
  struct planted_case {
    const char *what, *folder, *link, *to, *out, *err;  // folder holds the link, made to to
  };
  // clang-format off
  for (const planted_case& c : {
      planted_case{"a link as -d in a sticky folder", "sticky", "sticky/out", "victim", "sticky/out",
                   "zolkdf: sticky/out: cannot create the folder: permission denied\n"},
      planted_case{"a link above -d in a sticky folder", "sticky", "sticky/out", "victim",
                   "sticky/out/sub", "zolkdf: sticky/out/sub: cannot create the folder: permission denied\n"},
      planted_case{"a link named like the output", "open", "open/in.xy", "victim/in.xy", "open",
                   "zolkdf: open/in.xy: cannot open: permission denied\n"}}) {
    // clang-format on
    const scratch s{"output-layer"};
    write_file(s.work / "in.xy", points);
    fs::create_directory(s.work / "victim");
    write_file(s.work / "victim" / "in.xy", "private\r\n");
    fs::create_directory(s.work / c.folder);
    fs::permissions(s.work / c.folder,
                    fs::perms::all | (c.folder == std::string("sticky") ? fs::perms::sticky_bit
                                                                        : fs::perms::none));
    ASSERT_EQ(::chown((s.work / c.folder).c_str(), c.folder == std::string("open") ? 12345 : 0, 0),
              0);
    fs::create_symlink(s.work / c.to, s.work / c.link);
    ASSERT_EQ(::lchown((s.work / c.link).c_str(), 12345, 12345), 0);
    const auto run = run_zolkdf(s.work, "", {"convert", "in.xy", "-t", "xy", "-d", c.out});
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_EQ(run.err, c.err) << c.what;
    EXPECT_EQ(read_file(s.work / "victim" / "in.xy"), "private\r\n") << c.what;
    EXPECT_EQ(std::distance(fs::directory_iterator(s.work / "victim"), {}), 1) << c.what;
  }
}

// An output that is a pipe, a socket or a device is refused at once; "-" is standard output.
TEST(command_line_outputs, refuse_pipes_sockets_and_devices) {
  const scratch s{"output-layer"};
  write_file(s.work / "in.xy", points);
  ASSERT_EQ(::mkfifo((s.work / "pipe.xy").c_str(), 0644), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = (s.work / "socket.xy").string();
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  for (const std::string name : {"pipe.xy", "socket.xy", "/dev/null"}) {
    const auto start = std::chrono::steady_clock::now();
    const std::string command = "cd " + s.work.string() + " && timeout 10 " + ZOLKDF_BINARY +
                                " convert in.xy -t xy -o " + name + " 2>err";
    const int status = std::system(command.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(WEXITSTATUS(status), 1) << name;
    EXPECT_LT(took.count(), 1.0) << name;
    EXPECT_EQ(read_file(s.work / "err"), "zolkdf: " + name + ": cannot open: not a regular file\n");
  }
  ::close(sock);
  const auto run = run_zolkdf(s.work, "", {"convert", "in.xy", "-t", "xy", "-o", "-"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run_zolkdf(s.work, "", {"convert", "in.xy", "-t", "xy", "-o", "conv.xy"}).status, 0);
  EXPECT_EQ(run.out, read_file(s.work / "conv.xy"));
}

// The next run into a folder removes the temporary files of runs that are gone; a live run's,
// another user's, a link and names that only look alike stay.
TEST(command_line_outputs, clear_temporary_files_that_killed_runs_left) {
  const scratch s{"output-layer"};
  write_file(s.work / "in.xy", points);
  fs::create_directory(s.work / "out");
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const std::string gone = std::to_string(child), live = std::to_string(::getpid());
  const std::vector<std::string> left{"a.xy.zolkdf-" + gone + ".tmp",
                                      "b.xy.zolkdf-" + gone + "-3.tmp"};
  const std::vector<std::string> kept{
      "c.xy.zolkdf-" + live + ".tmp", "d.xy.zolkdf-" + gone + ".tmp.old", "e.xy.zolkdf-" + gone,
      "f.xy.zolkdf-" + gone + ".tmp", "g.xy.zolkdf-" + gone + ".tmp"};
  for (const std::string& name : left) write_file(s.work / "out" / name, points);
  for (const std::string& name : kept) write_file(s.work / "out" / name, points);
  fs::remove(s.work / "out" / kept[3]);
  fs::create_symlink("../in.xy", s.work / "out" / kept[3]);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown((s.work / "out" / kept[4]).c_str(), 12345, 12345), 0);
  } else {
    fs::remove(s.work / "out" / kept[4]);
  }
  const auto run = run_zolkdf(s.work, "", {"convert", "in.xy", "-t", "xy", "-d", "out", "-v"});
  EXPECT_EQ(run.status, 0) << run.err;
  // Named in the folder's order, then the conversion.
  const auto removed = [&](std::size_t i) {
    return "zolkdf: out/" + left[i] + ": removed, left by an earlier run\n";
  };
  const std::string converted = "zolkdf: in.xy -> out/in.xy\n";
  EXPECT_TRUE(run.err == removed(0) + removed(1) + converted ||
              run.err == removed(1) + removed(0) + converted)
      << run.err;
  for (const std::string& name : left) EXPECT_FALSE(fs::exists(s.work / "out" / name)) << name;
  for (std::size_t i = 0; i + 1 < kept.size(); ++i)
    EXPECT_TRUE(fs::exists(fs::symlink_status(s.work / "out" / kept[i]))) << kept[i];
}

// A batch's outputs flushed with one syncfs, then named, then their folder flushed once; a single
// conversion flushes its own file. A failed flush fails the group, which keeps its old bytes.
TEST(command_line_outputs, of_a_batch_reach_the_disk_as_a_group) {
  const scratch s{"output-layer"};
  for (const char* name : {"a.xy", "b.xy", "c.xy"}) write_file(s.work / name, points);
  const fs::path trace = s.work / "steps";
  ::setenv("ZOLKDF_TEST_TRACE", trace.c_str(), 1);
  const std::vector<std::string> batch{"convert", "a.xy", "b.xy", "c.xy", "-t",
                                       "y",       "-d",   "out",  "-j",   "2"};
  auto run = run_zolkdf(s.work, "", batch);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(steps_of(read_file(trace)), "syncfs link link link flush-folder");
  fs::remove(trace);
  run = run_zolkdf(s.work, "", {"convert", "a.xy", "-t", "y", "-o", "one.y"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(read_file(trace), "anonymous one.y\nflush one.y\nlink one.y\nflush-folder one.y\n");
  ::unsetenv("ZOLKDF_TEST_TRACE");
  const std::string converted = read_file(s.work / "out" / "a.y");
  EXPECT_EQ(read_file(s.work / "one.y"), converted);

  write_file(s.work / "out" / "b.y", "old\r\n");
  {
    const test_support::failures_made failing{"flush:EIO"};
    run = run_zolkdf(s.work, "", batch);
  }
  EXPECT_EQ(run.status, 1);
  const std::string failed = ": cannot write: write error\n";
  EXPECT_EQ(run.err, "zolkdf: out/a.y" + failed + "zolkdf: out/b.y" + failed + "zolkdf: out/c.y" +
                         failed + "converted 0 of 3 files; 3 failed\n");
  EXPECT_EQ(read_file(s.work / "out" / "a.y"), converted);
  EXPECT_EQ(read_file(s.work / "out" / "b.y"), "old\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(s.work / "out"), {}), 3);
}

#endif

}  // namespace
