// tests/batch_plan_test.cpp: the plan of a batch, made without converting a file: the outputs'
// names, and the refusal of outputs that would replace an input by another name.
#include "cli/batch_plan.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "recio/paths.hpp"
#include "tests/support/scratch_test.hpp"

namespace {

namespace fs = std::filesystem;

class batch_plan : public test_support::scratch_test {};

TEST_F(batch_plan, names_the_outputs_of_several_spectra_with_as_many_digits_as_needed) {
  EXPECT_EQ(cli::numbered("a/b.xy", 0, 12), "a/b-01.xy");
  EXPECT_EQ(cli::numbered("c.y", 9, 10), "c-10.y");
  EXPECT_EQ(cli::numbered("d", 2, 3), "d-3");
}

// As a volume that finds names whatever their case compares them.
TEST(folded_names, have_their_letters_in_lower_case_and_every_other_byte_as_it_is) {
  EXPECT_EQ(recio::folded("RUN1.SPC"), "run1.spc");
  EXPECT_EQ(recio::folded("Ärger-ÉTÉ.Xy"), "ärger-été.xy");
  EXPECT_EQ(recio::folded("ŁÓDŹ Ÿ Ő"), "łódź ÿ ő");
  EXPECT_EQ(recio::folded("ΣΠΈΚΤΡΟ Ωμέγα Ϋ"), "σπέκτρο ωμέγα ϋ");
  EXPECT_EQ(recio::folded("СПЕКТР Ёж Ѣ Ӂ"), "спектр ёж ѣ ӂ");
  EXPECT_EQ(recio::folded("\xff\xc3Z × 日本"), "\xff\xc3z × 日本");  // not UTF-8, no letters
}

// An output that exists may be an input by another name: a link to it, or the input through a
// linked folder.
TEST_F(batch_plan, refuses_an_output_that_is_an_input_by_another_name) {
#ifdef _WIN32
  GTEST_SKIP() << "links need privileges on Windows";
#else
  test_support::write_file("a.xy", "1 2\n");
  test_support::write_file("c.xy", "1 2\n");
  test_support::write_file("other.txt", "");
  fs::create_directory("real");
  test_support::write_file("real/s.y", "1\n2\n3\n");
  test_support::write_file("real/s.xy", "1 2\n");
  fs::create_directory_symlink("real", "alias");
  fs::create_symlink("a.xy", "a.y");       // the output of a.xy would be a.xy itself
  fs::create_symlink("other.txt", "c.y");  // a link to a file that is no input
  const struct {
    std::vector<std::string> inputs;
    const char* to;
    bool refused;
  } cases[] = {
      {{"a.xy"}, "y", true},
      {{"real/s.y", "alias/s.xy"}, "y", true},  // alias/s.y is real/s.y
      {{"c.xy"}, "y", false},
  };
  for (const auto& c : cases) {
    cli::convert_settings s;
    s.inputs = c.inputs;
    std::string refusal;
    std::string empty_folders;
    const auto jobs = cli::plan(s, *formats::named(c.to), refusal, empty_folders);
    EXPECT_EQ(refusal.find("would replace the input") != std::string::npos, c.refused)
        << c.inputs.front() << ": " << refusal;
    EXPECT_EQ(jobs.size(), c.inputs.size());
  }
#endif
}

}  // namespace
