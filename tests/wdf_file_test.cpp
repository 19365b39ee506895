// tests/wdf_file_test.cpp: the Raman .wdf file: the samples' header texts and origins, maps built
// here with their positions as z and titles, what info shows, and damaged and cut files refused by
// byte offset.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/bytes.hpp"
#include "tests/support/run_program.hpp"
#include "wdf/wdf.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::put_le;

using test_support::read_result;

read_result read_bytes(const std::string& bytes,
                       std::size_t most_points = std::numeric_limits<std::size_t>::max()) {
  return test_support::read_as(wdf::format, bytes, "in.wdf", {.most_points = most_points});
}

// An origin list: kind (top bit: primary), unit, name, a value for each spectrum of the room.
struct origin {
  std::uint32_t type, unit;
  std::string name;
  std::vector<double> values;
};

std::string block(const std::string& id, const std::string& payload) {
  std::string b = id;
  put_le(b, 4, 0, 4);
  put_le(b, 8, 16 + payload.size(), 8);
  return b + payload;
}

// A file of room spectra of the given points, collected of them, y = 10 k + i, x = 100 + i^2, in
// Raman shift and counts; its blocks WDF1, DATA at 512, XLST, ORGN.
std::string wdf_file(std::uint32_t points, std::uint64_t room, std::uint64_t collected,
                     const std::vector<origin>& lists) {
  std::string h(512, '\0');
  test_support::put_text(h, 0, "WDF1");
  put_le(h, 8, 512, 8);
  put_le(h, 60, points, 4);
  put_le(h, 64, room, 8);
  put_le(h, 72, collected, 8);
  put_le(h, 88, points, 4);
  put_le(h, 92, lists.size(), 4);
  put_le(h, 152, 6, 4);
  test_support::put_text(h, 240, "map");
  std::string data, x, orgn;
  for (std::uint64_t k = 0; k < room; ++k)
    for (std::uint32_t i = 0; i < points; ++i)
      test_support::put_f32(data, data.size(), static_cast<float>(10 * k + i));
  put_le(x, 0, 1, 4);
  put_le(x, 4, 1, 4);
  for (std::uint32_t i = 0; i < points; ++i)
    test_support::put_f32(x, x.size(), static_cast<float>(100 + i * i));
  put_le(orgn, 0, lists.size(), 4);
  for (const origin& l : lists) {
    const std::size_t at = orgn.size();
    put_le(orgn, at, l.type, 4);
    put_le(orgn, at + 4, l.unit, 4);
    test_support::put_text(orgn, at + 8, l.name);
    orgn.resize(at + 24);
    for (const double v : l.values)
      if (l.type == 11)
        put_le(orgn, orgn.size(), static_cast<std::uint64_t>(v), 8);
      else
        test_support::put_f64(orgn, orgn.size(), v);
  }
  return h + block("DATA", data) + block("XLST", x) + block("ORGN", orgn);
}

constexpr std::uint32_t primary = 0x8000'0000u;
constexpr double tick_2020 = 132'223'104'000'000'000.0;  // 2020-01-01, 100 ns ticks from 1601

TEST(wdf_samples, keep_the_header_texts_and_make_the_time_z) {
  const fs::path samples = fs::path(ZOLKDF_SHARED_DIR) / "instrument_samples";
  if (!fs::exists(samples)) GTEST_SKIP() << "no shared instrument samples at " << samples;
  const std::string bytes = test_support::read_file(samples / "wire_sp.wdf");
  const read_result one = read_bytes(bytes);
  ASSERT_FALSE(one.trouble) << one.trouble->reason;
  const spectrum::document& d = one.doc;
  EXPECT_EQ(d.memo, "Single scan measurement 1");
  EXPECT_EQ(std::vector<int>(
                {d.date.year, d.date.month, d.date.day, d.date.hour, d.date.minute, d.date.second}),
            std::vector<int>({2017, 5, 16, 14, 49, 43}));
  EXPECT_EQ(d.x_unit.name, "Raman Shift (cm-1)");
  EXPECT_EQ(d.y_unit.name, "Counts");
  EXPECT_EQ(d.z_unit.name, "Seconds");
  EXPECT_NEAR(d.spectra.at(0).z, 30.7487587, 1e-6);  // from the start of the measurement
  // The texts as the header's fields and the TEXT block (at 10796) give them, up to their zeros.
  const auto text = [&](std::size_t at) { return std::string{bytes.c_str() + at}; };
  EXPECT_EQ(d.log, text(10796 + 16));
  using label = std::pair<std::string, std::string>;
  for (const label& l : {label{"$LASER WAVENUMBER", "18788.1602"}, label{"$ACCUMULATIONS", "3"},
                         label{"$MEASUREMENT", "single"}, label{"$OPERATOR", text(208)},
                         label{"$SOFTWARE", text(96) + " 4.1.0.4308"},
                         label{"$ACQUIRED", "2017-05-16T14:49:43.492Z"}})
    EXPECT_NE(std::find(d.labels.begin(), d.labels.end(), l), d.labels.end()) << l.first;
  // Without origin lists: the spectra numbered as z; the units as the file's codes give them.
  const read_result two = read_bytes(test_support::read_file(samples / "wire_undefined.wdf"));
  ASSERT_FALSE(two.trouble) << two.trouble->reason;
  ASSERT_EQ(two.doc.spectra.size(), 2u);
  EXPECT_EQ(two.doc.spectra[1].z, 1.0);
  EXPECT_EQ(two.doc.x_unit.name, "Arbitrary");
  EXPECT_EQ(two.doc.y_unit.name, "Raman shift (cm-1)");
}

TEST(wdf_maps, take_z_from_the_primary_list_else_the_first_that_varies_and_title_the_others) {
  const std::vector<double> x{-1.5, 0, 1.5}, y{2, 2, 2}, t{tick_2020, tick_2020 + 5e6, 0};
  struct map_case {
    std::vector<origin> lists;
    std::vector<double> z;
    std::string z_unit, second_title;
  };
  const std::vector<map_case> cases{
      {{{3, 5, "X", x}, {4 | primary, 5, "Y", y}}, {2, 2}, "Micrometers (um)", "X=0 µm"},
      {{{17, 0, "Flags", x}, {4, 5, "Y", y}, {3, 5, "X", x}},
       {-1.5, 0},
       "Micrometers (um)",
       "Y=2 µm"},
      {{{11, 24, "Time", t}, {4, 5, "Y", y}}, {0, 0.5}, "Seconds", "Y=2 µm"},
      {{{4, 8, "", y}}, {2, 2}, "Millimeters (mm)", ""},
  };
  for (const map_case& c : cases) {
    // Room for three spectra, two collected: the third is not given.
    const read_result r = read_bytes(wdf_file(4, 3, 2, c.lists));
    ASSERT_FALSE(r.trouble) << r.trouble->reason;
    ASSERT_EQ(r.doc.spectra.size(), 2u);
    EXPECT_EQ(r.doc.spectra[0].z, c.z[0]);
    EXPECT_EQ(r.doc.spectra[1].z, c.z[1]);
    EXPECT_EQ(r.doc.z_unit.name, c.z_unit);
    EXPECT_EQ(r.doc.spectra[1].title, c.second_title);
    EXPECT_EQ(r.doc.spectra[1].y, (std::vector<double>{10, 11, 12, 13}));
    EXPECT_EQ(r.doc.spectra[1].x, (std::vector<double>{100, 101, 104, 109}));
  }
}

TEST(wdf_damage, is_refused_with_the_reason_and_the_byte_offset) {
  const std::string good = wdf_file(4, 2, 2, {{3, 5, "X", {1, 2}}});
  // DATA at 512 (48 bytes), XLST at 560 (40 bytes), ORGN at 600 (60 bytes).
  using patch = std::function<void(std::string&)>;
  const auto set = [](std::size_t at, std::uint64_t v, int size) {
    return patch{[=](std::string& b) { put_le(b, at, v, size); }};
  };
  const std::uint64_t huge = std::uint64_t{1} << 62;
  struct damage {
    patch change;
    std::string reason;
    std::int64_t offset;
    std::size_t most = std::numeric_limits<std::size_t>::max();
  };
  const std::vector<damage> cases{
      {[](std::string& b) { b.resize(600); }, "", -1},  // no origins: still read
      {[](std::string& b) { b.resize(590); },
       "block XLST of 40 bytes runs past the end of the file, which has 30 from offset 560", 560},
      {[](std::string& b) { b.resize(520); },
       "a block's head needs 16 bytes, the file has 8 from offset 512", 512},
      {set(520, 8, 8), "block DATA claims 8 bytes, fewer than its own head of 16", 512},
      {set(8, 300, 8), "header block WDF1 of 300 bytes, fewer than 512", 0},
      {set(60, 0xffff'ffff, 4),
       "DATA block of 48 bytes does not hold 2 spectra of 4294967295 points", 512},
      {set(64, huge, 8),
       "DATA block of 48 bytes does not hold 4611686018427387904 spectra of 4 points", 512},
      {set(72, 3, 8), "3 spectra collected, more than the 2 the data block has room for", 72},
      {set(72, 0, 8), "no spectrum collected", 72},
      {set(60, 0, 4), "spectra of no points", 60},
      {set(88, 5, 4), "x list of 5 values for spectra of 4 points", 88},
      {set(600 + 16, 1000, 4), "ORGN block of 60 bytes has no room for 1000 lists of 2 values",
       600},
      {set(600 + 20 + 24, 0x7ff8'0000'0000'0000, 8),
       "origin list X has a value that is not a number", 644},
      {set(512 + 16 + 4 * 6, 0x7f80'0000, 4), "spectrum 2 has a value that is not a number", 552},
      {set(560 + 24 + 4, 0xff80'0000, 4), "an x value that is not a number", 588},
      {set(512, 0x41544144 + 1, 4), "no DATA block", 660},
      {set(60, 200, 4), "more points than --max-points allows (100)", 60, 100},
  };
  for (const damage& c : cases) {
    std::string bytes = good;
    c.change(bytes);
    const read_result r = read_bytes(bytes, c.most);
    if (c.reason.empty()) {
      EXPECT_FALSE(r.trouble) << r.trouble->reason;
      continue;
    }
    ASSERT_TRUE(r.trouble) << c.reason;
    EXPECT_EQ(r.trouble->reason, c.reason);
    EXPECT_EQ(r.trouble->offset, c.offset) << c.reason;
  }
}

}  // namespace

TEST(wdf_info, shows_the_blocks_the_counts_and_what_each_origin_list_became) {
  const test_support::scratch s{"wdf_info"};
  test_support::write_file(
      s.work / "map.wdf",
      wdf_file(4, 3, 2, {{3 | primary, 5, "X", {1, 2, 0}}, {17, 0, "Flags", {0, 0, 0}}}));
  const auto r = test_support::run_zolkdf(s.work, "", {"info", "map.wdf"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line : {"  blocks: WDF1 at 0 (512 bytes), DATA at 512 (64 bytes), XLST at 576 "
                           "(40 bytes), ORGN at 616 (116 bytes)\n",
                           "  points a spectrum: 4\n  room for spectra: 3\n",
                           "  origin lists: X (primary) as z, Flags passed over\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
}
