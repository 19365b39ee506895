// tests/batch_names_test.cpp: batches whose names meet: outputs compared with each other and with
// the inputs by the files they are (through linked folders, numbered outputs, names that differ
// in letter case alone where the folder finds names whatever their case), folders that cannot be
// read, names that the system cannot take, and the messages about names and folders. Each case is
// a folder layout and a run of the real program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;

const fs::path tests_folder = ZOLKDF_TEST_DIR;

// A file or folder of a case's layout: a folder where contents is empty, a symbolic link
// where it begins with "->", a copy of a file of the tests' folder where it begins with "@",
// else the bytes themselves.
struct entry {
  const char* path;
  std::string contents;
};

struct scenario {
  const char* name;
  std::vector<entry> layout;
  std::vector<std::string> args;
  int status;
  std::string err;
  std::vector<const char*> unchanged;  // files that keep their bytes
  bool unprivileged = false;           // run as a user that the folders' permissions hold to
};

const std::string y = "@../examples/sample.y", six = "@../examples/sample.6xy";
const std::string several = "@e2e/cli_csv_table_of_spectra_on_one_x/files/kinetics.spc";
const std::string nothing_converted = "zolkdf: nothing was converted\n";

void make_layout(const fs::path& work, const std::vector<entry>& layout) {
  for (const entry& e : layout) {
    const fs::path p = work / e.path;
    if (e.contents.empty())
      fs::create_directories(p);
    else if (e.contents.starts_with("->"))
      fs::create_symlink(e.contents.substr(2), p);
    else if (e.contents.starts_with("@"))
      fs::copy_file(tests_folder / e.contents.substr(1), p);
    else
      test_support::write_file(p, e.contents);
  }
}

// Runs zolkdf in work; with unprivileged, as user 65534 when the tests run as root, whom a
// folder's permissions would not stop.
test_support::program_result run(const fs::path& work, const std::vector<std::string>& args,
                                 [[maybe_unused]] bool unprivileged) {
#ifndef _WIN32
  if (unprivileged && ::geteuid() == 0) {
    std::string command = "cd '" + work.string() + "' && setpriv --reuid=65534 --regid=65534 " +
                          "--clear-groups " + ZOLKDF_BINARY;
    for (const std::string& a : args) command += " '" + a + "'";
    const int status =
        std::system((command + " 2>../" + work.filename().string() + ".err").c_str());
    const fs::path err = work.parent_path() / (work.filename().string() + ".err");
    test_support::program_result r{"", read_file(err),
                                   WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    fs::remove(err);
    return r;
  }
#endif
  return test_support::run_zolkdf(work, "", args);
}

void check(const scenario& c, const fs::path& work) {
  SCOPED_TRACE(c.name);
  make_layout(work, c.layout);
  std::map<std::string, std::string> before;
  for (const char* f : c.unchanged) before[f] = read_file(work / f);
#ifndef _WIN32
  if (c.unprivileged) {
    ASSERT_EQ(std::system(("chown -R 65534:65534 '" + work.string() + "'").c_str()), 0);
    fs::permissions(work / "tree/locked", fs::perms::none);
  }
#endif
  const test_support::program_result r = run(work, c.args, c.unprivileged);
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(test_support::visible(r.err), test_support::visible(c.err));
  for (const auto& [f, bytes] : before) EXPECT_TRUE(read_file(work / f) == bytes) << f;
#ifndef _WIN32
  if (c.unprivileged) fs::permissions(work / "tree/locked", fs::perms::owner_all);
#endif
}

TEST(batch_names, are_compared_by_the_files_they_are) {
  const scenario cases[] = {
#ifndef _WIN32
      {"two names of one file through a linked folder, no output there yet",
       {{"real", {}}, {"real/s.y", y}, {"alias", "->real"}, {"alias/s.6xy", six}},
       {"convert", "real/s.y", "alias/s.6xy", "-t", "xy"},
       2,
       "zolkdf: real/s.y and alias/s.6xy would both write alias/s.xy; give --keep-extension\n" +
           nothing_converted,
       {}},
      {"a numbered output that is a link to an input, found as it is written",
       {{"data.6xy", six}, {"k.spc", several}, {"k-2.y", "->data.6xy"}},
       {"convert", "data.6xy", "k.spc", "-t", "y"},
       1,
       "zolkdf: k-2.y: the output of k.spc would replace the input data.6xy\n"
       "converted 1 of 2 files; 1 failed\n",
       {"data.6xy"}},
      {"a folder in a tree that cannot be read fails alone",
       {{"tree/locked", {}}, {"tree/a.y", y}, {"tree/ok", {}}, {"tree/ok/b.y", y}},
       {"convert", "-r", "tree", "-d", "out", "-t", "xy"},
       1,
       "zolkdf: tree/locked: cannot read the folder: permission denied\n"
       "converted 2 of 3 files; 1 failed\n",
       {},
       true},
#endif
      {"a numbered output and another input's output",
       {{"a.spc", several}, {"a-1.y", y}},
       {"convert", "a.spc", "a-1.y", "-t", "xy"},
       2,
       "zolkdf: a-1.y and a.spc would both write a-1.xy; give --keep-extension\n" +
           nothing_converted,
       {}},
      {"a numbered output over an input",
       {{"tree", {}}, {"tree/k.spc", several}, {"tree/k.spc-2.xy", "1 2\n2 3\n"}},
       {"convert", "-r", "tree", "-t", "xy", "--keep-extension"},
       2,
       "zolkdf: tree/k.spc-2.xy: the output of tree/k.spc would replace the input "
       "tree/k.spc-2.xy; give -d or -o\n" +
           nothing_converted,
       {"tree/k.spc-2.xy"}},
      {"files of one spectrum named like numbered outputs",
       {{"b.y", y}, {"b-1.y", y}, {"b-2.y", y}},
       {"convert", "b.y", "b-1.y", "b-2.y", "-t", "xy", "-q"},
       0,
       "",
       {}},
      {"-d naming a file",
       {{"a.y", y}, {"afile", "x"}},
       {"convert", "a.y", "-d", "afile", "-t", "xy"},
       1,
       "zolkdf: afile: cannot create the folder: a file has that name\n",
       {"afile"}},
      {"an output that is a folder",
       {{"a.y", y}, {"a.xy", {}}},
       {"convert", "a.y", "-t", "xy"},
       1,
       "zolkdf: a.xy: is a folder\n",
       {}},
      {"-o over its input",
       {{"a.y", y}},
       {"convert", "a.y", "-o", "a.y", "-t", "y"},
       2,
       "zolkdf: a.y: the output of a.y would replace the input a.y; give a different -o\n" +
           nothing_converted,
       {"a.y"}},
      {"-d over an input",
       {{"a.y", y}, {"d", {}}, {"d/b.xy", "1 2\n"}},
       {"convert", "a.y", "d/b.xy", "-d", "d", "-t", "xy"},
       2,
       "zolkdf: d/b.xy: the output of d/b.xy would replace the input d/b.xy; give a different "
       "-d\n" +
           nothing_converted,
       {"d/b.xy"}},
  };
  for (const scenario& c : cases) {
    const fs::path work = test_support::scratch_folder("names");
    check(c, work);
    fs::remove_all(work);
  }
}

// A name of a --files-from list that is not UTF-8 is a file's name on POSIX systems; Windows,
// whose names are UTF-16, fails that one input and converts the others.
TEST(batch_names, that_are_not_utf8_fail_alone_where_the_system_cannot_take_them) {
  const fs::path work = test_support::scratch_folder("names-utf8");
#ifdef _WIN32
  check({"a name that is not UTF-8",
         {{"a.y", y}, {"list", "a.y\n\xff.y\n"}},
         {"convert", "--files-from", "list", "-t", "xy"},
         1,
         "zolkdf: \xff.y: cannot be a file's name: not UTF-8\nconverted 1 of 2 files; 1 failed\n",
         {}},
        work);
#else
  check({"a name that is not UTF-8",
         {{"a.y", y}, {"\xff.y", y}, {"list", "a.y\n\xff.y\n"}},
         {"convert", "--files-from", "list", "-t", "xy"},
         0,
         "converted 2 of 2 files\n",
         {}},
        work);
  EXPECT_TRUE(fs::exists(work / "\xff.xy"));
#endif
  EXPECT_TRUE(fs::exists(work / "a.xy"));
  fs::remove_all(work);
}

// Where a folder finds names whatever their case: every folder on Windows; on Linux a folder with
// the casefold flag on a loop-mounted ext4 image, where the kernel and the tools allow one.
TEST(batch_names, meet_whatever_their_letter_case_where_the_folder_finds_them_so) {
  const fs::path base = test_support::scratch_folder("names-fold");
  fs::path work = base;
#ifndef _WIN32
  const std::string image = (base / "fs.img").string(), mounted = (base / "mnt").string();
  fs::create_directory(mounted);
  const auto shell = [](const std::string& c) {
    return std::system((c + " >/dev/null 2>&1").c_str()) == 0;
  };
  if (::geteuid() != 0 ||
      !shell("truncate -s 16M " + image + " && mkfs.ext4 -q -O casefold " + image) ||
      !shell("mount -o loop " + image + " " + mounted)) {
    fs::remove_all(base);
    GTEST_SKIP() << "no ext4 volume with casefold can be mounted here";
  }
  work = mounted + "/folding";
  const bool flagged = shell("mkdir " + work.string() + " && chattr +F " + work.string());
#else
  const bool flagged = true;
#endif
  const scenario cases[] = {
      {"an output over its input by another case",
       {{"fold", {}}, {"fold/RUN1.SPC", several}},
       {"convert", "fold", "-t", "spc"},
       2,
       "zolkdf: fold/RUN1.spc: the output of fold/RUN1.SPC would replace the input fold/RUN1.SPC; "
       "give -d or -o\n" +
           nothing_converted,
       {"fold/RUN1.SPC"}},
      {"two outputs of names that differ in case",
       {{"d1", {}}, {"d1/A.y", y}, {"d2", {}}, {"d2/a.6xy", six}},
       {"convert", "d1/A.y", "d2/a.6xy", "-d", "out", "-t", "xy"},
       2,
       "zolkdf: d1/A.y and d2/a.6xy would both write out/a.xy; give --keep-extension\n" +
           nothing_converted,
       {}},
  };
  for (std::size_t i = 0; flagged && i < std::size(cases); ++i) {
    fs::create_directory(work / std::to_string(i));
    check(cases[i], work / std::to_string(i));
  }
#ifndef _WIN32
  shell("umount " + mounted);
#endif
  fs::remove_all(base);
  EXPECT_TRUE(flagged);
}

}  // namespace
