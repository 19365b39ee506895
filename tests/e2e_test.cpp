// tests/e2e_test.cpp: whole runs of the program, one folder of tests/e2e a case: its keyboard
// input (stdin), command-line arguments (args, one a line), the files it starts with (files/),
// and what must come out: expected.stdout, expected.stderr, expected.status and the files of the
// folder afterwards (expected/ holds every file written or changed). expected.masks names byte
// ranges that hold the clock, one "file offset length" a line; they are not compared. A case
// that needs a device (/dev/full) names it in requires, one path a line, and is skipped without.
// file_size_limit, when present, holds the largest size in bytes of any file the program writes:
// a write beyond it fails, as on a full disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::visible;

const fs::path cases_folder = fs::path(ZOLKDF_TEST_DIR) / "e2e";

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(cases_folder))
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Every regular file under root, by its path relative to root.
std::map<std::string, std::string> files_under(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), root).string()] = read_file(entry.path());
  return files;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class end_to_end : public testing::TestWithParam<std::string> {};

TEST_P(end_to_end, gives_exactly_the_expected_output_and_files) {
  const fs::path c = cases_folder / GetParam();
  for (const std::string& needed : lines_of(read_file(c / "requires")))
    if (!fs::exists(needed)) GTEST_SKIP() << "needs " << needed;
  const fs::path work = test_support::scratch_folder(GetParam());
  if (fs::exists(c / "files")) fs::copy(c / "files", work, fs::copy_options::recursive);

  const std::string limit = read_file(c / "file_size_limit");
#ifdef _WIN32
  if (!limit.empty()) GTEST_SKIP() << "no file size limit for a process on Windows";
#endif
  const auto result =
      test_support::run_zolkdf(work, read_file(c / "stdin"), lines_of(read_file(c / "args")),
                               limit.empty() ? 0 : std::stoull(limit));

  EXPECT_EQ(visible(result.out), visible(read_file(c / "expected.stdout")));
  EXPECT_EQ(visible(result.err), visible(read_file(c / "expected.stderr")));
  EXPECT_EQ(result.status, std::stoi(read_file(c / "expected.status")));

  auto expected_files = files_under(c / "files");
  for (auto& [name, bytes] : files_under(c / "expected")) expected_files[name] = bytes;
  const auto actual_files = files_under(work);
  for (const std::string& mask : lines_of(read_file(c / "expected.masks"))) {
    std::istringstream fields(mask);
    std::string name;
    std::size_t offset = 0, length = 0;
    fields >> name >> offset >> length;
    auto& expected = expected_files[name];
    const auto actual = actual_files.find(name);
    if (actual != actual_files.end() && actual->second.size() >= offset + length &&
        expected.size() >= offset + length)
      expected.replace(offset, length, actual->second.substr(offset, length));
  }
  for (const auto& [name, bytes] : expected_files) {
    const auto found = actual_files.find(name);
    if (found == actual_files.end()) {
      ADD_FAILURE() << "missing file " << name;
    } else {
      EXPECT_EQ(visible(found->second), visible(bytes)) << "in file " << name;
    }
  }
  for (const auto& [name, bytes] : actual_files)
    EXPECT_TRUE(expected_files.contains(name)) << "unexpected file " << name;
  fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(cases, end_to_end, testing::ValuesIn(case_names()),
                         [](const auto& info) { return info.param; });

}  // namespace
