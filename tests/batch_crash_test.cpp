// tests/batch_crash_test.cpp: what a batch of the command line leaves when it is killed or the
// power is cut at any moment: each output its old bytes or the complete new ones, and no
// temporary file once the next run into its folder is done.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
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
#ifndef _WIN32
#include "tests/support/file_system_image.hpp"
#include "tests/support/test_switches.hpp"
#endif

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::run_zolkdf;
using test_support::visible;
using test_support::write_file;

#ifdef _WIN32

TEST(batch_outputs, are_posix_matters_here) { GTEST_SKIP() << "no SIGKILL nor loop devices"; }

#else

constexpr int files = 200;
constexpr std::size_t date_at = 32;  // a new-variant SPC file's date word, 4 bytes

// A moment for a kill or a power cut: at random up to 1.2 times the time of a whole run.
std::chrono::duration<double> random_moment(std::chrono::duration<double> whole) {
  static std::mt19937 random{std::random_device{}()};
  return std::chrono::duration<double>(
      std::uniform_real_distribution<double>(0.0, 1.2 * whole.count())(random));
}

// An XY file of n points whose values depend on seed, so that no two inputs are alike.
std::string xy_points(int n, int seed) {
  std::string text;
  char record[64];
  for (int i = 0; i < n; ++i) {
    std::snprintf(record, sizeof record, "%.3f %.6e\r\n", 4000.0 - 0.5 * i,
                  0.5 + ((i * 7 + seed) % 97) / 7.0);
    text += record;
  }
  return text;
}

// A kind of batch: -t, its outputs' extension, whether they go beside the inputs (no -d), and
// the steps of the file layer made to fail in its runs (ZOLKDF_TEST_FAIL).
struct batch_kind {
  const char *what, *to, *extension;
  bool beside_inputs;
  const char* failures;
};

// One batch over root/in: its command line, and each output's name under root, old and new bytes.
struct batch {
  fs::path root;
  fs::path output_folder;
  std::vector<std::string> args;
  std::vector<fs::path> outputs;
  std::vector<std::string> new_bytes;
  bool dated = false;  // SPC outputs carry the clock's date

  // The bytes of output i without an SPC file's date.
  std::string bytes_of(std::size_t i) const {
    std::string bytes = read_file(root / outputs[i]);
    if (dated && bytes.size() >= date_at + 4) bytes.replace(date_at, 4, 4, '\0');
    return bytes;
  }
  bool has_old(std::size_t i) const { return i % 4 < 2; }
  static std::string old_bytes(std::size_t i) { return "old " + std::to_string(i) + "\r\n"; }
  // Half of the outputs hold old bytes, the others do not exist yet.
  void put_old_outputs() const {
    fs::create_directories(output_folder);
    for (std::size_t i = 0; i < outputs.size(); ++i)
      has_old(i) ? write_file(root / outputs[i], old_bytes(i))
                 : void(fs::remove(root / outputs[i]));
  }
  // The program's temporary files in the output folder.
  std::vector<std::string> temporaries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(output_folder))
      if (e.path().filename().string().find(".zolkdf-") != std::string::npos)
        names.push_back(e.path().filename().string());
    return names;
  }
};

// The name of input i: small XY files and SPC files of a few thousand points in turn.
std::string input_name(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "f%03d.%s", i, i % 2 == 0 ? "xy" : "spc");
  return name;
}

// Makes the batch's inputs in folder/in: the SPC files converted by the program from XY files.
void make_inputs(const fs::path& folder) {
  for (const char* f : {"in", "made"}) fs::create_directories(folder / f);
  for (int i = 0; i < files; ++i) {
    const std::string name = input_name(i);
    write_file(folder / (i % 2 == 0 ? "in" : "made") / (name.substr(0, 4) + ".xy"),
               xy_points(i % 2 == 0 ? 20 + i : 3000 + i, i));
  }
  ASSERT_EQ(run_zolkdf(folder, "", {"convert", "made", "-t", "spc", "-d", "in", "-q"}).status, 0);
  fs::remove_all(folder / "made");
}

// The batch of the kind given over root/in, its new bytes from a whole run that took took.
batch batch_of(const batch_kind& kind, const fs::path& root, std::chrono::duration<double>& took) {
  batch b;
  b.root = root;
  b.output_folder = root / (kind.beside_inputs ? "in" : "out");
  b.dated = std::string(kind.to) == "spc";
  b.args = {"convert", "-t", kind.to, "-j", "2", "-q"};
  if (!kind.beside_inputs) b.args.insert(b.args.end(), {"in", "-d", "out"});
  for (int i = 0; i < files; ++i) {
    const std::string name = input_name(i);
    // Beside the inputs a folder would take the old outputs as inputs too.
    if (kind.beside_inputs) b.args.push_back("in/" + name);
    b.outputs.push_back(b.output_folder.lexically_relative(root) /
                        (name.substr(0, 4) + kind.extension));
  }
  b.put_old_outputs();
  const auto start = std::chrono::steady_clock::now();
  const auto run = run_zolkdf(root, "", b.args);
  took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(run.status, 0) << kind.what << ": " << visible(run.err);
  for (std::size_t i = 0; i < b.outputs.size(); ++i) b.new_bytes.push_back(b.bytes_of(i));
  return b;
}

// Checks that every output holds its old bytes or its new ones, or is absent where it was
// before; what names the moment in the message. Gives back how many outputs are new.
int expect_old_or_new(const batch& b, const std::string& what) {
  int new_put = 0;
  std::vector<std::string> neither;
  for (std::size_t i = 0; i < b.outputs.size(); ++i) {
    if (!fs::exists(b.root / b.outputs[i])) {
      if (b.has_old(i)) neither.push_back(b.outputs[i].string() + " is gone");
      continue;
    }
    const std::string now = b.bytes_of(i);
    if ((b.has_old(i) && now == b.old_bytes(i)) || now == b.new_bytes[i])
      new_put += now == b.new_bytes[i];
    else
      neither.push_back(b.outputs[i].string() + " holds " + std::to_string(now.size()) + " bytes");
  }
  EXPECT_TRUE(neither.empty()) << what << ": " << neither.size() << " outputs are neither old nor"
                               << " new, such as " << (neither.empty() ? "" : neither.front());
  return new_put;
}

class batch_outputs : public testing::Test {
 protected:
  const test_support::scratch s{"batch-crash"};
  const fs::path& work = s.work;
};

// Batches of 200 files with -j 2 killed at random moments: each output old or new, and the next
// run leaves no temporary file (the last kind writes under temporary names, not anonymously).
TEST_F(batch_outputs, are_old_or_new_after_a_kill_and_no_temporary_outlives_the_next_run) {
  const std::vector<batch_kind> kinds{
      {"to XY in another folder", "xy", ".xy", false, ""},
      {"to 6XY beside the inputs", "6xy", ".6xy", true, ""},
      {"to SPC without anonymous files", "spc", ".spc", false, "anonymous:EOPNOTSUPP"}};
  make_inputs(work);
  int cut_midway = 0, left_by_kills = 0;
  for (const batch_kind& kind : kinds) {
    const test_support::failures_made failing{kind.failures};
    std::chrono::duration<double> whole{};
    const batch b = batch_of(kind, work, whole);
    for (int run = 0; run < ZOLKDF_KILLS_PER_BATCH; ++run) {
      const std::string what = std::string(kind.what) + ", kill " + std::to_string(run);
      b.put_old_outputs();
      const int pid = test_support::spawn_zolkdf(work, b.args);
      std::this_thread::sleep_for(random_moment(whole));
      ::kill(pid, SIGKILL);
      test_support::wait_for_zolkdf(pid);
      const int new_put = expect_old_or_new(b, what);
      cut_midway += new_put > 0 && new_put < files;
      const std::size_t left = b.temporaries().size();
      left_by_kills += left > 0;
      const auto next = run_zolkdf(work, "", b.args);
      EXPECT_EQ(next.status, 0) << what << ": " << visible(next.err);
      EXPECT_EQ(expect_old_or_new(b, what + ", next run"), files) << what << ", next run";
      const std::vector<std::string> stale = b.temporaries();
      EXPECT_TRUE(stale.empty()) << what << ": the next run leaves " << stale.size() << " of "
                                 << left << " temporary files of the killed run, such as "
                                 << (stale.empty() ? "" : stale.front());
      for (const std::string& name : stale) fs::remove(b.output_folder / name);
    }
    for (const fs::path& output : b.outputs) fs::remove(work / output);
  }
  EXPECT_GT(cut_midway, 0) << "no kill fell in the middle of a batch";
  std::printf("%d kills in the middle of a batch; %d left temporary files\n", cut_midway,
              left_by_kills);
}

// A batch on a loop-mounted ext4 or XFS image whose power is cut at a random moment: each output
// old or new, all new after a cut right after success, and no temporary file after the next run.
TEST_F(batch_outputs, are_old_or_new_whole_after_a_power_cut_at_any_moment) {
  if (const std::string why = test_support::why_no_images(); !why.empty()) GTEST_SKIP() << why;
  struct file_system {
    const char *what, *make;
  };
  const batch_kind kind{"to XY in another folder", "xy", ".xy", false, ""};
  make_inputs(work);
  const fs::path mounted = work / "mnt";
  int cut_midway = 0;
  for (const file_system& f :
       {file_system{"ext4", "mkfs.ext4 -q -F"}, file_system{"xfs", "mkfs.xfs -q -f"}}) {
    test_support::file_system_image image{work / "fs.img", mounted, f.make, ""};
    ASSERT_TRUE(image.is_made()) << f.what;
    if (!image.is_mounted()) GTEST_SKIP() << "a file system image cannot be mounted: " << f.what;
    fs::copy(work / "in", mounted / "in");
    std::chrono::duration<double> whole{};
    const batch b = batch_of(kind, mounted, whole);
    for (int cut = 0; cut <= ZOLKDF_CUTS_PER_FILE_SYSTEM; ++cut) {
      const bool after_success = cut == ZOLKDF_CUTS_PER_FILE_SYSTEM;
      const std::string what = std::string(f.what) + ", cut " + std::to_string(cut) +
                               (after_success ? " after the run" : "");
      b.put_old_outputs();
      ::sync();
      const int pid = test_support::spawn_zolkdf(mounted, b.args);
      if (!after_success) std::this_thread::sleep_for(random_moment(whole));
      const int status = after_success ? test_support::wait_for_zolkdf(pid) : 0;
      EXPECT_TRUE(image.cut_power()) << what << ": the file system could not be shut down";
      if (!after_success) test_support::wait_for_zolkdf(pid);
      EXPECT_EQ(status, 0) << what;
      ASSERT_TRUE(image.mount_again()) << what;
      const int new_put = expect_old_or_new(b, what);
      cut_midway += new_put > 0 && new_put < files;
      EXPECT_TRUE(!after_success || new_put == files) << what << ": " << new_put;
    }
    const auto next = run_zolkdf(mounted, "", b.args);
    EXPECT_EQ(next.status, 0) << f.what << ": " << visible(next.err);
    EXPECT_EQ(b.temporaries(), std::vector<std::string>{}) << f.what << ", after the next run";
  }
  std::printf("%d power cuts in the middle of a batch\n", cut_midway);
}

#endif

}  // namespace
