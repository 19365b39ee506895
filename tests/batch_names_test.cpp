// tests/batch_names_test.cpp: batches whose names meet, as rows of a folder layout and a run of
// the real program, after which every file of the layout keeps its bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "tests/support/run_program.hpp"
#ifndef _WIN32
#include "tests/support/file_system_image.hpp"
#endif

namespace {

namespace fs = std::filesystem;
using test_support::read_file;

struct scenario {
  const char* name;
  // Words apart by a space: "d/" a folder, "l->t" a symbolic link to t, "f=@y" a copy of a sample
  // (@y, @6xy, @xy, @spc: of 3 spectra), "f=bytes" the bytes. A folder "locked" cannot be read,
  // and the program runs as a user whom that stops.
  const char* layout;
  const char* args;
  int status;
  std::string err;
};

const std::map<std::string, fs::path> samples{
    {"@y", "../examples/sample.y"},
    {"@6xy", "../examples/sample.6xy"},
    {"@xy", "../examples/sample.xy"},
    {"@spc", "e2e/cli_csv_table_of_spectra_on_one_x/files/kinetics.spc"}};
const std::string refused = "zolkdf: nothing was converted\n";

// The words of text, apart by spaces.
std::vector<std::string> words(const char* text) {
  std::istringstream in{text};
  std::vector<std::string> w;
  for (std::string word; std::getline(in, word, ' ');)
    if (!word.empty()) w.push_back(word);
  return w;
}

// Runs zolkdf in work: as user 65534 when the tests run as root and a folder is locked.
test_support::program_result run(const fs::path& work, const std::vector<std::string>& args,
                                 [[maybe_unused]] bool locked) {
#ifndef _WIN32
  if (locked && ::geteuid() == 0) {
    std::string command =
        "chown -R 65534:65534 . && chmod 0 tree/locked && setpriv --reuid=65534 "
        "--regid=65534 --clear-groups " ZOLKDF_BINARY;
    for (const std::string& a : args) command += " '" + a + "'";
    const fs::path err = work.string() + ".err";
    const int status =
        std::system(("cd '" + work.string() + "' && " + command + " 2>" + err.string()).c_str());
    return {"", read_file(err), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
  }
  if (locked) fs::permissions(work / "tree/locked", fs::perms::none);
  const test_support::program_result r = test_support::run_zolkdf(work, "", args);
  if (locked) fs::permissions(work / "tree/locked", fs::perms::owner_all);
  return r;
#else
  return test_support::run_zolkdf(work, "", args);
#endif
}

// Makes the layout of c in work, runs it, and checks its status, its messages and the layout.
void check(const scenario& c, const fs::path& work) {
  SCOPED_TRACE(c.name);
  std::map<fs::path, std::string> files;
  fs::create_directories(work);
  for (const std::string& w : words(c.layout)) {
    const std::size_t link = w.find("->"), equals = w.find('=');
    if (w.ends_with("/")) {
      fs::create_directories(work / w);
    } else if (link != std::string::npos) {
      fs::create_symlink(w.substr(link + 2), work / w.substr(0, link));
    } else {
      const std::string bytes = w.substr(equals + 1);
      const auto sample = samples.find(bytes);
      files[w.substr(0, equals)] =
          sample != samples.end() ? read_file(fs::path{ZOLKDF_TEST_DIR} / sample->second) : bytes;
      test_support::write_file(work / w.substr(0, equals), files[w.substr(0, equals)]);
    }
  }
  const test_support::program_result r =
      run(work, words(c.args), std::string_view{c.layout}.find("locked/") != std::string::npos);
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(test_support::visible(r.err), test_support::visible(c.err));
  for (const auto& [f, bytes] : files) EXPECT_TRUE(read_file(work / f) == bytes) << f;
}

void check_each(const std::vector<scenario>& cases, const fs::path& work) {
  for (std::size_t i = 0; i < cases.size(); ++i) check(cases[i], work / std::to_string(i));
}

// Outputs compared with each other and the inputs by the files they are, unreadable folders and
// names that the system cannot take.
// clang-format off
TEST(batch_names, are_compared_by_the_files_they_are) {
  const test_support::scratch s{"names"};
  check_each({
#ifndef _WIN32
    {"two names of one file through a linked folder, no output there yet",
     "real/ real/s.y=@y alias->real alias/s.6xy=@6xy", "convert real/s.y alias/s.6xy -t xy", 2,
     "zolkdf: real/s.y and alias/s.6xy would both write alias/s.xy; give --keep-extension\n" +
     refused},
    {"a numbered output that is a link to an input, found as it is written",
     "data.6xy=@6xy k.spc=@spc k-2.y->data.6xy", "convert data.6xy k.spc -t y", 1,
     "zolkdf: k-2.y: the output of k.spc would replace the input data.6xy\n"
     "converted 1 of 2 files; 1 failed\n"},
    {"a folder in a tree that cannot be read fails alone",
     "tree/locked/ tree/a.y=@y tree/ok/ tree/ok/b.y=@y", "convert -r tree -d out -t xy", 1,
     "zolkdf: tree/locked: cannot read the folder: permission denied\n"
     "converted 2 of 3 files; 1 failed\n"},
    {"a name of --files-from that is not UTF-8, a name as any other here",
     "a.y=@y \xff.y=@y list=a.y\n\xff.y\n", "convert --files-from list -t xy", 0,
     "converted 2 of 2 files\n"},
#else
    {"a name of --files-from that is not UTF-8, which no name here can be",
     "a.y=@y list=a.y\n\xff.y\n", "convert --files-from list -t xy", 1,
     "zolkdf: \\xFF.y: cannot be a file's name: not UTF-8\nconverted 1 of 2 files; 1 failed\n"},
#endif
    {"a numbered output and another input's output",
     "a.spc=@spc a-1.y=@y", "convert a.spc a-1.y -t xy", 2,
     "zolkdf: a-1.y and a.spc would both write a-1.xy; give --keep-extension\n" + refused},
    {"a numbered output over an input",
     "tree/ tree/k.spc=@spc tree/k.spc-2.xy=@xy", "convert -r tree -t xy --keep-extension", 2,
     "zolkdf: tree/k.spc-2.xy: the output of tree/k.spc would replace the input "
     "tree/k.spc-2.xy; give -d or -o\n" + refused},
    {"files of one spectrum named like numbered outputs",
     "b.y=@y b-1.y=@y b-2.y=@y", "convert b.y b-1.y b-2.y -t xy -q", 0, ""},
    {"-d naming a file", "a.y=@y afile=x", "convert a.y -d afile -t xy", 1,
     "zolkdf: afile: cannot create the folder: a file has that name\n"},
    {"an output that is a folder", "a.y=@y a.xy/", "convert a.y -t xy", 1,
     "zolkdf: a.xy: is a folder\n"},
    {"-o over its input", "a.y=@y", "convert a.y -o a.y -t y", 2,
     "zolkdf: a.y: the output of a.y would replace the input a.y; give a different -o\n" +
     refused},
    {"-d over an input", "a.y=@y d/ d/b.xy=@xy", "convert a.y d/b.xy -d d -t xy", 2,
     "zolkdf: d/b.xy: the output of d/b.xy would replace the input d/b.xy; give a different -d\n" +
     refused},
  }, s.work);
}

// Where a folder finds names whatever their case: every folder on Windows; on Linux a folder with
// the casefold flag on a loop-mounted ext4 image, where the kernel and the tools allow one.
TEST(batch_names, meet_whatever_their_letter_case_where_the_folder_finds_them_so) {
  const test_support::scratch s{"names-fold"};
  fs::path work = s.work;
#ifndef _WIN32
  if (::geteuid() != 0) GTEST_SKIP() << "mounting file system images needs root";
  const test_support::file_system_image image{s.work / "fs.img", s.work / "mnt",
                                              "mkfs.ext4 -q -O casefold", "", 16 << 20};
  if (!image.is_mounted()) GTEST_SKIP() << "no ext4 volume with casefold can be mounted here";
  work = s.work / "mnt" / "folding";
  EXPECT_TRUE(test_support::shell("mkdir " + work.string() + " && chattr +F " + work.string()));
#endif
  check_each({
    {"an output over its input by another case", "fold/ fold/RUN1.SPC=@spc", "convert fold -t spc",
     2, "zolkdf: fold/RUN1.spc: the output of fold/RUN1.SPC would replace the input "
        "fold/RUN1.SPC; give -d or -o\n" + refused},
    {"two outputs of names that differ in case", "d1/ d1/A.y=@y d2/ d2/a.6xy=@6xy",
     "convert d1/A.y d2/a.6xy -d out -t xy", 2,
     "zolkdf: d1/A.y and d2/a.6xy would both write out/a.xy; give --keep-extension\n" + refused},
  }, work);
}
// clang-format on

}  // namespace
