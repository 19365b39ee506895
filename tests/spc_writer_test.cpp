// tests/spc_writer_test.cpp: SPC files as written, byte for byte: the new variant with float y
// values and a fresh header, the old one with its scale exponent and half-swapped integers.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "recio/recio.hpp"
#include "spc/spc.hpp"
#include "spc/spc_document.hpp"
#include "spc/spc_header.hpp"
#include "spectrum/axis.hpp"
#include "tests/support/bytes.hpp"
#include "tests/support/capture.hpp"
#include "tests/support/scratch_test.hpp"

namespace {

using test_support::get_le;
using test_support::put_f32;
using test_support::put_f64;
using test_support::put_le;
using test_support::put_text;

spectrum::fixed_spectrum s;

// The date stamp of a file written now: year, month, day, hour and minute of the local clock.
struct stamp {
  int year, month, day, hour, minute;
};
stamp now() {
  const std::time_t t = std::time(nullptr);
  const std::tm parts = *std::localtime(&t);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min};
}
bool same_minute(const stamp& a, const stamp& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.minute == b.minute;
}

class spc_writer : public test_support::scratch_test {
 protected:
  void SetUp() override {
    scratch_test::SetUp();
    for (std::size_t i = 0; i < 1000; ++i) {
      s.x[i] = 4000.0f - 3.5f * static_cast<float>(i);
      s.y[i] = std::sin(static_cast<float>(i) / 7.0f) * 0.75f;
    }
    s.memo.assign("TEST");
  }
  // Writes the spectrum with WRITE5 or WRITE6; the memo is the spectrum's.
  std::string written(int code, std::int32_t count) {
    before = now();
    (code == 5 ? WRITE5 : WRITE6)(name_of("out.spc"), s.x, s.y, count, s.memo);
    after = now();
    return test_support::read_file("out.spc");
  }
  // The date parts that a file holds are those of the clock while it was written.
  void expect_stamped(const stamp& in_file) const {
    EXPECT_TRUE(same_minute(in_file, before) || same_minute(in_file, after))
        << in_file.year << "-" << in_file.month << "-" << in_file.day << " " << in_file.hour << ":"
        << in_file.minute;
  }
  stamp before{}, after{};
};

std::string memo_bytes(const std::string& text) {
  std::string m = text;
  m.resize(130, '\0');
  return m;
}

// A new-variant file as the published layout has it, with a fresh header; fdate is left 0.
std::string new_variant(std::int32_t count, float first, float last, const std::string& memo) {
  std::string b(544, '\0');
  b[1] = 75;
  b[3] = static_cast<char>(0x80);
  put_le(b, 4, static_cast<std::uint32_t>(count), 4);
  put_f64(b, 8, first);
  put_f64(b, 16, last);
  put_le(b, 24, 1, 4);
  b[28] = 1;
  put_text(b, 88, memo_bytes(memo));
  b[513] = static_cast<char>(0x80);
  for (std::int32_t i = 0; i < count; ++i)
    put_f32(b, 544 + 4 * static_cast<std::size_t>(i), s.y[static_cast<std::size_t>(i)]);
  return b;
}

// The y value as the old variant stores it: scaled by 2^(32-e), truncated, high half first.
std::uint32_t old_stored(float y, int e) {
  const auto n = static_cast<std::int64_t>(std::trunc(std::ldexp(static_cast<double>(y), 32 - e)));
  const auto u = static_cast<std::uint32_t>(std::min<std::int64_t>(n, 2147483647));
  return (u >> 16) | (u << 16);  // laid out little-endian: bytes 2 and 3 first, then 0 and 1
}

std::string old_variant(std::int32_t count, int e, float first, float last,
                        const std::string& memo) {
  std::string b(256, '\0');
  b[1] = 77;
  put_le(b, 2, static_cast<std::uint16_t>(static_cast<std::int16_t>(e)), 2);
  put_f32(b, 4, static_cast<float>(count));
  put_f32(b, 8, first);
  put_f32(b, 12, last);
  b[16] = 1;
  put_text(b, 24, "  .00   ");  // resolution 0.0 as F4.1, the digit 0, three blanks
  put_text(b, 64, memo_bytes(memo));
  for (std::int32_t i = 0; i < count; ++i)
    put_le(b, 256 + 4 * static_cast<std::size_t>(i),
           old_stored(s.y[static_cast<std::size_t>(i)], e), 4);
  return b;
}

TEST_F(spc_writer, writes_the_new_variant_with_a_fresh_header_and_float_y) {
  test_support::write_file("out.spc", std::string(9000, 'z'));  // longer: it is cut
  std::string file = written(6, 1000);
  ASSERT_EQ(file.size(), 4544u);
  const auto word = static_cast<std::int32_t>(get_le(file, 32, 4));
  expect_stamped({word >> 20, word >> 16 & 15, word >> 11 & 31, word >> 6 & 31, word & 63});
  put_le(file, 32, 0, 4);
  const std::string expected = new_variant(1000, 4000.0f, s.x[999], "TEST");
  EXPECT_EQ(file, expected) << test_support::byte_differences(file, expected);
  EXPECT_EQ(std::string(s.memo.view()), memo_bytes("TEST"));  // cut in place
}

TEST_F(spc_writer, writes_the_old_variant_with_half_swapped_integers) {
  test_support::write_file("out.spc", std::string(9000, 'z'));
  std::string file = written(5, 1000);
  ASSERT_EQ(file.size(), 4256u);
  expect_stamped({static_cast<int>(get_le(file, 18, 2)), file[20], file[21], file[22], file[23]});
  put_le(file, 18, 0, 6);
  // The largest magnitude is just below 0.75: 0.75 / 2 lies in [0.25, 0.5), so e = 1.
  const std::string expected = old_variant(1000, 1, 4000.0f, s.x[999], "TEST");
  EXPECT_EQ(file, expected) << test_support::byte_differences(file, expected);
}

TEST_F(spc_writer, chooses_the_old_exponent_from_the_largest_magnitude) {
  const auto exponent_for = [&](std::initializer_list<float> ys) {
    std::size_t i = 0;
    for (const float y : ys) s.y[i++] = y;
    written(5, static_cast<std::int32_t>(ys.size()));
    const std::string file = test_support::read_file("out.spc");
    return static_cast<std::int16_t>(get_le(file, 2, 2));
  };
  EXPECT_EQ(exponent_for({-1.0f, 0.5f, 1.0f}), 2);
  EXPECT_EQ(exponent_for({1000.0f}), 11);
  EXPECT_EQ(exponent_for({0.5f}), 1);
  EXPECT_EQ(exponent_for({0.3f}), 0);
  EXPECT_EQ(exponent_for({0.25f}), -1);
  EXPECT_EQ(exponent_for({0.2f}), -1);
  EXPECT_EQ(exponent_for({-3.0f, 1.0f}), 3);

  const auto stored = [](const std::string& file, std::size_t point) {
    const auto v = static_cast<std::uint32_t>(get_le(file, 256 + 4 * point, 4));
    return static_cast<std::int32_t>(v << 16 | v >> 16);
  };
  exponent_for({-1.0f, 1.0f});
  EXPECT_EQ(stored(test_support::read_file("out.spc"), 1), 1 << 30);
  exponent_for({-0.75f, 0.5f});
  EXPECT_EQ(stored(test_support::read_file("out.spc"), 0), -1610612736);  // -0.75 x 2^31
  exponent_for({0.25f, -0.125f});
  EXPECT_EQ(stored(test_support::read_file("out.spc"), 0), 2147483647);  // 2^31 does not fit
  EXPECT_EQ(stored(test_support::read_file("out.spc"), 1), -1073741824);
}

TEST_F(spc_writer, refuses_an_old_variant_of_zeros_before_touching_the_file) {
  test_support::write_file("out.spc", "old bytes");
  for (const std::int32_t count : {3, 0}) {
    s.y[0] = s.y[1] = s.y[2] = 0.0f;
    const std::string said = test_support::caught(1, [&] {
      try {
        written(5, count);
        ADD_FAILURE() << "the run did not end";
      } catch (const recio::run_ended& end) {
        EXPECT_EQ(end.status, recio::exit_status::failure);
      }
    });
    EXPECT_NE(said.find("WRITESC: NO VALUE GT ZERO\r\n"), std::string::npos);
    EXPECT_EQ(test_support::read_file("out.spc"), "old bytes");
  }
}

TEST_F(spc_writer, cuts_the_memo_at_its_first_run_of_three_blanks) {
  const auto cut = [&](const std::string& typed) {
    s.memo.assign(typed);
    written(6, 1);
    return std::string(s.memo.view());
  };
  EXPECT_EQ(cut("TEST"), memo_bytes("TEST"));
  EXPECT_EQ(cut(""), memo_bytes(""));
  EXPECT_EQ(cut("a b  c   d"), memo_bytes("a b  c"));
  const std::string full(127, 'm');
  EXPECT_EQ(cut(full + "   "), full + "   ");  // a run at positions 128 to 130 is no cut
  EXPECT_EQ(cut(std::string(130, 'm')), std::string(130, 'm'));
  EXPECT_EQ(test_support::read_file("out.spc").substr(88, 130), std::string(130, 'm'));
}

TEST_F(spc_writer, carries_the_reserved_bytes_of_the_last_new_variant_file_read) {
  std::string input = new_variant(3, 10.0f, 30.0f, "read");
  for (std::size_t i = 325; i < 512; ++i) input[i] = static_cast<char>(i);
  input[36] = '4';  // a resolution text, which the fresh header does not keep
  test_support::write_file("in.spc", input);
  spectrum::array_capacity = spectrum::max_points;
  test_support::caught(1,
                       [&] { READ5(name_of("in.spc"), s.x, s.y, s.first_x, s.last_x, s.count); });
  ASSERT_EQ(s.count, 3);
  const std::string file = written(6, 3);
  EXPECT_EQ(file.substr(325, 187), input.substr(325, 187));
  EXPECT_EQ(file[36], '\0');
  EXPECT_EQ(file.size(), 556u);
}

TEST_F(spc_writer, ends_the_run_when_the_output_cannot_be_opened) {
  for (const int code : {5, 6}) {
    const std::string said = test_support::caught(1, [&] {
      try {
        (code == 5 ? WRITE5 : WRITE6)(name_of("no/out.spc"), s.x, s.y, 3, s.memo);
      } catch (const recio::run_ended& end) {
        EXPECT_EQ(end.status, recio::exit_status::failure);
      }
    });
    EXPECT_NE(said.find(code == 5 ? "ERROR OPENING SPECTRA-CALC FILE IN WRITESC1\r\n"
                                  : "ERROR OPENING SPECTRA-CALC FILE IN WRITESC\r\n"),
              std::string::npos)
        << test_support::visible(said);
  }
}

// ---- The command line's writers.

namespace fs = std::filesystem;

// What write_new or write_old puts in a file, on a unit opened as the command line opens it.
using document_writer = spectrum::outcome (*)(const spectrum::document&, recio::unit_number,
                                              const spectrum::write_options&);
std::string written_by(document_writer write, const spectrum::document& doc,
                       const spectrum::write_options& options, spectrum::outcome& result) {
  test_support::write_file("out.spc", "");
  std::int16_t unit = 0;
  std::int32_t status = 0;
  GETCHAN(unit, status);
  recio::open(unit, "out.spc", recio::open_mode::binary_update);
  result = write(doc, unit, options);
  PUTCHAN(unit, status);
  return test_support::read_file("out.spc");
}
spectrum::document read_back(const std::string& bytes) {
  spectrum::document doc;
  const auto trouble = spc::read_file(
      {{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, "out.spc"}, {}, doc);
  EXPECT_FALSE(trouble) << trouble->reason;
  return doc;
}

// The spectrum as a text reader gives it: one spectrum, evenly spaced, no units.
spectrum::document text_document(std::size_t count) {
  spectrum::document doc;
  doc.format = "xy";
  spectrum::spectrum t;
  t.x.assign(s.x.begin(), s.x.begin() + static_cast<std::ptrdiff_t>(count));
  t.y.assign(s.y.begin(), s.y.begin() + static_cast<std::ptrdiff_t>(count));
  t.first_x = t.x.front();
  t.last_x = t.x.back();
  doc.spectra.push_back(t);
  return doc;
}

TEST_F(spc_writer, writes_a_text_spectrum_as_the_dialogue_does) {
  const std::string memo = "a memo   cut here";
  for (const int code : {6, 5}) {
    spc::shared_header = {};
    s.memo.assign(memo);
    std::string dialogue = written(code, 1000);
    spectrum::outcome result;
    spectrum::write_options options;
    options.memo = memo;
    std::string file = written_by(code == 6 ? spc::write_new : spc::write_old, text_document(1000),
                                  options, result);
    EXPECT_FALSE(result);
    for (std::string* b : {&dialogue, &file}) put_le(*b, code == 6 ? 32 : 18, 0, code == 6 ? 4 : 6);
    EXPECT_EQ(file, dialogue) << code << test_support::byte_differences(file, dialogue);
  }
}

TEST_F(spc_writer, keeps_what_an_spc_file_says_through_both_writers) {
  const fs::path samples = fs::path(ZOLKDF_SHARED_DIR) / "spc_samples";
  if (!fs::exists(samples)) GTEST_SKIP() << "no sample files in " << samples;
  for (const auto& entry : fs::directory_iterator(samples)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    const std::string bytes = test_support::read_file(entry.path());
    spectrum::document in;
    if (spc::read_file({{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, "in"},
                       {}, in))
      continue;  // the compound document
    for (const document_writer write : {spc::write_new, spc::write_old}) {
      spectrum::outcome result;
      const std::string file = written_by(write, in, {}, result);
      const bool old = write == spc::write_old;
      if (old && std::any_of(in.spectra.begin(), in.spectra.end(),
                             [](const spectrum::spectrum& t) { return t.x_stored; })) {
        ASSERT_TRUE(result) << entry.path();
        EXPECT_EQ(result->reason.substr(0, 48), "the old SPC variant holds only evenly spaced x; ");
        EXPECT_EQ(file, "");
        continue;
      }
      ASSERT_FALSE(result) << entry.path() << ": " << result->reason;
      const spectrum::document out = read_back(file);
      const std::string what = entry.path().filename().string() + (old ? " old" : " new");
      ASSERT_EQ(out.spectra.size(), in.spectra.size()) << what;
      for (std::size_t k = 0; k < in.spectra.size(); ++k) {
        const spectrum::spectrum &a = in.spectra[k], &b = out.spectra[k];
        // The old variant keeps its ends in single precision.
        EXPECT_EQ(b.x, old ? spectrum::even_x(spectrum::to_single(a.first_x),
                                              spectrum::to_single(a.last_x), a.x.size())
                           : a.x)
            << what << " spectrum " << k + 1;
        EXPECT_EQ(b.x_stored, a.x_stored) << what;
        EXPECT_EQ(static_cast<float>(b.z), static_cast<float>(a.z)) << what;
        if (!old) {
          EXPECT_EQ(b.y, a.y) << what << " spectrum " << k + 1;
        } else {  // integers of 31 bits and a sign, scaled to the largest magnitude
          double largest = 0.0;
          for (const double v : a.y) largest = std::max(largest, std::fabs(v));
          for (std::size_t i = 0; i < a.y.size(); ++i)
            ASSERT_NEAR(b.y[i], a.y[i], std::ldexp(largest, -29)) << what << " " << i;
        }
      }
      EXPECT_EQ(std::tie(out.memo, out.resolution, out.x_unit.code, out.y_unit.code),
                std::tie(in.memo, in.resolution, in.x_unit.code, in.y_unit.code))
          << what;
      if (!old) {  // the old variant has no place for these
        EXPECT_EQ(std::tie(out.x_unit.name, out.y_unit.name, out.log, out.instrument),
                  std::tie(in.x_unit.name, in.y_unit.name, in.log, in.instrument))
            << what;
      }
      const auto day = [](const spectrum::date_time& d) {
        return std::array{d.year, d.month, d.day, d.hour, d.minute};
      };
      EXPECT_TRUE(in.date.year == 0 || day(out.date) == day(in.date)) << what;
    }
  }
}

TEST_F(spc_writer, keeps_uneven_x_stored_and_refuses_it_in_the_old_variant) {
  spectrum::document doc;
  doc.format = "xy";
  doc.memo = "5 \u00b5l, 20 \u00b0C";  // stored as Latin-1, given back as UTF-8
  spectrum::spectrum uneven;
  uneven.x = {1.0f, 2.0f, 4.0f, 8.5f};
  uneven.y = {3.0f, -1.0f, 0.5f, 2.0f};
  uneven.x_stored = true;
  doc.spectra.push_back(uneven);
  spectrum::outcome result;
  const spectrum::document back = read_back(written_by(spc::write_new, doc, {}, result));
  ASSERT_EQ(back.spectra.size(), 1u);
  EXPECT_TRUE(back.spectra[0].x_stored);
  EXPECT_EQ(back.spectra[0].x, doc.spectra[0].x);
  EXPECT_EQ(back.spectra[0].y, doc.spectra[0].y);
  EXPECT_EQ(back.memo, doc.memo);
  spectrum::write_options typed;  // a memo given for the output is stored as Latin-1 too
  typed.memo = "caf\u00e9";
  EXPECT_EQ(read_back(written_by(spc::write_new, doc, typed, result)).memo, *typed.memo);

  EXPECT_EQ(written_by(spc::write_old, doc, {}, result), "");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->reason,
            "the old SPC variant holds only evenly spaced x; spectrum 1 has its x values stored");
}

TEST_F(spc_writer, writes_several_spectra_on_one_axis_in_the_old_variant) {
  spectrum::document doc = text_document(3);
  doc.spectra.push_back(doc.spectra[0]);
  doc.spectra[1].y = {2.0f, 4.0f, 8.0f};
  doc.spectra[1].z = 1.5;
  spectrum::outcome result;
  const spectrum::document back = read_back(written_by(spc::write_old, doc, {}, result));
  ASSERT_FALSE(result);
  ASSERT_EQ(back.spectra.size(), 2u);
  EXPECT_EQ(back.spectra[1].y, doc.spectra[1].y);
  EXPECT_EQ(back.spectra[1].z, 1.5);
  doc.spectra[1].y = {0.0f, 0.0f, 0.0f};  // zeros among several: that spectrum needs no scale
  const spectrum::document zeros = read_back(written_by(spc::write_old, doc, {}, result));
  ASSERT_FALSE(result) << result->reason;
  EXPECT_EQ(zeros.spectra.at(1).y, doc.spectra[1].y);
}

// A document's date and log come back, and the ends that a header gave; with each spectrum's own
// x the log comes after the sub-file directory.
TEST_F(spc_writer, keeps_the_date_the_header_ends_and_the_log_of_a_document) {
  spectrum::document doc;
  doc.date = {2026, 12, 31, 23, 59, 0};
  doc.log = "measured twice";
  spectrum::spectrum t;
  t.x = {static_cast<float>(4000.1), static_cast<float>(400.1)};
  t.y = {1.0f, 2.0f};
  t.first_x = 4000.1;  // as a header gave them: no single-precision numbers
  t.last_x = 400.1;
  doc.spectra.push_back(t);
  spectrum::outcome result;
  spectrum::document back = read_back(written_by(spc::write_new, doc, {}, result));
  const spectrum::date_time& d = back.date;
  EXPECT_EQ((std::array{d.year, d.month, d.day, d.hour, d.minute}),
            (std::array{2026, 12, 31, 23, 59}));
  EXPECT_EQ(back.spectra.at(0).first_x, 4000.1);
  EXPECT_EQ(back.log, doc.log);

  t.x_stored = true;
  t.x = {1.0f, 2.5f};
  doc.spectra.push_back(t);
  back = read_back(written_by(spc::write_new, doc, {}, result));
  ASSERT_EQ(back.spectra.size(), 2u);
  EXPECT_EQ(back.spectra[1].x, t.x);
  EXPECT_EQ(back.log, doc.log);

  // Spectra each on its own evenly spaced axis, given only by its ends as a binary reader gives
  // them: each sub-file stores the x that the ends make.
  for (spectrum::spectrum& each : doc.spectra) each.x.clear(), each.x_stored = false;
  doc.spectra[1].first_x = 10.0, doc.spectra[1].last_x = 20.0;
  back = read_back(written_by(spc::write_new, doc, {}, result));
  ASSERT_FALSE(result) << result->reason;
  ASSERT_EQ(back.spectra.size(), 2u);
  EXPECT_EQ(back.spectra[0].x, (std::vector<double>{4000.1f, 400.1f}));
  EXPECT_EQ(back.spectra[1].x, (std::vector<double>{10.0, 20.0}));
}

}  // namespace
