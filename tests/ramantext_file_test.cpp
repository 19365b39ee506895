// tests/ramantext_file_test.cpp: the Raman text export: the shared sample's header keys, both
// table shapes, and damaged tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "ramantext/ramantext.hpp"
#include "tests/support/bytes.hpp"
#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;

using test_support::read_result;

read_result read_text(const std::string& text) {
  return test_support::read_as(ramantext::format, text, "in.txt");
}

// The values, units and texts of the shared sample are compared with an independent reader's in
// instrument_samples_test; here, the header's other keys.
TEST(ramantext_sample, keeps_the_header_keys_as_labels) {
  const fs::path samples = fs::path(ZOLKDF_SHARED_DIR) / "instrument_samples";
  if (!fs::exists(samples)) GTEST_SKIP() << "no shared instrument samples at " << samples;
  fs::path sample;  // the one text export among them
  for (const auto& e : fs::directory_iterator(samples))
    if (e.path().extension() == ".txt") sample = e.path();
  ASSERT_FALSE(sample.empty());
  const read_result r = read_text(test_support::read_file(sample));
  ASSERT_FALSE(r.trouble) << r.trouble->reason;
  EXPECT_EQ(r.doc.x_unit.name, "Raman Shift (cm-1)");
  EXPECT_EQ(r.doc.y_unit.name, "Counts");
  // Every other key is kept as a label, its Latin-1 text as UTF-8.
  EXPECT_NE(std::find(r.doc.labels.begin(), r.doc.labels.end(),
                      std::pair<std::string, std::string>{"Laser (nm)", "532"}),
            r.doc.labels.end());
  EXPECT_NE(std::find(r.doc.labels.begin(), r.doc.labels.end(),
                      std::pair<std::string, std::string>{"X (\xC2\xB5m)", "-0.4"}),
            r.doc.labels.end());
}

TEST(ramantext_tables, give_one_spectrum_of_points_or_one_a_row_and_refuse_damage_by_line) {
  const std::string head = "#Title=\tt\r\n#AxisUnit[1]=1/cm\r\n";
  const read_result points = read_text(head + "100\t1.5\r\n101\t2.5\r\n");
  ASSERT_FALSE(points.trouble);
  ASSERT_EQ(points.doc.spectra.size(), 1u);
  EXPECT_EQ(points.doc.spectra[0].y, (std::vector<double>{1.5, 2.5}));
  // A row of separators alone is a blank row; a header's control characters are blanks.
  const read_result rows = read_text(head + "#AxisUnit[2]=\x01pos\x7f\r\n\t;\r\n" +
                                     "\t100\t101\r\n7\t1\t2\r\n8\t3\t4\r\n");
  EXPECT_EQ(rows.doc.z_unit.name, "pos");
  ASSERT_FALSE(rows.trouble);
  ASSERT_EQ(rows.doc.spectra.size(), 2u);
  EXPECT_EQ(rows.doc.spectra[1].x, (std::vector<double>{100, 101}));
  EXPECT_EQ(rows.doc.spectra[1].y, (std::vector<double>{3, 4}));
  EXPECT_EQ(rows.doc.spectra[1].z, 8.0);
  const struct {
    std::string body;
    std::int64_t line;
    std::string reason;
  } damaged[] = {
      {"\t100\t101\r\n7\t1\r\n", 4, "a row of 2 numbers after a row of 2 x"},
      {"100\t1.5\r\n101\tx\r\n", 4, "a row that is not all numbers"},
      {"100\t1.5\t2\r\n", 3, "a row of 3 numbers, not x and y"},
      {"100\t1.5\r\n#Key=v\r\n", 4, "a header line among the table's rows"},
  };
  for (const auto& c : damaged) {
    const read_result r = read_text(head + c.body);
    ASSERT_TRUE(r.trouble) << c.body;
    EXPECT_EQ(r.trouble->line, c.line);
    EXPECT_EQ(r.trouble->reason, c.reason);
  }
  const auto recognised = [](const std::string& s) {
    return ramantext::recognises({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
  };
  EXPECT_TRUE(recognised("#Acq. time (s)=\t60\r\n"));
  EXPECT_FALSE(recognised("##TITLE= t\r\n"));
  EXPECT_FALSE(recognised("# a comment\r\n1,2\r\n"));
}

}  // namespace
