// tests/opus_file_test.cpp: FTIR block files: the shared sample's texts, labels and blocks, the
// order of spectra of kinds the sample lacks, and damaged and cut files refused where they fail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "opus/opus.hpp"
#include "tests/support/bytes.hpp"
#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::put_le;

using test_support::read_result;

read_result read_bytes(const std::string& b, const spectrum::read_options& options = {}) {
  return test_support::read_as(opus::format, b, "in.0", options);
}

std::string fact(const spectrum::document& d, const std::string& name) {
  for (const spectrum::fact& f : d.facts)
    if (f.name == name) return std::get<std::string>(f.value);
  return {};
}

// Parameters as a block holds them: key, type, size in 2-byte words, value; END at the close.
std::string integer(const std::string& key, std::int32_t v) {
  std::string p = key + '\0';
  put_le(p, 4, 0, 2);
  put_le(p, 6, 2, 2);
  put_le(p, 8, static_cast<std::uint32_t>(v), 4);
  return p;
}
std::string real(const std::string& key, double v) {
  std::string p = key + '\0';
  put_le(p, 4, 1, 2);
  put_le(p, 6, 4, 2);
  test_support::put_f64(p, 8, v);
  return p;
}
std::string text(const std::string& key, std::string v) {
  v.resize(v.size() / 2 * 2 + 2, '\0');
  std::string p = key + '\0';
  put_le(p, 4, 2, 2);
  put_le(p, 6, v.size() / 2, 2);
  return p + v;
}
std::string status(std::int32_t points, double first, double last, const std::string& more = "",
                   std::int32_t form = 1) {
  return integer("DPF", form) + integer("NPT", points) + real("FXV", first) + real("LXV", last) +
         more + std::string("END\0\0\0\0\0", 8);
}
std::string floats(const std::vector<float>& v) {
  std::string b;
  for (std::size_t i = 0; i < v.size(); ++i) test_support::put_f32(b, 4 * i, v[i]);
  return b;
}

// The header, a directory of the blocks in their order, and the blocks.
std::string block_file(const std::vector<std::pair<std::uint32_t, std::string>>& blocks) {
  std::string b;
  put_le(b, 0, 0xFEFE0A0A, 4);
  test_support::put_f64(b, 4, 920622.0);
  put_le(b, 12, 24, 4);
  put_le(b, 16, blocks.size(), 4);
  put_le(b, 20, blocks.size(), 4);
  std::size_t at = 24 + 12 * blocks.size();
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    put_le(b, 24 + 12 * i, blocks[i].first, 4);
    put_le(b, 28 + 12 * i, blocks[i].second.size() / 4, 4);
    put_le(b, 32 + 12 * i, at, 4);
    test_support::put_text(b, at, blocks[i].second);
    at += blocks[i].second.size();
  }
  return b;
}

// Block types: the data's kind in bits 10-16, whose in bits 2-3, amplitude 3 in bits 0-1; its
// status block has 1 in bits 4-9.
constexpr std::uint32_t ab = 0x100F, tr = 0x140F, km = 0x180F, sc_sample = 0x407,
                        sc_reference = 0x40B, ig_sample = 0x807, status_of = 0x10;

TEST(opus_file, gives_results_then_sample_then_reference_single_channel) {
  std::string ints;
  for (std::int32_t i = 0; i < 3; ++i) put_le(ints, 4 * static_cast<std::size_t>(i), i * 4, 4);
  const read_result r = read_bytes(block_file({
      {sc_reference, floats({5, 6})},
      {sc_reference | status_of, status(2, 10, 20)},
      {km, ints},
      {km | status_of, status(3, 2, 1,
                              real("CSF", 0.5) + text("DXU", "MI") + text("DAT", "2021/03/04") +
                                  text("TIM", "05:06:07 (GMT-5:30)"),
                              2)},
      {sc_sample, floats({3, 4})},
      {sc_sample | status_of, status(2, 10, 20)},
      {ig_sample, floats({9})},
      {tr, floats({7})},
      {tr | status_of, status(1, 2, 2)},
  }));
  ASSERT_FALSE(r.trouble) << r.trouble->reason;
  ASSERT_EQ(r.doc.spectra.size(), 4u);
  const struct {
    std::string title;
    std::vector<double> x, y;
  } expected[] = {
      {"Kubelka-Munk (KM)", {2, 1.5, 1}, {0, 2, 4}},  // 32-bit integers times CSF
      {"transmittance (TR)", {2}, {7}},
      {"sample single channel (ScSm)", {10, 20}, {3, 4}},
      {"reference single channel (ScRf)", {10, 20}, {5, 6}},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(r.doc.spectra[i].title, expected[i].title);
    EXPECT_EQ(r.doc.spectra[i].x, expected[i].x) << i;
    EXPECT_EQ(r.doc.spectra[i].y, expected[i].y) << i;
  }
  EXPECT_EQ(r.doc.y_unit.name, "Kubelka-Munk");  // the first spectrum's
  EXPECT_EQ(r.doc.x_unit.name, "Micrometers (um)");
  EXPECT_EQ(r.doc.labels.at(0),
            (std::pair<std::string, std::string>{"$DATE", "2021-03-04T05:06:07-05:30"}));
  EXPECT_EQ(fact(r.doc, "block 7"), "IgSm data, 4 bytes at 428: skipped, an interferogram");
  EXPECT_EQ(fact(r.doc, "block 4"),
            "KM data status, 140 bytes at 216: count, x and scale of "
            "spectrum 1");
}

TEST(opus_file, refuses_damage_with_its_offset) {
  // The data block at 48, its status block at 64: DPF at 64, NPT at 76, FXV at 88, LXV at 104.
  const std::string good =
      block_file({{ab, floats({1, 2, 3, 4})}, {ab | status_of, status(4, 1, 4)}});
  ASSERT_FALSE(read_bytes(good).trouble);
  const auto patched = [&good](std::size_t at, std::uint64_t v, int size) {
    std::string b = good;
    put_le(b, at, v, size);
    return b;
  };
  std::string no_fxv = good;
  no_fxv.replace(88, 3, "FXX");
  const struct {
    std::string bytes;
    std::string reason;
    std::int64_t offset;
  } cases[] = {
      {good.substr(0, 10), "the header needs 24 bytes, the file has 10", 10},
      {patched(0, 0, 1), "no FTIR block file: it does not begin with the bytes 0A 0A FE FE", 0},
      {patched(20, 3, 4), "a directory of 3 blocks where it has room for 2", 20},
      {patched(12, 1000, 4),
       "the block directory of 2 entries at byte 1000 runs past the end of the file (128 bytes)",
       12},
      {patched(40, 1000, 4),
       "block 2 (AB data status) of 4000 bytes at byte 64 runs past the end of the file (128 "
       "bytes)",
       36},
      {good.substr(0, 100),
       "block 2 (AB data status) of 64 bytes at byte 64 runs past the end "
       "of the file (100 bytes)",
       36},
      {patched(84, 5, 4),
       "the AB data block of 5 points needs 20 bytes, the block has 16 from byte 48", 48},
      {patched(84, 0x7fffffff, 4), "more points than --max-points allows (100000000)", 76},
      {patched(84, 0, 4), "a count of 0 points", 76},
      {patched(84, 0xffffffff, 4), "a count of -1 points", 76},
      {no_fxv, "the AB data status block at byte 64 gives no FXV", 64},
      {patched(36, 0x20, 4), "the AB data block at byte 48 has no data status block", 24},
      {patched(56, 0x7fc00000, 4), "a value of AB that is not a finite number", 56},
      {patched(112, 0x7ff0000000000000, 8), "LXV is not a finite number", 104},
      {patched(72, 3, 4), "data point format 3, neither 1 (floats) nor 2 (32-bit integers)", 64},
      {patched(82, 0xffff, 2),
       "parameter NPT of 131070 bytes runs past the end of its block (AB data status at byte 64)",
       76},
  };
  for (const auto& c : cases) {
    const read_result r = read_bytes(c.bytes);
    ASSERT_TRUE(r.trouble) << c.reason;
    EXPECT_EQ(r.trouble->reason, c.reason);
    EXPECT_EQ(r.trouble->offset, c.offset) << c.reason;
  }
  const read_result most = read_bytes(good, {.most_points = 3});
  ASSERT_TRUE(most.trouble);
  EXPECT_EQ(most.trouble->reason, "more points than --max-points allows (3)");
  const read_result huge = read_bytes(patched(84, 0x7fffffff, 4), {.most_points = SIZE_MAX});
  ASSERT_TRUE(huge.trouble);  // refused before any memory is taken for its points
  EXPECT_EQ(huge.trouble->reason,
            "the AB data block of 2147483647 points needs 8589934588 bytes, "
            "the block has 16 from byte 48");
  // Two blocks of one type: the second data block has the second status block.
  const read_result two = read_bytes(block_file({{ab, floats({1, 2})},
                                                 {ab, floats({3})},
                                                 {ab | status_of, status(2, 1, 2)},
                                                 {ab | status_of, status(1, 7, 7)}}));
  ASSERT_FALSE(two.trouble) << two.trouble->reason;
  EXPECT_EQ(two.doc.spectra.at(1).x, std::vector<double>{7});
  const auto recognised = [](const std::string& s) {
    return opus::recognises({reinterpret_cast<const std::uint8_t*>(s.data()), s.size()});
  };
  EXPECT_TRUE(recognised(good));
  EXPECT_FALSE(recognised(good.substr(0, 20)));
  EXPECT_FALSE(recognised(patched(20, 0, 4)));  // a directory of no blocks
  EXPECT_FALSE(recognised("##TITLE= a\r\n##JCAMP-DX= 4.24\r\n"));
}

TEST(opus_sample, keeps_texts_labels_and_the_blocks_for_info) {
  const fs::path sample = fs::path(ZOLKDF_SHARED_DIR) / "instrument_samples" / "OPUS_test.0000";
  if (!fs::exists(sample)) GTEST_SKIP() << "no shared sample at " << sample;
  const std::string bytes = test_support::read_file(sample);
  const read_result r = read_bytes(bytes);
  ASSERT_FALSE(r.trouble) << r.trouble->reason;
  ASSERT_EQ(r.doc.spectra.size(), 3u);
  EXPECT_EQ(r.doc.spectra[0].title, "absorbance (AB)");
  EXPECT_EQ(r.doc.spectra[2].title, "reference single channel (ScRf)");
  EXPECT_EQ(r.doc.memo, "MCT D317 1mm\u00b2 [8500 - 700 Cm-1]");
  // The instrument as the sample's instrument parameters name it, after their key INS.
  const std::size_t ins = bytes.rfind(std::string("INS\0", 4)) + 8;
  const std::string instrument = bytes.substr(ins, bytes.find('\0', ins) - ins);
  EXPECT_EQ(r.doc.instrument, instrument);
  EXPECT_EQ(r.doc.resolution, "4");
  EXPECT_EQ(r.doc.experiment, "FT-IR, FT-NIR, FT-Raman Spectrum or Igram");
  const spectrum::date_time& d = r.doc.date;
  EXPECT_EQ(std::vector<int>({d.year, d.month, d.day, d.hour, d.minute, d.second}),
            std::vector<int>({2020, 2, 6, 13, 9, 58}));
  const std::vector<std::pair<std::string, std::string>> some{
      {"$DATE", "2020-02-06T13:09:58.095+01:00"},
      {"$LASER WAVENUMBER", "15797.962252"},
      {"$SCANS", "32"},
      {"$OPERATOR", "Administrator"},
  };
  for (const auto& label : some)
    EXPECT_NE(std::find(r.doc.labels.begin(), r.doc.labels.end(), label), r.doc.labels.end())
        << label.first;
  EXPECT_TRUE(r.doc.log.starts_with("Op\u00e9rateur:Administrator"));
  EXPECT_EQ(fact(r.doc, "block 10"), "AB data, 10272 bytes at 26808: spectrum 1");
  EXPECT_EQ(fact(r.doc, "block 8"), "PhSm data, 2048 bytes at 14264: skipped, a phase");

  // Cut inside the reference's single channel: its directory entry runs past the end.
  const read_result cut = read_bytes(bytes.substr(0, 60000));
  ASSERT_TRUE(cut.trouble);
  EXPECT_EQ(cut.trouble->reason,
            "block 18 (ScRf data) of 10296 bytes at byte 51520 runs past the end of the file "
            "(60000 bytes)");
  EXPECT_EQ(cut.trouble->offset, 24 + 17 * 12);
  // The sample's instrument parameters damaged: left out with a warning, the reference's stand in.
  std::string damaged = bytes;
  put_le(damaged, 65088 + 6, 0xffff, 2);
  const read_result warned = read_bytes(damaged);
  ASSERT_FALSE(warned.trouble) << warned.trouble->reason;
  EXPECT_EQ(warned.doc.spectra.size(), 3u);
  ASSERT_EQ(warned.doc.warnings.size(), 1u);
  EXPECT_EQ(warned.doc.warnings[0].offset, 65088);
  EXPECT_EQ(warned.doc.instrument, instrument);
}

}  // namespace
