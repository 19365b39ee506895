// tests/spa_file_test.cpp: FTIR .spa and .spg files: the shared samples' texts and sections,
// shapes they lack built byte by byte, and damaged files refused with their reason and offset.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "spa/spa.hpp"
#include "tests/support/bytes.hpp"
#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::put_le;

const fs::path samples = fs::path(ZOLKDF_SHARED_DIR) / "instrument_samples";

using test_support::read_result;

read_result read_bytes(const std::string& b, spectrum::read_options options = {}) {
  return test_support::read_as(spa::format, b, "in", options);
}

// A file of the given sections, each (key, bytes), in this order in the directory and the file.
std::string file_of(const std::vector<std::pair<int, std::string>>& sections) {
  std::string b = "Spectral Data File\r\n";
  test_support::put_text(b, 30, "built");
  put_le(b, 294, sections.size(), 2);
  std::size_t at = 304 + 16 * sections.size();
  for (std::size_t i = 0; i < sections.size(); ++i) {
    put_le(b, 304 + 16 * i, static_cast<std::uint64_t>(sections[i].first), 1);
    put_le(b, 306 + 16 * i, at, 4);
    put_le(b, 310 + 16 * i, sections[i].second.size(), 4);
    test_support::put_text(b, at, sections[i].second);
    at += sections[i].second.size();
  }
  return b;
}

// A header of two points from 10 to 20 in the given unit codes, and its data.
std::string header(int x_code, int y_code) {
  std::string h(24, '\0');
  put_le(h, 4, 2, 4);
  put_le(h, 8, static_cast<std::uint64_t>(x_code), 4);
  put_le(h, 12, static_cast<std::uint64_t>(y_code), 4);
  test_support::put_f32(h, 16, 10.0f);
  test_support::put_f32(h, 20, 20.0f);
  return h;
}
const std::string two_points = std::string("\0\0\x80?\0\0\0@", 8);  // 1 and 2

TEST(spa_samples, keep_the_history_labels_and_sections_and_place_a_group_by_time) {
  if (!fs::exists(samples)) GTEST_SKIP() << "no shared instrument samples at " << samples;
  const read_result one =
      read_bytes(test_support::read_file(samples / "subdir_20-50_7_CZ0-100_Pd_21.SPA"));
  ASSERT_FALSE(one.trouble) << one.trouble->reason;
  EXPECT_EQ(one.doc.log.substr(0, 47),
            "Acquisition \xC3\xA9"
            "chantillon\n  Background acquis le");
  EXPECT_EQ(one.doc.resolution, "4");
  EXPECT_EQ(one.doc.labels,
            (std::vector<std::pair<std::string, std::string>>{
                {"$TIME ZONE", "UTC"}, {"$LASER WAVENUMBER", "15798.666"}, {"$SCANS", "64"}}));
  const read_result igram =
      read_bytes(test_support::read_file(samples / "interferogram_spectre.SPA"));
  ASSERT_FALSE(igram.trouble) << igram.trouble->reason;
  EXPECT_EQ(igram.doc.facts[7].name, "section 8");
  EXPECT_EQ(std::get<std::string>(igram.doc.facts[7].value),
            "key 102 at 17572, 16640 bytes: interferogram, skipped");
  const read_result group = read_bytes(test_support::read_file(samples / "wodger.spg"));
  ASSERT_FALSE(group.trouble) << group.trouble->reason;
  EXPECT_EQ(group.doc.variant, "group");
  EXPECT_EQ(group.doc.spectra[1].title, "vz0468.spa, Wed Jul 06 21:20:38 2016 (GMT+02:00)");
  EXPECT_EQ(group.doc.log.find("Collect Sample", 1), std::string::npos);  // the same history once
}

TEST(spa_built, units_by_code_groups_without_dates_and_sections_before_the_header) {
  const read_result raman = read_bytes(file_of({{3, two_points}, {2, header(32, 31)}}));
  ASSERT_FALSE(raman.trouble) << raman.trouble->reason;
  EXPECT_EQ(raman.doc.spectra[0].y, (std::vector<double>{1, 2}));
  EXPECT_EQ(raman.doc.spectra[0].x, (std::vector<double>{10, 20}));
  EXPECT_EQ(raman.doc.x_unit.code, 13);
  EXPECT_EQ(raman.doc.experiment_type, 11);
  const read_result unknown =
      read_bytes(file_of({{2, header(99, 98)}, {3, two_points}}), {.even_x_values = false});
  EXPECT_EQ(unknown.doc.x_unit.name, "unit code 99");
  EXPECT_EQ(unknown.doc.y_unit.name, "unit code 98");
  EXPECT_TRUE(unknown.doc.spectra[0].x.empty());
  const read_result group = read_bytes(file_of(
      {{2, header(1, 17)}, {3, two_points}, {107, "a"}, {2, header(1, 16)}, {3, two_points}}));
  ASSERT_FALSE(group.trouble) << group.trouble->reason;
  EXPECT_EQ(group.doc.z_unit.name, "position in the group");
  EXPECT_EQ(group.doc.spectra[1].z, 2.0);
  EXPECT_EQ(group.doc.spectra[0].title, "a");
  EXPECT_EQ(group.doc.warnings.size(), 1u);  // the second's units differ
}

struct damage {
  const char* file;
  std::size_t cut;  // the file's bytes kept, 0: all
  std::size_t at;   // where a value is laid, with size bytes
  std::uint64_t value;
  int size;
  const char* reason;
  std::int64_t offset;
};

TEST(spa_damaged, files_are_refused_with_the_reason_and_offset) {
  if (!fs::exists(samples)) GTEST_SKIP() << "no shared instrument samples at " << samples;
  const char* spa = "subdir_20-50_7_CZ0-100_Pd_21.SPA";
  const char* spg = "wodger.spg";
  // clang-format off
  const damage cases[] = {
    {spa, 0,    0,     0x58,       1, "the file does not begin with \"Spectral Data File\"",                            0},
    {spa, 200,  0,     0x53,       1, "the file ends at byte 200, before its section directory at 304",                 200},
    {spa, 0,    294,   2000,       2, "section directory of 2000 entries runs past the end of the file",                 304},
    {spa, 0,    294,   0,          2, "the section directory has no entries",                                              294},
    {spa, 5000, 0,     0x53,       1, "data section of 5549 points needs 22196 bytes, the file has 3968 from offset 1032", 1032},
    {spa, 0,    564,   5548,       4, "data section of 22196 bytes does not hold the header's 5548 points (22192 bytes)",  368},
    {spa, 0,    564,   0xFFFFFFFF, 4, "more points than --max-points allows (100000000)",                                  564},
    {spa, 0,    564,   0,          4, "spectrum header gives no points",                                                   564},
    {spa, 0,    1040,  0x7FC00000, 4, "y value 3 is not a number",                                                         1040},
    {spa, 0,    576,   0x7F800000, 4, "an end of the x axis that is not a number",                                         576},
    {spa, 0,    354,   99999,      4, "section of key 27 at 99999 starts past the end of the file (24792 bytes)",          352},
    {spa, 0,    358,   99999,      4, "section of key 27 needs 99999 bytes, the file has 24024 from offset 768",           768},
    {spa, 0,    304,   9,          1, "the section directory names no spectrum header",                                   304},
    {spa, 0,    368,   2,          1, "spectrum header at 560 has no data section",                                       304},
    {spg, 0,    432,   3,          1, "a second data section for one spectrum header",                                    432},
  };
  // clang-format on
  for (const damage& d : cases) {
    SCOPED_TRACE(d.reason);
    std::string b = test_support::read_file(samples / d.file);
    if (d.cut > 0)
      b.resize(d.cut);
    else
      put_le(b, d.at, d.value, d.size);
    const read_result r = read_bytes(b);
    ASSERT_TRUE(r.trouble);
    EXPECT_EQ(r.trouble->reason, d.reason);
    EXPECT_EQ(r.trouble->offset, d.offset);
  }
}

}  // namespace
