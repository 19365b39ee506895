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
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::run_zolkdf;
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
// user uid when uid is not -1.
pid_t start_zolkdf(const fs::path& work, const fs::path& keys, const fs::path& binary, int uid) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int in = ::open(keys.c_str(), O_RDONLY);
  const int out = ::open("/dev/null", O_WRONLY);
  if (in < 0 || out < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0 ||
      ::chdir(work.c_str()) != 0)
    ::_exit(126);
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

// A kill at any moment of a maximum-size conversion leaves the old output or the complete new
// one, never a mix or a cut file.
TEST_F(output_files, a_kill_at_any_moment_leaves_the_old_output_or_the_complete_new_one) {
  write_file(work / "in.xy", xy_points(131072));
  struct output {
    std::string name, keys;
  };
  const std::vector<output> outputs{{"out.xy", "K\nin.xy\n2\nout.xy\n2\nn\n"},
                                    {"out.spc", "K\nin.xy\n2\nout.spc\n6\nkilled\nn\n"}};
  const std::string old_bytes = xy_points(10);
  std::vector<std::string> new_bytes;
  std::chrono::duration<double> longest{0};
  for (const output& o : outputs) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run_zolkdf(work, o.keys).status, 0);
    longest =
        std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start));
    new_bytes.push_back(undated(read_file(work / o.name)));
    write_file(work / (o.name + ".keys"), o.keys);
  }
  std::mt19937 random{std::random_device{}()};
  std::uniform_real_distribution<double> moment(0.0, 1.2 * longest.count());
  int old_kept = 0, new_put = 0;
  for (int run = 0; run < 60; ++run) {
    const output& o = outputs[static_cast<std::size_t>(run) % outputs.size()];
    write_file(work / o.name, old_bytes);
    const pid_t pid = start_zolkdf(work, work / (o.name + ".keys"), ZOLKDF_BINARY, -1);
    std::this_thread::sleep_for(std::chrono::duration<double>(moment(random)));
    ::kill(pid, SIGKILL);
    wait_for(pid);
    const std::string now = read_file(work / o.name);
    if (now == old_bytes) {
      ++old_kept;
    } else {
      // Compared whole but not shown: a diff of megabytes would take the test's memory.
      EXPECT_TRUE(undated(now) == new_bytes[static_cast<std::size_t>(run) % outputs.size()])
          << o.name << " holds " << now.size() << " bytes, neither file, after a kill in run "
          << run;
      ++new_put;
    }
    // Only a kill between naming the finished file and renaming it leaves it behind, named so
    // that its owner is plain.
    for (const std::string& left :
         others({"in.xy", "out.xy", "out.spc", "out.xy.keys", "out.spc.keys"})) {
      EXPECT_NE(left.find(".zolkdf-"), std::string::npos) << left;
      fs::remove(work / left);
    }
  }
  EXPECT_GT(old_kept, 0);
  EXPECT_GT(new_put, 0);
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
  EXPECT_EQ(others({"in.xy", "new.xy", "out.xy", "other.xy", "link.xy", "pipe.xy"}),
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
}

#endif

}  // namespace
