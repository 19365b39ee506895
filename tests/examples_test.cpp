// tests/examples_test.cpp: the example list file converts the example spectra, which hold one
// spectrum in every format, back into the XY example exactly.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;

TEST(examples, convert_every_format_back_to_the_same_xy_file) {
  const fs::path examples = fs::path(ZOLKDF_TEST_DIR) / ".." / "examples";
  const fs::path work = test_support::scratch_folder("examples");
  fs::copy(examples, work, fs::copy_options::recursive);

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

}  // namespace
