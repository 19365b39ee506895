// tests/output_files_test.cpp: what the real program leaves in a user's folder: an output replaced
// whole or not at all, whatever stops the run, with its links and permission bits; devices, pipes
// and the same name as input and output; text records of any length read whole.
#include <gtest/gtest.h>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/run_program.hpp"
#ifndef _WIN32
#include "tests/support/file_system_image.hpp"
#include "tests/support/test_switches.hpp"
#endif

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::run_zolkdf;
#ifndef _WIN32
using test_support::failures_made;
using test_support::shell;
using test_support::steps_traced;
#endif
using test_support::visible;
using test_support::write_file;

constexpr std::size_t date_at = 32;  // a new-variant SPC file's date word, 4 bytes

// An XY file of n points, one "x y" record each, as a user's file might hold them.
std::string xy_points(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) {
    char record[64];
    std::snprintf(record, sizeof record, "%.3f %.6e\r\n", 4000.0 - 0.025 * i, 0.5 + (i % 97) / 7.0);
    text += record;
  }
  return text;
}

// The SPC file's bytes without its date word, which the clock fills.
std::string undated(std::string spc) {
  if (spc.size() >= date_at + 4) spc.replace(date_at, 4, 4, '\0');
  return spc;
}

#ifndef _WIN32
// Starts zolkdf in work with standard input from the file keys and its output discarded; as the
// user uid when uid is not -1. A file named plant is made first under the name of the process's
// first temporary file for it, as another user could guess it.
pid_t start_zolkdf(const fs::path& work, const fs::path& keys, const fs::path& binary, int uid,
                   const char* plant = nullptr) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int in = ::open(keys.c_str(), O_RDONLY);
  const int out = ::open("/dev/null", O_WRONLY);
  if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0 ||
      ::chdir(work.c_str()) != 0)
    ::_exit(126);
  if (plant != nullptr)
    write_file(std::string(plant) + ".zolkdf-" + std::to_string(::getpid()) + ".tmp", "planted");
  if (uid != -1 &&
      (::setgid(static_cast<gid_t>(uid)) != 0 || ::setuid(static_cast<uid_t>(uid)) != 0))
    ::_exit(125);
  ::execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
  ::_exit(127);
}

int wait_for(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The value of an extended attribute, or an empty text.
std::string attribute(const fs::path& p, const char* name) {
  std::string value(4096, '\0');
  const ssize_t n = ::getxattr(p.c_str(), name, value.data(), value.size());
  value.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return value;
}

struct stat status_of(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st;
}

// The trace's lines for the steps named in words, all taken on output.
std::string trace_of(std::string_view words, const std::string& output) {
  std::string lines;
  for (std::size_t at = 0; at < words.size();) {
    const std::size_t end = std::min(words.find(' ', at), words.size());
    lines.append(words.substr(at, end - at)).append(" " + output + "\n");
    at = end + 1;
  }
  return lines;
}

#endif

class output_files : public testing::Test {
 protected:
  void SetUp() override { work = test_support::scratch_folder("outputs"); }
  void TearDown() override {
    fs::permissions(work, fs::perms::owner_all);
    fs::remove_all(work);
  }
  // Every name in the work folder but those given.
  std::vector<std::string> others(std::initializer_list<std::string> known) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(work)) {
      const std::string name = e.path().filename().string();
      if (std::find(known.begin(), known.end(), name) == known.end()) names.push_back(name);
    }
    return names;
  }
  fs::path work;
};

TEST_F(output_files, may_have_the_name_of_the_input_or_of_the_running_list) {
  write_file(work / "same.xy", xy_points(7));
  ASSERT_EQ(run_zolkdf(work, "K\nsame.xy\n2\nconv.xy\n2\nn\n").status, 0);
  const std::string converted = read_file(work / "conv.xy");
  EXPECT_EQ(run_zolkdf(work, "K\nsame.xy\n2\nsame.xy\n2\nn\n").status, 0);
  EXPECT_EQ(read_file(work / "same.xy"), converted);

  ASSERT_EQ(run_zolkdf(work, "K\nsame.xy\n2\nsame.spc\n6\nmemo\nn\n").status, 0);
  const std::string spc = undated(read_file(work / "same.spc"));
  EXPECT_EQ(run_zolkdf(work, "K\nsame.spc\n6\nsame.spc\n6\nmemo\nn\n").status, 0);
  EXPECT_EQ(undated(read_file(work / "same.spc")), spc);

#ifdef _WIN32
  GTEST_SKIP() << "Wine replaces no file that is open, even one shared for deletion";
#endif
  // The list goes on with its own entries after the first entry has replaced it.
  write_file(work / "self.lst", "2\r\nsame.xy 2 self.lst 2\r\nsame.xy 2 after.xy 2\r\n");
  const auto run = run_zolkdf(work, "F\nself.lst\n");
  EXPECT_EQ(run.status, 0) << visible(run.err);
  EXPECT_EQ(read_file(work / "self.lst"), converted);
  EXPECT_EQ(read_file(work / "after.xy"), converted);
}

// Each case converts a file whose records are padded to great lengths, and the same file without
// the padding: the console and the files written must be the same.
TEST_F(output_files, take_records_of_any_length_whole) {
  const std::string mb(1 << 20, ' ');
  const std::string tabs(1 << 20, '\t');
  struct files_and_keys {
    std::string list, xy, keys;
  };
  struct padded_case {
    const char* what;
    files_and_keys padded, plain;
  };
  const std::string keyboard = "K\nin.xy\n2\nout.xy\n2\nn\n";
  const std::string list_run = "F\nconv.lst\n";
  const std::vector<padded_case> cases{
      {"values after a megabyte of blanks or tabs",
       {"", "4000 1\r\n" + mb + "3999 2\r\n3998" + tabs + "3\r\n", keyboard},
       {"", "4000 1\r\n3999 2\r\n3998 3\r\n", keyboard}},
      {"a format code typed after 100000 blanks",
       {"", "4000 1\r\n", "K\nin.xy\n" + std::string(100000, ' ') + "2\nout.xy\n2\nn\n"},
       {"", "4000 1\r\n", keyboard}},
      {"a list entry and a memo of a megabyte",
       {"1\r\nin.xy" + mb + "2 out.spc 6\r\n" + std::string(130, 'M') + mb + "\r\n", "1 2\r\n",
        list_run},
       {"1\r\nin.xy 2 out.spc 6\r\n" + std::string(130, 'M') + "\r\n", "1 2\r\n", list_run}},
      {"a single line of 100 MB",
       {"", std::string(100 << 20, ' ') + "4000 1\r\n3999 2\r\n", keyboard},
       {"", "4000 1\r\n3999 2\r\n", keyboard}},
  };
  for (const padded_case& c : cases) {
    std::vector<std::string> seen;
    for (const files_and_keys* f : {&c.padded, &c.plain}) {
      const fs::path folder = test_support::scratch_folder("records");
      write_file(folder / "in.xy", f->xy);
      if (!f->list.empty()) write_file(folder / "conv.lst", f->list);
      const auto run = run_zolkdf(folder, f->keys);
      seen.push_back(visible(run.out) + visible(run.err) + std::to_string(run.status) + "\n" +
                     visible(read_file(folder / "out.xy")) +
                     visible(undated(read_file(folder / "out.spc"))));
      fs::remove_all(folder);
    }
    EXPECT_EQ(seen[0], seen[1]) << c.what;
  }
}

#ifdef _WIN32

// A kill, symbolic links, named pipes, /dev/null, users and permission bits are POSIX matters.
TEST_F(output_files, a_kill_at_any_moment_leaves_the_old_output_or_the_complete_new_one) {
  GTEST_SKIP() << "no SIGKILL on Windows";
}
TEST_F(output_files, keep_links_and_permission_bits_and_go_straight_to_devices_and_pipes) {
  GTEST_SKIP() << "no symbolic links, named pipes or /dev/null for the program on Windows";
}
TEST_F(output_files, replace_a_read_only_file_and_write_in_place_where_the_folder_refuses) {
  GTEST_SKIP() << "POSIX users and permission bits; Windows has its own test below";
}

// A long path with a drive letter and backslashes, given on the command line for a blank name.
TEST_F(output_files, come_from_and_go_to_windows_paths_given_on_the_command_line) {
  write_file(work / "in.xy", xy_points(4));
  ASSERT_EQ(run_zolkdf(work, "K\nin.xy\n2\nnew.xy\n2\nn\n").status, 0);
  const std::string in = fs::absolute(work / "in.xy").string();
  const std::string out = fs::absolute(work / "from a long path.xy").string();
  ASSERT_EQ(in.substr(1, 2), ":\\");
  const auto run = run_zolkdf(work, "K\n\n2\n\n2\nn\n", {in, out});
  EXPECT_EQ(run.status, 0) << visible(run.err);
  EXPECT_EQ(read_file(work / "from a long path.xy"), read_file(work / "new.xy"));
}

// A flush that fails is a failed write: the old file stays and nothing else is left; the bytes
// reach the disk before the name, as the file layer's record of its steps shows. A symbolic link
// is followed: the file it points to is replaced and the link stays a link.
TEST_F(output_files, reach_the_disk_before_they_replace_a_file_and_follow_links) {
  write_file(work / "in.xy", xy_points(4));
  ASSERT_EQ(run_zolkdf(work, "K\nin.xy\n2\nnew.xy\n2\nn\n").status, 0);
  write_file(work / "out.xy", "old\r\n");
  ::_putenv_s("ZOLKDF_TEST_FAIL", "flush:EIO");
  const auto run = run_zolkdf(work, "K\nin.xy\n2\nout.xy\n2\nn\n");
  ::_putenv_s("ZOLKDF_TEST_FAIL", "");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(visible(run.err),
            visible("\r\nrun-time error F6021: WRITE(out.xy)\r\n- write error\r\n"));
  EXPECT_EQ(read_file(work / "out.xy"), "old\r\n");
  EXPECT_EQ(others({"in.xy", "new.xy", "out.xy"}), std::vector<std::string>{});
  ::_putenv_s("ZOLKDF_TEST_TRACE", (work / "steps").string().c_str());
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nout.xy\n2\nn\n").status, 0);
  ::_putenv_s("ZOLKDF_TEST_TRACE", "");
  EXPECT_EQ(read_file(work / "steps"), "named out.xy\nflush out.xy\nrename out.xy\n");
  fs::remove(work / "steps");

  std::error_code refused;
  fs::create_symlink("out.xy", work / "link.xy", refused);
  if (refused || !fs::is_symlink(work / "link.xy"))
    GTEST_SKIP() << "the system makes no symbolic links here (Wine 8 does not)";
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nlink.xy\n2\nn\n").status, 0);
  EXPECT_EQ(read_file(work / "out.xy"), read_file(work / "new.xy"));
  EXPECT_TRUE(fs::is_symlink(work / "link.xy"));
}

// A read-only output is replaced and stays read-only; one that another program holds open is
// reported and keeps what it held.
TEST_F(output_files, replace_a_read_only_file_and_keep_one_held_open_by_another_program) {
  write_file(work / "in.xy", xy_points(4));
  ASSERT_EQ(run_zolkdf(work, "K\nin.xy\n2\nnew.xy\n2\nn\n").status, 0);
  write_file(work / "out.xy", "old\r\n");
  fs::permissions(work / "out.xy",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nout.xy\n2\nn\n").status, 0);
  EXPECT_EQ(read_file(work / "out.xy"), read_file(work / "new.xy"));
  EXPECT_EQ(fs::status(work / "out.xy").permissions() & fs::perms::owner_write, fs::perms::none);
  fs::permissions(work / "out.xy", fs::perms::owner_write, fs::perm_options::add);

  write_file(work / "held.xy", "old\r\n");
  const HANDLE held = ::CreateFileW((work / "held.xy").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const auto run = run_zolkdf(work, "K\nin.xy\n2\nheld.xy\n2\nn\n");
  ::CloseHandle(held);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(
      visible(run.err),
      visible("\r\nrun-time error F6024: CLOSE(held.xy)\r\n- file in use by another program\r\n"));
  EXPECT_EQ(read_file(work / "held.xy"), "old\r\n");
  EXPECT_EQ(others({"in.xy", "new.xy", "out.xy", "held.xy"}), std::vector<std::string>{});
}

#else

// A kill at any moment of a list of maximum-size conversions leaves each output old or complete,
// never a mix or a cut file. With anonymous files a temporary file is left only by a kill in the
// microseconds between naming the complete file and its rename; without them (the last runs) one
// may be left at any moment, under a name that says whose it is, readable by its owner alone
// until it is complete.
TEST_F(output_files, a_kill_at_any_moment_leaves_the_old_output_or_the_complete_new_one) {
  write_file(work / "in.xy", xy_points(131072));
  write_file(work / "conv.lst", "2\r\nin.xy 2 out.xy 2\r\nin.xy 2 out.spc 6\r\nkilled\r\n");
  write_file(work / "keys", "F\nconv.lst\n");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run_zolkdf(work, "F\nconv.lst\n").status, 0);
  const std::chrono::duration<double> longest = std::chrono::steady_clock::now() - start;
  const std::vector<std::pair<std::string, std::string> > outputs{
      {"out.xy", undated(read_file(work / "out.xy"))},
      {"out.spc", undated(read_file(work / "out.spc"))}};
  const std::string old_bytes = xy_points(10);
  std::mt19937 random{std::random_device{}()};
  std::uniform_real_distribution<double> moment(0.0, 1.2 * longest.count());
  int old_kept = 0, new_put = 0, left_named = 0, left_anonymous = 0;
  for (int run = 0; run < 140; ++run) {
    const bool named = run >= 100;
    if (run == 100) ::setenv("ZOLKDF_TEST_FAIL", "anonymous:EOPNOTSUPP", 1);
    for (const auto& [name, bytes] : outputs) write_file(work / name, old_bytes);
    const pid_t pid = start_zolkdf(work, work / "keys", ZOLKDF_BINARY, -1);
    std::this_thread::sleep_for(std::chrono::duration<double>(moment(random)));
    ::kill(pid, SIGKILL);
    wait_for(pid);
    for (const auto& [name, bytes] : outputs) {
      const std::string now = read_file(work / name);
      // Compared whole but not shown: a diff of megabytes would take the test's memory.
      EXPECT_TRUE(now == old_bytes || undated(now) == bytes)
          << name << " holds " << now.size() << " bytes, neither file, after a kill in run " << run;
      ++(now == old_bytes ? old_kept : new_put);
    }
    for (const std::string& left : others({"in.xy", "out.xy", "out.spc", "conv.lst", "keys"})) {
      EXPECT_NE(left.find(".zolkdf-"), std::string::npos) << left << ", run " << run;
      const std::string bytes = undated(read_file(work / left));
      const bool complete = bytes == outputs[0].second || bytes == outputs[1].second;
      EXPECT_TRUE(complete || (named && (status_of(work / left).st_mode & 0777) == 0600)) << left;
      ++(named ? left_named : left_anonymous);
      fs::remove(work / left);
    }
  }
  ::unsetenv("ZOLKDF_TEST_FAIL");
  EXPECT_GT(old_kept, 0);
  EXPECT_GT(new_put, 0);
  EXPECT_GT(left_named, 0);
  EXPECT_LE(left_anonymous, 1);
}

TEST_F(output_files, keep_links_and_permission_bits_and_go_straight_to_devices_and_pipes) {
  const std::string points = xy_points(5);
  write_file(work / "in.xy", points);
  ASSERT_EQ(run_zolkdf(work, "K\nin.xy\n2\nnew.xy\n2\nn\n").status, 0);
  const std::string converted = read_file(work / "new.xy");

  // Through a symbolic link to a file with a second hard link: the link stays a link, the file
  // it points to is replaced with its bits, the other hard link keeps the old bytes.
  write_file(work / "out.xy", "old\r\n");
  fs::permissions(work / "out.xy",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_hard_link(work / "out.xy", work / "other.xy");
  fs::create_symlink("out.xy", work / "link.xy");
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nlink.xy\n2\nn\n").status, 0);
  EXPECT_TRUE(fs::is_symlink(work / "link.xy"));
  // A relative link's target lies in the link's own folder.
  fs::create_directory(work / "sub");
  fs::create_symlink("t.xy", work / "sub" / "l.xy");
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nsub/l.xy\n2\nn\n").status, 0);
  EXPECT_EQ(read_file(work / "sub" / "t.xy"), converted);
  EXPECT_EQ(read_file(work / "out.xy"), converted);
  EXPECT_EQ(read_file(work / "other.xy"), "old\r\n");
  EXPECT_EQ(fs::status(work / "out.xy").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // A device takes the bytes in place: nothing is made beside it.
  if (fs::exists("/dev/null")) {
    const auto dev_before = std::distance(fs::directory_iterator("/dev"), {});
    const auto run = run_zolkdf(work, "K\nin.xy\n2\n/dev/null\n2\nn\n");
    EXPECT_EQ(run.status, 0) << visible(run.err);
    EXPECT_EQ(std::distance(fs::directory_iterator("/dev"), {}), dev_before);
  }

  // A named pipe is written, not replaced: the reader at its other end gets the file.
  ASSERT_EQ(::mkfifo((work / "pipe.xy").c_str(), 0644), 0);
  std::string through_pipe;
  std::thread reader([&] { through_pipe = read_file(work / "pipe.xy"); });
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\npipe.xy\n2\nn\n").status, 0);
  reader.join();
  EXPECT_EQ(through_pipe, converted);
  EXPECT_TRUE(fs::is_fifo(work / "pipe.xy"));
  EXPECT_EQ(others({"in.xy", "new.xy", "out.xy", "other.xy", "link.xy", "pipe.xy", "sub"}),
            std::vector<std::string>{});
}

// Root may write any file, so the rules for files and folders that refuse are seen through an
// ordinary user's run.
TEST_F(output_files, replace_a_read_only_file_and_write_in_place_where_the_folder_refuses) {
  const bool root = ::geteuid() == 0;
  const int user = root ? 65534 : -1;  // nobody
  fs::path binary = ZOLKDF_BINARY;
  if (root) {  // a copy that the user can surely reach
    binary = work / "zolkdf";
    fs::copy_file(ZOLKDF_BINARY, binary);
  }
  const fs::path folder = work / "data";
  fs::create_directory(folder);
  const auto give = [&](const fs::path& p) {
    if (root) {
      ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
    }
  };
  give(folder);
  write_file(folder / "in.xy", xy_points(3));
  write_file(work / "keys", "K\nin.xy\n2\nout.xy\n2\nn\n");
  write_file(work / "plain", "K\nin.xy\n2\nnew.xy\n2\nn\n");
  ASSERT_EQ(wait_for(start_zolkdf(folder, work / "plain", binary, user)), 0);
  const std::string converted = read_file(folder / "new.xy");

  write_file(folder / "out.xy", "old\r\n");
  fs::permissions(folder / "out.xy", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(wait_for(start_zolkdf(folder, work / "keys", binary, user)), 0);
  EXPECT_EQ(read_file(folder / "out.xy"), converted);
  EXPECT_EQ(fs::status(folder / "out.xy").permissions(),
            fs::perms::owner_read | fs::perms::group_read);

  // The folder takes no new file, but the file itself may be written: it is, in place.
  write_file(folder / "out.xy", "old\r\n");
  fs::permissions(folder / "out.xy", fs::perms::owner_read | fs::perms::owner_write);
  give(folder / "out.xy");
  struct stat before {};
  ::stat((folder / "out.xy").c_str(), &before);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(wait_for(start_zolkdf(folder, work / "keys", binary, user)), 0);
  fs::permissions(folder, fs::perms::owner_all);
  struct stat after {};
  ::stat((folder / "out.xy").c_str(), &after);
  EXPECT_EQ(read_file(folder / "out.xy"), converted);
  EXPECT_EQ(after.st_ino, before.st_ino);
  if (!root) return;

  // Root's file that the user may write, in the user's folder: replaced, and as its owner and
  // group cannot be kept, nobody else may write it. In a folder with the sticky bit only its owner
  // may replace it: it takes the new bytes in place, its longer old tail gone.
  const fs::path shared = work / "shared";
  fs::create_directory(shared);
  write_file(shared / "in.xy", xy_points(3));
  for (const fs::perms sticky : {fs::perms::none, fs::perms::sticky_bit}) {
    fs::permissions(shared, fs::perms::all | sticky);
    for (const fs::path& in : {folder, shared}) {
      write_file(in / "out.xy", xy_points(40));
      ASSERT_EQ(::chown((in / "out.xy").c_str(), 0, 0), 0);
      fs::permissions(in / "out.xy", fs::perms::all & ~fs::perms::owner_exec &
                                         ~fs::perms::group_exec & ~fs::perms::others_exec);
    }
    const auto old_shared = status_of(shared / "out.xy").st_ino;
    EXPECT_EQ(wait_for(start_zolkdf(folder, work / "keys", binary, user)), 0);
    EXPECT_EQ(wait_for(start_zolkdf(shared, work / "keys", binary, user)), 0);
    EXPECT_EQ(read_file(folder / "out.xy"), converted);
    EXPECT_EQ(read_file(shared / "out.xy"), converted);
    EXPECT_EQ(status_of(folder / "out.xy").st_mode & 07777, 0644u);
    EXPECT_EQ(status_of(folder / "out.xy").st_uid, 65534u);
    EXPECT_EQ(status_of(shared / "out.xy").st_ino == old_shared, sticky == fs::perms::sticky_bit);
  }
  EXPECT_EQ(others({"data", "keys", "plain", "zolkdf", "shared"}), std::vector<std::string>{});
}

// A power cut right after the program reports success: the file system is shut down as the
// kernel's own file system tests do it (its journal flushed, nothing else), then unmounted and
// mounted again. Both outputs are the complete new files: the one written over an old output and
// the one under a new name.
TEST_F(output_files, are_whole_after_a_power_cut_right_after_the_run) {
  if (const std::string why = test_support::why_no_images(); !why.empty()) GTEST_SKIP() << why;
  write_file(work / "in.xy", xy_points(20000));
  write_file(work / "conv.lst", "2\r\nin.xy 2 old.xy 2\r\nin.xy 2 new.xy 2\r\n");
  ASSERT_EQ(run_zolkdf(work, "F\nconv.lst\n").status, 0);
  const std::string converted = read_file(work / "new.xy");
  const fs::path mounted = work / "mnt";
  struct file_system {
    const char* what;
    const char* make;
    const char* options;
  };
  for (const file_system& f :
       {file_system{"ext4", "mkfs.ext4 -q -F", ""},
        file_system{"ext4 noauto_da_alloc", "mkfs.ext4 -q -F", ",noauto_da_alloc"},
        file_system{"xfs", "mkfs.xfs -q -f", ""}}) {
    const std::string what = f.what;
    test_support::file_system_image image{work / "fs.img", mounted, f.make, f.options};
    ASSERT_TRUE(image.is_made()) << what;
    if (!image.is_mounted()) GTEST_SKIP() << "a file system image cannot be mounted here: " << what;
    for (const char* name : {"in.xy", "conv.lst"}) fs::copy_file(work / name, mounted / name);
    write_file(mounted / "old.xy", xy_points(10));
    ::sync();
    const int status = run_zolkdf(mounted, "F\nconv.lst\n").status;
    const bool shut = image.cut_power();
    EXPECT_EQ(status, 0) << what;
    EXPECT_TRUE(shut) << what << ": the file system could not be shut down";
    ASSERT_TRUE(image.mount_again()) << what;
    for (const char* name : {"old.xy", "new.xy"})
      EXPECT_TRUE(read_file(mounted / name) == converted)
          << what << ": " << name << " holds " << read_file(mounted / name).size() << " bytes";
  }
}

// A link is followed as the kernel follows one where links are protected: in a sticky folder that
// others may write, another user's link to root's own file is refused and the file untouched,
// while the runner's own link there is followed. A loop of links fails, and each stays a link.
TEST_F(output_files, follow_links_only_as_the_kernel_would_and_never_round_a_loop) {
  write_file(work / "in.xy", xy_points(3));
  ASSERT_EQ(run_zolkdf(work, "K\nin.xy\n2\nnew.xy\n2\nn\n").status, 0);
  const std::string converted = read_file(work / "new.xy");
  const std::vector<std::pair<const char*, const char*> > loops{
      {"a.xy", "b.xy"}, {"b.xy", "a.xy"}, {"c.xy", "d.xy"}, {"d.xy", "e.xy"}, {"e.xy", "c.xy"}};
  for (const auto& [link, to] : loops) fs::create_symlink(to, work / link);
  for (const std::string name : {"a.xy", "c.xy"}) {
    const auto run = run_zolkdf(work, "K\nin.xy\n2\n" + name + "\n2\nn\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(visible(run.err), visible("\r\nrun-time error F6033: OPEN(" + name +
                                        ")\r\n- too many levels of symbolic links\r\n"));
  }
  for (const auto& [link, to] : loops) EXPECT_TRUE(fs::is_symlink(work / link)) << link;
  // A chain of links leads to the file that takes the bytes.
  fs::create_symlink("far.xy", work / "near.xy");
  fs::create_symlink("real.xy", work / "far.xy");
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nnear.xy\n2\nn\n").status, 0);
  EXPECT_EQ(read_file(work / "real.xy"), converted);
  EXPECT_TRUE(fs::is_symlink(work / "near.xy") && fs::is_symlink(work / "far.xy"));

  if (::geteuid() != 0) GTEST_SKIP() << "another user's link needs root to make";
  const fs::path shared = work / "shared";
  fs::create_directory(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  write_file(shared / "in.xy", xy_points(3));
  write_file(work / "notes", "private\r\n");
  fs::permissions(work / "notes", fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(work / "notes", shared / "out.xy");
  ASSERT_EQ(::lchown((shared / "out.xy").c_str(), 65534, 65534), 0);
  const auto run = run_zolkdf(shared, "K\nin.xy\n2\nout.xy\n2\nn\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(visible(run.err),
            visible("\r\nrun-time error F6003: OPEN(out.xy)\r\n- permission denied\r\n"));
  EXPECT_EQ(read_file(work / "notes"), "private\r\n");
  fs::create_symlink(work / "notes", shared / "mine.xy");
  EXPECT_EQ(run_zolkdf(shared, "K\nin.xy\n2\nmine.xy\n2\nn\n").status, 0);
  EXPECT_EQ(read_file(work / "notes"), converted);
  EXPECT_EQ(status_of(work / "notes").st_mode & 07777, 0600u);
  EXPECT_TRUE(fs::is_symlink(shared / "out.xy") && fs::is_symlink(shared / "mine.xy"));
}

// What guarded the old file guards the new one: its ACL, its extended attributes, its owner and
// group. Where its ACL cannot be kept, the new file is written by its owner alone.
TEST_F(output_files, keep_the_acl_the_extended_attributes_the_owner_and_the_group) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user's file needs root to make";
  if (!shell("command -v setfacl")) GTEST_SKIP() << "setfacl is missing (Debian acl)";
  write_file(work / "in.xy", xy_points(3));
  ASSERT_EQ(run_zolkdf(work, "K\nin.xy\n2\nnew.xy\n2\nn\n").status, 0);
  write_file(work / "out.xy", "old\r\n");
  fs::permissions(work / "out.xy",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // The entry for user 65534 makes the mask rw-, which the permission bits show in the group's.
  if (!shell("setfacl -m u:65534:rw- " + (work / "out.xy").string()) ||
      ::setxattr((work / "out.xy").c_str(), "user.note", "kept", 4, 0) != 0)
    GTEST_SKIP() << "no ACLs or user attributes on this file system";
  ASSERT_EQ(::chown((work / "out.xy").c_str(), 65534, 65534), 0);
  const std::string acl = attribute(work / "out.xy", "system.posix_acl_access");
  const auto before = status_of(work / "out.xy");
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nout.xy\n2\nn\n").status, 0);
  const auto after = status_of(work / "out.xy");
  EXPECT_EQ(read_file(work / "out.xy"), read_file(work / "new.xy"));
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(attribute(work / "out.xy", "system.posix_acl_access"), acl);  // group::r-- in it
  EXPECT_EQ(attribute(work / "out.xy", "user.note"), "kept");
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, 65534u);
  EXPECT_EQ(after.st_gid, 65534u);

  // Without the ACL that let user 65534 write it, nobody but its owner may write the new file.
  const failures_made failing{"acl:EOPNOTSUPP"};
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nout.xy\n2\nn\n").status, 0);
  EXPECT_EQ(attribute(work / "out.xy", "system.posix_acl_access"), "");
  EXPECT_EQ(status_of(work / "out.xy").st_mode & 07777, 0640u);
  EXPECT_EQ(status_of(work / "out.xy").st_uid, 65534u);
  // The runner's own file keeps another group too.
  ASSERT_EQ(::chown((work / "out.xy").c_str(), ::geteuid(), 65534), 0);
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nout.xy\n2\nn\n").status, 0);
  EXPECT_EQ(status_of(work / "out.xy").st_gid, 65534u);
}

// Whatever step of putting the new file in place fails, the old file stays and no temporary file
// is left, and the report gives the system's reason. A file system without anonymous files, or a
// name that cannot be renamed over (a file mounted over it), still gets the new file. The steps
// fail through the file layer's switch for tests.
TEST_F(output_files, keep_the_old_file_whatever_step_fails) {
  write_file(work / "in.xy", xy_points(3));
  ASSERT_EQ(run_zolkdf(work, "K\nin.xy\n2\nnew.xy\n2\nn\n").status, 0);
  const std::string converted = read_file(work / "new.xy"), old_bytes = xy_points(20);
  struct step_case {
    const char* failures;
    bool existing;
    const char* report;  // after "run-time error F60"; none when the run succeeds
  };
  // clang-format off
  const std::vector<step_case> cases{
      {"anonymous:EOPNOTSUPP",                 true,  ""},
      {"anonymous:EOPNOTSUPP",                 false, ""},
      {"rename:EBUSY",                         true,  ""},
      {"anonymous:EOPNOTSUPP,rename:EBUSY",    true,  ""},
      {"anonymous:EACCES,named:EACCES",        true,  ""},  // written in place, cut first
      {"anonymous:EACCES",                     false, "03: OPEN(out.xy)\r\n- permission denied"},
      {"anonymous:ENOSPC",                     true,  "25: OPEN(out.xy)\r\n- no space left on device"},
      {"anonymous:ENOSPC",                     false, "25: OPEN(out.xy)\r\n- no space left on device"},
      {"anonymous:EOPNOTSUPP,named:EDQUOT",    true,  "26: OPEN(out.xy)\r\n- disk quota exceeded"},
      {"anonymous:EROFS",                      true,  "27: OPEN(out.xy)\r\n- read-only file system"},
      {"flush:EIO",                            true,  "21: WRITE(out.xy)\r\n- write error"},
      {"flush:EIO",                            false, "21: WRITE(out.xy)\r\n- write error"},
      {"rename:EXDEV",                         true,  "21: WRITE(out.xy)\r\n- write error"},
      {"anonymous:EOPNOTSUPP,rename:EIO",      true,  "21: WRITE(out.xy)\r\n- write error"},
      {"anonymous:EOPNOTSUPP,flush:EIO",       true,  "21: WRITE(out.xy)\r\n- write error"},
      {"link:EMLINK",                          false, "29: CLOSE(out.xy)\r\n- too many links"},
  };
  // clang-format on
  for (const step_case& c : cases) {
    fs::remove(work / "out.xy");
    if (c.existing) write_file(work / "out.xy", old_bytes);
    const failures_made failing{c.failures};
    const auto run = run_zolkdf(work, "K\nin.xy\n2\nout.xy\n2\nn\n");
    const std::string what = std::string(c.failures) + (c.existing ? " over a file" : "");
    const bool failed = *c.report != '\0';
    EXPECT_EQ(run.status, failed ? 1 : 0) << what;
    if (failed) {
      EXPECT_EQ(visible(run.err),
                visible("\r\nrun-time error F60" + std::string(c.report) + "\r\n"))
          << what;
    }
    EXPECT_EQ(read_file(work / "out.xy"), failed ? (c.existing ? old_bytes : "") : converted)
        << what;
    EXPECT_EQ(fs::exists(work / "out.xy"), c.existing || !failed) << what;
    EXPECT_EQ(others({"in.xy", "new.xy", "out.xy"}), std::vector<std::string>{}) << what;
  }

  // Each way into place takes its steps in this order: what guarded the old file and the bytes
  // reach the disk before the name, the folder after it; a file copied into or written in place
  // is flushed. A new file ends with the bits that the umask leaves, a file put in place of an old
  // one with the old one's, set-id and sticky bits included.
  struct placed_case {
    const char* failures;
    bool existing;
    const char* steps;
  };
  // clang-format off
  const std::vector<placed_case> placed{
      {"",                            false, "anonymous flush link flush-folder"},
      {"",                            true,  "anonymous mode flush link rename flush-folder"},
      {"anonymous:EOPNOTSUPP",        false, "named mode flush rename flush-folder"},
      {"anonymous:EOPNOTSUPP",        true,  "named mode flush rename flush-folder"},
      {"rename:EBUSY",                true,  "anonymous mode flush link copy flush flush-folder"},
      {"anonymous:EACCES",            true,  "named copy flush"},
      {"anonymous:EPERM,named:EPERM", true,  "in-place flush"},
  };
  // clang-format on
  const mode_t umask_before = ::umask(027);
  // A temporary file made in the temporary folder loses its name at once.
  const fs::path temporary_folder = test_support::scratch_folder("output-temporaries");
  ::setenv("TMPDIR", temporary_folder.c_str(), 1);
  for (const placed_case& c : placed) {
    fs::remove(work / "out.xy");
    if (c.existing) {
      write_file(work / "out.xy", old_bytes);
      ASSERT_EQ(::chmod((work / "out.xy").c_str(), 07775), 0);
    }
    const failures_made failing{c.failures};
    const steps_traced trace{work / "steps"};
    const std::string what = std::string(c.failures) + (c.existing ? " over a file" : "");
    EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nout.xy\n2\nn\n").status, 0) << what;
    EXPECT_EQ(read_file(work / "out.xy"), converted) << what;
    EXPECT_EQ(read_file(trace.file), trace_of(c.steps, "out.xy")) << what;
    // An old file that takes the bytes itself keeps its bits, less what the kernel takes from
    // them as it is written.
    const std::string_view steps = c.steps;
    if (steps.find("copy") == steps.npos && steps.find("in-place") == steps.npos) {
      EXPECT_EQ(status_of(work / "out.xy").st_mode & 07777, c.existing ? 07775u : 0640u) << what;
    }
    EXPECT_TRUE(fs::is_empty(temporary_folder)) << what;
  }
  ::unsetenv("TMPDIR");
  fs::remove_all(temporary_folder);
  ::umask(umask_before);

  // A write that fails where no file stood leaves none.
  fs::remove(work / "out.xy");
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\nout.xy\n2\nn\n", {}, 30).status, 1);
  EXPECT_FALSE(fs::exists(work / "out.xy"));

  // A temporary name that another has taken is passed over, and what holds it stays as it was.
  write_file(work / "keys", "K\nin.xy\n2\nout.xy\n2\nn\n");
  for (const char* failures : {"", "anonymous:EOPNOTSUPP"}) {
    write_file(work / "out.xy", old_bytes);
    const failures_made failing{failures};
    EXPECT_EQ(wait_for(start_zolkdf(work, work / "keys", ZOLKDF_BINARY, -1, "out.xy")), 0);
    EXPECT_EQ(read_file(work / "out.xy"), converted) << failures;
    const std::vector<std::string> left = others({"in.xy", "new.xy", "out.xy", "keys"});
    EXPECT_EQ(left.size(), 1u) << failures;
    for (const std::string& planted : left) {
      EXPECT_EQ(read_file(work / planted), "planted") << failures;
      fs::remove(work / planted);
    }
  }
}

// The folder or the file refuses what a rename needs. A folder that only allows appending
// (chattr +a) keeps every name it has: an existing file there takes the new bytes in place, by a
// copy once they are complete, and no temporary name is left in it; a file that only allows
// appending is refused with the reason.
TEST_F(output_files, write_in_place_by_a_copy_where_the_folder_only_allows_appending) {
  if (::geteuid() != 0) GTEST_SKIP() << "chattr +a needs root";
  const fs::path folder = work / "append";
  fs::create_directory(folder);
  write_file(folder / "in.xy", xy_points(3));
  write_file(folder / "out.xy", xy_points(20));
  write_file(folder / "kept.xy", "old\r\n");
  if (!shell("chattr +a " + folder.string())) GTEST_SKIP() << "no chattr +a on this file system";
  struct clear_at_end {
    std::string folder;
    ~clear_at_end() { shell("chattr -R -a " + folder); }
  } clear{folder.string()};
  const auto before = status_of(folder / "out.xy").st_ino;
  EXPECT_EQ(run_zolkdf(folder, "K\nin.xy\n2\nout.xy\n2\nn\n").status, 0);
  EXPECT_EQ(run_zolkdf(folder, "K\nin.xy\n2\nnew.xy\n2\nn\n").status, 0);
  EXPECT_EQ(read_file(folder / "out.xy"), read_file(folder / "new.xy"));
  EXPECT_EQ(status_of(folder / "out.xy").st_ino, before);
  ASSERT_TRUE(shell("chattr +a " + (folder / "kept.xy").string()));
  const auto run = run_zolkdf(folder, "K\nin.xy\n2\nkept.xy\n2\nn\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(visible(run.err),
            visible("\r\nrun-time error F6003: OPEN(kept.xy)\r\n- permission denied\r\n"));
  EXPECT_EQ(read_file(folder / "kept.xy"), "old\r\n");
  shell("chattr -R -a " + folder.string());
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"in.xy", "kept.xy", "new.xy", "out.xy"}));
}

#endif

// Names are used whole: a command-line path of 300 characters is the file written, never the one
// that its first 260 characters name; a typed name longer than 260 characters is refused, and
// nothing is opened.
TEST_F(output_files, use_names_whole_and_refuse_a_typed_name_too_long) {
  write_file(work / "in.xy", xy_points(3));
  ASSERT_EQ(run_zolkdf(work, "K\nin.xy\n2\nnew.xy\n2\nn\n").status, 0);
  fs::create_directory(work / std::string(150, 's'));
  const std::string out = (work / std::string(150, 's') / (std::string(110, 'o') + ".xy")).string();
  ASSERT_GT(out.size(), 280u);
  write_file(out.substr(0, 260), "decoy");
  EXPECT_EQ(run_zolkdf(work, "K\nin.xy\n2\n\n2\nn\n", {out}).status, 0);
  EXPECT_EQ(read_file(out), read_file(work / "new.xy"));
  EXPECT_EQ(read_file(out.substr(0, 260)), "decoy");

  const std::string typed(261, 't');
  const auto run = run_zolkdf(work, "K\nin.xy\n2\n\n2\n" + typed + "\nn\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(visible(run.err),
            visible("\r\nrun-time error F6032: OPEN(" + typed + ")\r\n- file name too long\r\n"));
  EXPECT_EQ(others({"in.xy", "new.xy", std::string(150, 's')}), std::vector<std::string>{});
}

}  // namespace
