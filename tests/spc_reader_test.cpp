// tests/spc_reader_test.cpp: reading both SPC variants byte by byte, and READ5's x values.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "recio/recio.hpp"
#include "spc/spc.hpp"
#include "spc/spc_document.hpp"
#include "spc/spc_header.hpp"
#include "spectrum/fixed_spectrum.hpp"
#include "tests/support/bytes.hpp"
#include "tests/support/capture.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/scratch_test.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::get_le;
using test_support::points_read;
using test_support::put_f32;
using test_support::put_le;
using test_support::put_text;
using test_support::visible;

// The one spectrum of the test program, as the driver's is for the converter.
spectrum::fixed_spectrum s;
spc::header_record& shared = spc::shared_header;

// The files are built here from the published layout, not from the program's own layout code.
// A new variant: the 512-byte header and the 32-byte sub-file header; the y values go after.
std::string new_file(std::int32_t fnpts, std::uint8_t fexp, double ffirst = 4000.0,
                     double flast = 400.0) {
  std::string b(544, '\0');
  b[1] = 75;
  b[3] = static_cast<char>(fexp);
  put_le(b, 4, static_cast<std::uint32_t>(fnpts), 4);
  test_support::put_f64(b, 8, ffirst);
  test_support::put_f64(b, 16, flast);
  return b;
}
// An old variant: the 256-byte header; the y values go after.
std::string old_file(std::int16_t oexp, float onpts, float ofirst = 4000.0f, float olast = 400.0f) {
  std::string b(256, '\0');
  b[1] = 77;
  put_le(b, 2, static_cast<std::uint16_t>(oexp), 2);
  put_f32(b, 4, onpts);
  put_f32(b, 8, ofirst);
  put_f32(b, 12, olast);
  return b;
}
void add_words(std::string& b, std::initializer_list<std::int64_t> words) {
  for (const std::int64_t w : words) put_le(b, b.size(), static_cast<std::uint64_t>(w), 4);
}
// A new-variant file of float y values 1 and 2 and a log block after them: the five words, the
// parameter bytes ('p') up to logtxto, then the text ('t').
std::string logged(std::int32_t logsizd, std::int32_t logtxto, std::size_t text_bytes) {
  std::string b = new_file(2, 0x80);
  put_le(b, 248, 99999, 4);  // flogoff: not 0; the block is where the y values end, not here
  add_words(b, {0x3f800000, 0x40000000, logsizd, 4096, logtxto, 11, 12});
  b.resize(b.size() + static_cast<std::size_t>(std::max(logtxto - 20, 0)), 'p');
  return b + std::string(text_bytes, 't');
}

class spc_reader : public test_support::scratch_test {
 protected:
  void SetUp() override {
    scratch_test::SetUp();
    spectrum::array_capacity = spectrum::max_points;
    // A console line is pending from here on, as after the first prompt of a run, so every
    // record shows after CR LF whichever case runs first.
    test_support::caught(1, [] { MSGLINE("\\\\"); });
  }
  struct result {
    std::int32_t count = -1;
    float first_x = -1.0f;
    float last_x = -1.0f;
    std::uint8_t x_type = 0;
    std::uint8_t y_type = 0;
    float resolution = -1.0f;
    spectrum::memo_text memo;
    std::string said;  // on the console, control bytes shown
  };
  result readsc(const std::string& bytes) {
    test_support::write_file("in.spc", bytes);
    result r;
    r.said = said_by([&] { call_readsc(r); });
    return r;
  }
  // What read shows on the console. A run that ends in it fails the test here rather than
  // passing through the capture of standard output.
  static std::string said_by(const std::function<void()>& read) {
    return visible(test_support::caught(1, [&] {
      try {
        read();
      } catch (const recio::run_ended&) {
        ADD_FAILURE() << "the run ended";
      }
    }));
  }
  static void call_readsc(result& r) {
    std::int32_t status = 0;
    READSC(name_of("in.spc"), s.y, r.count, r.first_x, r.last_x, r.x_type, r.y_type, r.resolution,
           r.memo, status);
  }
  // READ5 on the file of that name in the scratch folder.
  static points_read read5(const std::string& name, std::string& said) {
    points_read r;
    said = said_by([&] { READ5(name_of(name), s.x, s.y, r.first_x, r.last_x, r.count); });
    return r;
  }
};

TEST_F(spc_reader, gives_float_y_values_bit_for_bit) {
  // 1.5, -0, the least subnormal, the largest float, a NaN with a payload, -infinity
  constexpr std::array<std::uint32_t, 6> bits{0x3fc00000, 0x80000000, 0x00000001,
                                              0x7f7fffff, 0x7fc12345, 0xff800000};
  std::string b = new_file(6, 0x80);
  b[513] = 32;  // the sub-file header's exponent is not the one that counts
  for (const std::uint32_t w : bits) add_words(b, {w});
  ASSERT_EQ(readsc(b).count, 6);
  for (std::size_t i = 0; i < bits.size(); ++i)
    EXPECT_EQ(std::bit_cast<std::uint32_t>(s.y[i]), bits[i]) << i;
}

TEST_F(spc_reader, decodes_integer_y_values_as_n_times_2_to_the_exponent_minus_32) {
  struct row {
    std::int8_t fexp;
    std::int32_t n;
    float y;
  };
  // clang-format off
  for (const row& c : {row{32,   1,          1.0f},
                       row{32,   -1,         -1.0f},
                       row{32,   16777217,   16777216.0f},  // above 2^24: rounded, ties to even
                       row{32,   16777219,   16777220.0f},
                       row{32,   INT32_MAX,  2147483648.0f},
                       row{32,   INT32_MIN,  -2147483648.0f},
                       row{0,    1073741824, 0.25f},
                       row{127,  1,          0x1p95f},
                       row{-95,  1 << 30,    0x1p-97f},
                       row{-100, 1 << 30,    0x1p-102f},  // the divisor would leave the float range
                       row{-127, INT32_MAX,  0x1p-128f}}) {  // a subnormal float, rounded once
    // clang-format on
    std::string b = new_file(1, static_cast<std::uint8_t>(c.fexp));
    add_words(b, {c.n});
    readsc(b);
    EXPECT_EQ(s.y[0], c.y) << "fexp " << int{c.fexp} << ", n " << c.n;
  }
}

TEST_F(spc_reader, takes_old_variant_integers_with_the_high_half_first) {
  constexpr float infinity = std::numeric_limits<float>::infinity();
  struct row {
    std::array<std::uint8_t, 4> bytes;
    std::int16_t oexp;
    float y;
  };
  // clang-format off
  for (const row& c : {row{{0x00, 0x00, 0x01, 0x00}, 32,   1.0f},
                       row{{0x00, 0x00, 0x00, 0x01}, 32,   256.0f},
                       row{{0x01, 0x00, 0x00, 0x00}, 32,   65536.0f},
                       row{{0x00, 0x80, 0x00, 0x00}, 32,   -2147483648.0f},
                       row{{0xff, 0xff, 0xff, 0xff}, 32,   -1.0f},
                       row{{0x00, 0x00, 0x01, 0x00}, -2,   0x1p-34f},  // oexp is a signed
                       row{{0x00, 0x00, 0x01, 0x00}, -200, 0.0f},      // 16-bit value
                       row{{0x00, 0x00, 0x01, 0x00}, 200,  infinity},  // beyond the float
                       row{{0xff, 0xff, 0xff, 0xff}, 32767, -infinity}}) {  // range
    // clang-format on
    readsc(old_file(c.oexp, 1.0f) + std::string(c.bytes.begin(), c.bytes.end()));
    EXPECT_EQ(s.y[0], c.y) << "oexp " << c.oexp << ", y " << c.y;
  }
}

TEST_F(spc_reader, truncates_the_old_variant_float_count_toward_zero) {
  // clang-format off
  for (const auto& [onpts, count] : {std::pair{99.9f, 99},
                                     std::pair{10.7f, 10},
                                     std::pair{1.0f,  1},
                                     std::pair{0.5f,  0},
                                     std::pair{-3.0f, -3}}) {
    // clang-format on
    std::string b = old_file(32, onpts);
    b.resize(256 + 4 * static_cast<std::size_t>(std::max(count, 0)));  // one more ends the run
    EXPECT_EQ(readsc(b).count, count) << onpts;
  }
}

TEST_F(spc_reader, counts_an_old_variant_count_beyond_the_32_bit_range_as_too_many_points) {
  s.y[0] = -7.0f;
  for (const float onpts : {std::numeric_limits<float>::quiet_NaN(), 3e9f, -3e9f,
                            std::numeric_limits<float>::infinity(), 131073.0f}) {
    const result r = readsc(old_file(32, onpts));  // no y values: none are read
    EXPECT_GT(r.count, spectrum::max_points) << onpts;
    EXPECT_EQ(r.said, visible("\r\nRoutine READSC1: Number of Points in file in.spc       "
                              "exceeds array size 131072\r\nFile not read"));
  }
  EXPECT_EQ(s.y[0], -7.0f);
}

TEST_F(spc_reader, reads_as_many_points_as_the_arrays_hold_and_refuses_one_more) {
  std::string old = old_file(32, 131072.0f);
  old.resize(old.size() + 4 * static_cast<std::size_t>(spectrum::max_points));
  old[old.size() - 2] = 5;  // the low half of the last value
  EXPECT_EQ(readsc(old).count, spectrum::max_points);
  EXPECT_EQ(s.y[spectrum::max_points - 1], 5.0f);
  std::string b = new_file(spectrum::max_points, 0x80);
  for (std::int32_t i = 0; i < spectrum::max_points; ++i)
    put_f32(b, b.size(), static_cast<float>(i));
  EXPECT_EQ(readsc(b).count, spectrum::max_points);
  EXPECT_EQ(s.y[spectrum::max_points - 1], 131071.0f);

  s.y.fill(-7.0f);
  const result r = readsc(new_file(spectrum::max_points + 1, 0x80));
  EXPECT_EQ(r.count, spectrum::max_points + 1);
  EXPECT_EQ(r.first_x, 4000.0f);
  EXPECT_EQ(r.said, visible("\r\nRoutine READSC2: Number of Points in file in.spc       "
                            "exceeds array size 131072 File not read\r\n"));
  EXPECT_TRUE(std::all_of(s.y.begin(), s.y.end(), [](float y) { return y == -7.0f; }));
  EXPECT_EQ(shared.origin, 'Y');
}

TEST_F(spc_reader, reads_a_log_block_of_up_to_256_parameter_bytes_and_999_text_bytes) {
  EXPECT_EQ(readsc(logged(10, 276, 10)).said, "");
  EXPECT_EQ(shared.nlgspar, 256);
  EXPECT_EQ(shared.log_parameters[255], 'p');
  EXPECT_EQ(shared.log_text[0], 't');
  EXPECT_EQ((std::array{shared.logsizm, shared.logbins, shared.logdsks, shared.flogoff}),
            (std::array{4096, 11, 12, 99999}));

  // The text ends at the limit of logsizd + 1 bytes, whose last byte is not counted, or at the
  // end of the file; logsizd becomes logtxto plus the bytes held.
  // clang-format off
  for (const auto& [logsizd, text_bytes, held] : {std::tuple{999, 1200, 999},
                                                  std::tuple{500, 7,    7},
                                                  std::tuple{0,   5,    0},
                                                  std::tuple{-5,  5,    0}}) {
    // clang-format on
    EXPECT_EQ(readsc(logged(logsizd, 64, static_cast<std::size_t>(text_bytes))).said, "");
    EXPECT_EQ(shared.nlgdata, held) << logsizd;
    EXPECT_EQ(shared.logsizd, 64 + held) << logsizd;
    if (held > 0) {
      EXPECT_EQ(shared.log_text[static_cast<std::size_t>(held) - 1], 't');
    }
  }
}

TEST_F(spc_reader, refuses_a_longer_log_block_and_keeps_the_spectrum) {
  // clang-format off
  for (const auto& [logsizd, logtxto, line] : {std::tuple{10,   277, "NLGSPAR  larger than 256"},
                                               std::tuple{1000, 64,  "NLGDATA larger than 1000"}}) {
    // clang-format on
    s.y[1] = -7.0f;
    const result r = readsc(logged(logsizd, logtxto, 1200));
    EXPECT_EQ(r.said, visible("\r\n File in.spc      \r\n " + std::string(line) +
                              "\r\n LOG Block not read"));
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(s.y[1], 2.0f);
    EXPECT_EQ(shared.flogoff, 0);
  }
}

TEST_F(spc_reader, reads_nothing_after_the_y_values_without_a_log_offset) {
  shared.logsizd = 12345;
  std::string b = logged(10, 64, 10);
  put_le(b, 248, 0, 4);
  EXPECT_EQ(readsc(b).count, 2);
  EXPECT_EQ(shared.logsizd, 12345);
}

TEST_F(spc_reader, ends_the_run_when_the_file_ends_before_the_log_text) {
  for (const std::size_t cut : {4, 20 + 10}) {  // inside the five words, the parameter bytes
    test_support::write_file("in.spc", logged(10, 64, 10).substr(0, 544 + 8 + cut));
    const std::string report = test_support::caught(2, [&] {
      try {
        result r;
        call_readsc(r);
        ADD_FAILURE() << "the run did not end";
      } catch (const recio::run_ended& end) {
        EXPECT_EQ(end.status, recio::exit_status::failure);
      }
    });
    EXPECT_EQ(visible(report),
              visible("\r\nrun-time error F6010: READ(in.spc)\r\n- end of file encountered\r\n"));
  }
}

TEST_F(spc_reader, marks_the_header_as_read_only_after_a_new_variant_file) {
  readsc(new_file(0, 0x80, 1234.5));
  EXPECT_EQ(shared.origin, 'N');
  readsc(old_file(32, 0.0f));
  EXPECT_EQ(shared.origin, 'Y');
  EXPECT_EQ(shared.fversn, 77);
  EXPECT_EQ(shared.ffirst, 1234.5);  // the old variant reaches only the date parts
}

TEST_F(spc_reader, unpacks_the_date_word_and_takes_the_old_variant_date_fields) {
  constexpr std::int32_t word = (2006 << 20) + (3 << 16) + (3 << 11) + (14 << 6) + 5;
  std::int32_t packed = 0;
  std::int16_t year = 2006;
  std::uint8_t month = 3, day = 3, hour = 14, minute = 5;
  SPCDATE(packed, year, month, day, hour, minute, 'C');
  EXPECT_EQ(packed, word);
  minute = 64;  // the parts are added: a minute of 64 is one more hour
  SPCDATE(packed, year, month, day, hour, minute, 'C');
  EXPECT_EQ(packed, word - 5 + 64);
  const auto date = [] {
    return std::array{int{shared.year}, int{shared.month}, int{shared.day}, int{shared.hour},
                      int{shared.minute}};
  };
  packed = word;
  SPCDATE(packed, shared.year, shared.month, shared.day, shared.hour, shared.minute, 'S');
  EXPECT_EQ(date(), (std::array{2006, 3, 3, 14, 5}));

  std::string b = new_file(0, 0x80);
  put_le(b, 32, word + (1 << 20), 4);
  readsc(b);
  EXPECT_EQ(date(), (std::array{2007, 3, 3, 14, 5}));
  std::string old = old_file(32, 0.0f);
  put_le(old, 18, 1992, 2);
  put_le(old, 20, 0x040b'1701, 4);  // month 1, day 23, hour 11, minute 4
  readsc(old);
  EXPECT_EQ(date(), (std::array{1992, 1, 23, 11, 4}));
}

TEST_F(spc_reader, hands_out_the_header_values_and_the_resolution) {
  const std::string memo = "Benzene in CCl4" + std::string(115, ' ');
  std::string b = new_file(0, 0x80, 4000.123456789, 399.99999999);
  b[28] = 1;
  b[29] = 2;
  put_text(b, 36, "4.0 CM-1");
  put_text(b, 88, memo);
  result r = readsc(b);
  EXPECT_EQ((std::array{r.first_x, r.last_x, r.resolution}),
            (std::array{4000.1235f, 400.0f, 4.0f}));
  EXPECT_EQ((std::array{r.x_type, r.y_type}), (std::array<std::uint8_t, 2>{1, 2}));
  EXPECT_EQ(r.memo, memo);

  std::string old = old_file(32, 0.0f, 450.5f, 4000.0f);
  old[16] = 13;
  put_text(old, 64, memo);
  // clang-format off
  for (const auto& [ores, resolution] : {std::pair{"4.0     ", 4.0f},
                                         std::pair{" .25    ", 0.25f},
                                         std::pair{"15  9.9 ", 1.5f}}) {  // no point: one decimal
    // clang-format on
    put_text(old, 24, ores);
    r = readsc(old);
    EXPECT_EQ(r.resolution, resolution) << ores;
  }
  EXPECT_EQ(r.first_x, 450.5f);
  EXPECT_EQ(r.x_type, 13);
  EXPECT_EQ(r.memo, memo);
  put_text(old, 24, "n/a     ");
  EXPECT_EQ(readsc(old).said, "");  // no number: passed over without a word
}

class spc_input : public spc_reader {
 protected:
  // An evenly spaced new-variant spectrum of count zero y values.
  static points_read spaced(std::int32_t count, double first, double last, std::string& said) {
    std::string b = new_file(count, 0x80, first, last);
    b.resize(544 + 4 * static_cast<std::size_t>(std::max(count, 0)));
    test_support::write_file("in.spc", b);
    return read5("in.spc", said);
  }
};

std::string x_check(const std::string& value) {
  return visible("\r\n Routine READ5: Check of x accuracy\r\n Calculated last X minus read XEP = " +
                 value);
}

TEST_F(spc_input, makes_each_x_from_first_x_and_the_step) {
  std::string said;
  EXPECT_EQ(spaced(3601, 4000.0, 400.0, said).count, 3601);
  EXPECT_EQ((std::array{s.x[0], s.x[1], s.x[1800], s.x[3600]}),
            (std::array{4000.0f, 3999.0f, 2200.0f, 400.0f}));
  EXPECT_EQ(said, x_check("   0.000000E+00"));

  spaced(3601, 400.0, 4000.0, said);  // rising x: the step is negative
  EXPECT_EQ((std::array{s.x[0], s.x[1], s.x[3600]}), (std::array{400.0f, 401.0f, 4000.0f}));
  EXPECT_EQ(said, x_check("   0.000000E+00"));

  spaced(1024, 4000.0, 400.0, said);  // the step 3600/1023 in float leaves 2^-15 at the end
  EXPECT_EQ((std::array{s.x[0], s.x[1023]}), (std::array{4000.0f, 400.0f + 0x1p-15f}));
  EXPECT_EQ(said, x_check("   3.051758E-05"));
}

TEST_F(spc_input, checks_a_single_point_against_last_x_and_no_point_at_all_as_zero) {
  std::string said;
  spaced(1, 500.0, 400.0, said);
  EXPECT_EQ(s.x[0], 500.0f);
  EXPECT_EQ(said, x_check("     100.000000"));

  s.x[0] = -7.0f;
  for (const std::int32_t count : {0, -3}) {
    EXPECT_EQ(spaced(count, 500.0, 400.0, said).count, count);
    EXPECT_EQ(said, x_check("   0.000000E+00"));
  }
  EXPECT_EQ(s.x[0], -7.0f);
}

TEST_F(spc_input, makes_no_x_and_no_check_for_too_many_points) {
  s.x[0] = -7.0f;
  std::string said;
  EXPECT_EQ(spaced(spectrum::max_points + 1, 500.0, 400.0, said).count, spectrum::max_points + 1);
  EXPECT_EQ(said, visible("\r\nRoutine READSC2: Number of Points in file in.spc       "
                          "exceeds array size 131072 File not read\r\n"));
  EXPECT_EQ(s.x[0], -7.0f);
}

// Real instrument files, copied into the scratch folder.
const fs::path samples = fs::path(ZOLKDF_SHARED_DIR) / "spc_samples";

class spc_samples : public spc_input {
 protected:
  void SetUp() override {
    spc_input::SetUp();
    if (!fs::exists(samples)) GTEST_SKIP() << "no sample files in " << samples;
  }
  static points_read sample(const std::string& file, std::string& said) {
    test_support::write_file(file, test_support::read_file(samples / file));
    return read5(file, said);
  }
};

TEST_F(spc_samples, read_with_their_counts_variants_and_x_ranges) {
  struct row {
    const char* file;
    std::int32_t count;
    char origin;
    float first_x, last_x;
  };
  // clang-format off
  for (const row& c : {row{"BENZENE.SPC",  1842,  'N', 449.42996f, 4000.5f},
                       row{"TOLUENE.SPC",  801,   'N', 3700.0f,    500.0f},
                       row{"Ft-ir.spc",    1776,  'N', 4000.0f,    450.0f},
                       row{"TESTINP.SPC",  3839,  'N', 399.6442f,  6367.8716f},
                       row{"FID.SPC",      8192,  'N', 0.0f,       2.9253628f},
                       row{"DOERNER.spc",  1602,  'Y', 100.0f,     1800.0f},
                       row{"022b4asf.spc", 33185, 'Y', 4400.7617f, 401.12112f}}) {
    // clang-format on
    std::string said;
    const points_read r = sample(c.file, said);
    EXPECT_EQ(r.count, c.count) << c.file;
    EXPECT_EQ(shared.origin, c.origin) << c.file;
    EXPECT_FLOAT_EQ(r.first_x, c.first_x) << c.file;
    EXPECT_FLOAT_EQ(r.last_x, c.last_x) << c.file;
    EXPECT_EQ(s.x[0], r.first_x) << c.file;
    EXPECT_NEAR(s.x[static_cast<std::size_t>(r.count - 1)], r.last_x,
                1e-5 * std::fabs(r.first_x - r.last_x))
        << c.file;
    EXPECT_NE(said.find("Routine READ5: Check of x accuracy"), std::string::npos) << c.file;
  }
}

TEST_F(spc_samples, decode_their_y_values_and_log_blocks) {
  std::string said;
  sample("BENZENE.SPC", said);  // exponent 2
  EXPECT_EQ(s.y[0], 0.10155998170375824f);
  sample("DOERNER.spc", said);  // old variant, exponent 15
  EXPECT_EQ(s.y[680], 11209.5908203125f);
  sample("022b4asf.spc", said);  // old variant, exponent -2; the y values end the file
  EXPECT_EQ(s.y[0], 0.008026941679418087f);

  sample("Ft-ir.spc", said);  // exponent 8; 44 parameter bytes, text to the end of the file
  EXPECT_EQ(s.y[1775], 94.88349151611328f);
  EXPECT_EQ((std::array{shared.nlgspar, shared.nlgdata, shared.logsizd}),
            (std::array{44, 376, 440}));
  EXPECT_NE(shared.flogoff, 0);

  sample("TESTINP.SPC", said);  // float y although the sub-file header's exponent is 0
  EXPECT_EQ((std::array{s.y[0], s.y[3838]}), (std::array{28821.09375f, 1703.6219482421875f}));
  EXPECT_EQ(shared.nlgdata, 741);  // less text than logsizd 977 announces
  EXPECT_EQ(shared.logsizd, 64 + 741);

  sample("FID.SPC", said);  // 32812 parameter bytes: the log block is refused
  EXPECT_EQ(said.substr(0, said.find("\\r\\n\n Routine READ5")),
            visible("\r\n File FID.SPC     \r\n NLGSPAR  larger than 256\r\n LOG Block not read"));
  EXPECT_EQ(shared.flogoff, 0);
  EXPECT_EQ(s.y[0], -12278.0f);
}

TEST(spc_sample_run, ends_at_a_flag_byte_that_is_not_zero) {
  if (!fs::exists(samples)) GTEST_SKIP() << "no sample files in " << samples;
  const fs::path work = test_support::scratch_folder("spc-flag");
  test_support::write_file(work / "s_xy.spc", test_support::read_file(samples / "s_xy.spc"));
  const auto run = test_support::run_zolkdf(work, "K\ns_xy.spc\n6\nout.xy\n2\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.ends_with(
      "\r\nRoutine READSC; File s_xy.spc    :ftflags is not zero.\r\nREADSC can not read this"
      " file and\r\nprogram stops abnormally\r\nStop - Program terminated.\r\n\r\n"))
      << visible(run.out);
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(fs::exists(work / "out.xy"));
  fs::remove_all(work);
}

// ---- Every kind of SPC file, read for the command line.

spectrum::outcome read_document(const std::string& bytes, spectrum::document& doc) {
  const spectrum::byte_view view{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
  return spc::read_file({view, "in.spc"}, {}, doc);
}

// One spectrum of an independent reader's values: "points", the "x" and "y" arrays, "x_units".
struct listed_spectrum {
  std::size_t points = 0;
  std::vector<double> x, y;
  std::string x_units;
};
std::vector<double> numbers_after(const std::string& json, std::size_t& at, const char* key) {
  at = json.find(std::string{"\""} + key + "\":[", at) + std::strlen(key) + 4;
  std::vector<double> v;
  std::istringstream in(json.substr(at, json.find(']', at) - at));
  for (std::string item; std::getline(in, item, ',');) v.push_back(std::stod(item));
  return v;
}
std::vector<listed_spectrum> listed(const std::string& json) {
  std::vector<listed_spectrum> all;
  for (std::size_t at = json.find("\"points\":"); at != std::string::npos;
       at = json.find("\"points\":", at)) {
    listed_spectrum l;
    l.points = std::stoul(json.substr(at + 9));
    l.x = numbers_after(json, at, "x");
    l.y = numbers_after(json, at, "y");
    const std::size_t u = json.find("\"x_units\":\"", at) + 11;
    l.x_units = json.substr(u, json.find('"', u) - u);
    all.push_back(l);
  }
  return all;
}

class spc_file_samples : public spc_samples {
 protected:
  static spectrum::document read_sample(const std::string& file) {
    spectrum::document doc;
    const auto trouble = read_document(test_support::read_file(samples / file), doc);
    EXPECT_FALSE(trouble) << file << ": " << trouble->reason;
    return doc;
  }
};

TEST_F(spc_file_samples, give_the_independent_readers_values_where_it_is_right) {
  struct row {
    const char* file;
    const char* variant;
    std::size_t spectra;
    bool x_stored;
    int x_code;
    const char* y_name;  // the axis label text where the file gives one
    // That reader scales a sub-file whose own exponent byte is 0 by the file's exponent e
    // instead, which gives y / 2^-e.
    std::vector<std::size_t> own_exponent_zero;
    float times;
  };
  const std::vector<std::size_t> zero_in_lcdiode{39,  85,  86,  87,  121, 122,
                                                 123, 124, 125, 126, 127, 128};
  // clang-format off
  for (const row& c : {row{"s_xy.spc",    "new", 1,   true,  5, "Arbitrary Intensity", {}, 1},
                       row{"RAMAN.SPC",   "new", 1,   false, 13, "Rmn Intensity", {}, 1},
                       row{"m_evenz.spc", "new", 32,  false, 3, "Absorbance",    {1}, 2},
                       row{"m_xyxy.spc",  "new", 512, true,  9, "Abundance",     {}, 1},
                       row{"ms.spc",      "new", 1,   true,  9, "Abundance",     {}, 1},
                       row{"DEMO_3D.SPC", "old", 32,  false, 3, "Absorbance",    {1}, 2},
                       row{"LCDIODE.SPC", "old", 350, false, 3, "Absorbance",    zero_in_lcdiode, 64}}) {
    // clang-format on
    const spectrum::document doc = read_sample(c.file);
    const std::vector<listed_spectrum> expected =
        listed(test_support::read_file(samples / "expected" / (std::string{c.file} + ".json")));
    EXPECT_EQ(doc.variant, c.variant) << c.file;
    EXPECT_EQ(doc.x_unit.code, c.x_code) << c.file;
    EXPECT_EQ(doc.y_unit.name, c.y_name) << c.file;
    ASSERT_EQ(doc.spectra.size(), c.spectra) << c.file;
    ASSERT_EQ(expected.size(), c.spectra) << c.file;
    for (std::size_t k = 0; k < c.spectra; ++k) {
      const spectrum::spectrum& t = doc.spectra[k];
      const listed_spectrum& e = expected[k];
      EXPECT_EQ(t.x_stored, c.x_stored) << c.file;
      ASSERT_EQ(t.y.size(), e.points) << c.file << " spectrum " << k + 1;
      // That reader names no unit of minutes (s_xy.spc, x unit code 5) and lists x rising.
      EXPECT_NE(doc.x_unit.name.find(e.x_units), std::string::npos) << c.file;
      const bool reversed = e.points > 1 && (t.x.front() > t.x.back()) != (e.x[0] > e.x.back());
      const bool own_zero = std::find(c.own_exponent_zero.begin(), c.own_exponent_zero.end(), k) !=
                            c.own_exponent_zero.end();
      const double x_scale = std::max(std::fabs(e.x[0]), std::fabs(e.x.back()));
      for (std::size_t i = 0; i < e.points; ++i) {
        const std::size_t j = reversed ? e.points - 1 - i : i;
        ASSERT_NEAR(t.x[j], e.x[i], 2e-7 * x_scale) << c.file << " " << k << " " << i;
        ASSERT_EQ(t.y[j], static_cast<float>(e.y[i]) * (own_zero ? c.times : 1.0f))
            << c.file << " spectrum " << k + 1 << " point " << i;
      }
    }
  }
}

TEST_F(spc_file_samples, that_the_dialogue_reads_give_its_x_and_y_and_their_texts) {
  struct row {
    const char* file;
    const char* memo;
    const char* resolution;
    std::size_t log_bytes;
  };
  // clang-format off
  for (const row& c : {row{"BENZENE.SPC",  "FT-IR Spectrum of Benzene, Capillary Film.", "4.0 CM-1", 0},
                       row{"TOLUENE.SPC",  "FT-IR Spectrum of Toluene.", "4.0 CM-1", 0},
                       row{"Ft-ir.spc",    "FT-IR Spectrum Example", "4.", 376},
                       row{"TESTINP.SPC",  "Column 1", "", 740},
                       row{"FID.SPC",      "Ibuprofen:  VARIAN XL-200;  1H", "", 171},
                       row{"DOERNER.spc",  "", "", 0},
                       row{"022b4asf.spc", "Bromoform_f, 20ppm", " .25", 0}}) {
    // clang-format on
    const spectrum::document doc = read_sample(c.file);
    ASSERT_EQ(doc.spectra.size(), 1u) << c.file;
    EXPECT_EQ(doc.memo, c.memo) << c.file;
    EXPECT_EQ(doc.resolution, c.resolution) << c.file;
    EXPECT_EQ(doc.log.size(), c.log_bytes) << c.file;
    std::string said;
    const points_read r = sample(c.file, said);
    const spectrum::spectrum& t = doc.spectra[0];
    ASSERT_EQ(t.y.size(), static_cast<std::size_t>(r.count)) << c.file;
    // The dialogue makes x with a step in single precision, the document in double: they agree
    // to what the step's rounding leaves over the span.
    const double span = std::fabs(t.x.back() - t.x.front());
    EXPECT_TRUE(std::equal(t.x.begin(), t.x.end(), s.x.begin(), [&](double a, float b) {
      return std::fabs(a - b) <= 0x1p-23 * (span + std::fabs(a));
    })) << c.file;
    EXPECT_TRUE(std::equal(t.y.begin(), t.y.end(), s.y.begin(), [](double a, float b) {
      return std::bit_cast<std::uint32_t>(static_cast<float>(a)) == std::bit_cast<std::uint32_t>(b);
    })) << c.file;
  }
}

TEST(spc_file, refuses_what_it_cannot_read_by_name_and_place) {
  struct row {
    std::string bytes;
    const char* reason;
    std::int64_t offset;
  };
  std::string cut = new_file(100, 0x80);
  cut.resize(544 + 4 * 60);
  std::string old_cut = old_file(32, 50.0f);
  old_cut.resize(256 + 4 * 10);
  // A sub-file with its own x, at the end: its 10 points need 8 bytes each, the file has 4 each.
  std::string xyxy = new_file(0, 0x80);
  xyxy[0] = static_cast<char>(0xC0);
  put_le(xyxy, 528, 10, 4);
  xyxy.resize(544 + 4 * 10);
  // Two sub-files with their own x, whose directory entries both give the one that the file holds.
  std::string twice = new_file(552, 0x80);
  twice[0] = static_cast<char>(0xC4);
  put_le(twice, 24, 2, 4);   // fnsub
  put_le(twice, 528, 1, 4);  // subnpts
  add_words(twice, {0x3f800000, 0x3f800000, 512, 40, 0, 512, 40, 0});
  // clang-format off
  for (const row& c : {row{std::string{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8}, "not an SPC file (a compound document)", 0},
                       row{std::string{"\0\x4E", 2},  "SPC version byte 0x4E not known", 1},
                       row{std::string{"\0K", 2},     "cut short: the header needs 512 bytes, the file holds 2", 2},
                       row{cut,                       "cut short: the header promises 100 points, the file holds 60", 784},
                       row{old_cut,                   "cut short: the header promises 50 points, the file holds 10", 296},
                       row{xyxy,                      "cut short: sub-file 1 promises 10 points, the file holds 5", 528},
                       row{twice,                     "cut short: the sub-files promise more bytes than the file holds (576)", 564}}) {
    // clang-format on
    spectrum::document doc;
    const spectrum::outcome trouble = read_document(c.bytes, doc);
    ASSERT_TRUE(trouble) << c.reason;
    EXPECT_EQ(trouble->reason, c.reason);
    EXPECT_EQ(trouble->offset, c.offset) << c.reason;
    EXPECT_TRUE(doc.spectra.empty()) << c.reason;
  }
  EXPECT_TRUE(spc::recognises(
      spectrum::byte_view{reinterpret_cast<const std::uint8_t*>("\xD0\xCF\x11\xE0"), 4}));
  EXPECT_FALSE(
      spc::recognises(spectrum::byte_view{reinterpret_cast<const std::uint8_t*>("4000"), 4}));
}

TEST(spc_file, reads_the_big_endian_new_variant_as_the_little_endian_one) {
  std::string little = new_file(2, 0x80, 10.0, 20.0);
  little[28] = 3;
  put_f32(little, 516, 2.5f);  // z
  add_words(little, {0x3f800000, 0x40000000});
  std::string big = little;
  big[1] = 0x4C;
  const auto turn = [&big](std::size_t at, std::size_t width) {
    std::reverse(big.begin() + static_cast<std::ptrdiff_t>(at),
                 big.begin() + static_cast<std::ptrdiff_t>(at + width));
  };
  for (const auto& [at, width] :
       {std::pair{4, 4}, {8, 8}, {16, 8}, {24, 4}, {516, 4}, {544, 4}, {548, 4}})
    turn(static_cast<std::size_t>(at), static_cast<std::size_t>(width));
  spectrum::document a, b;
  ASSERT_FALSE(read_document(little, a));
  ASSERT_FALSE(read_document(big, b));
  EXPECT_EQ(b.variant, "new, big-endian");
  EXPECT_EQ(b.spectra[0].x, a.spectra[0].x);
  EXPECT_EQ(b.spectra[0].y, (std::vector{1.0, 2.0}));
  EXPECT_EQ(b.spectra[0].z, 2.5);
  EXPECT_EQ(b.x_unit.name, "Nanometers (nm)");

  // 16-bit integer y, each turned round as well: n times 2^(16 - 16).
  big = new_file(2, 16, 10.0, 20.0);
  big[0] = 1;
  big[1] = 0x4C;
  add_words(big, {0xfffb0003});  // 3, then -5
  for (const auto& [at, width] : {std::pair{4, 4}, {8, 8}, {16, 8}, {544, 2}, {546, 2}})
    turn(static_cast<std::size_t>(at), static_cast<std::size_t>(width));
  ASSERT_FALSE(read_document(big, b));
  EXPECT_EQ(b.spectra[0].y, (std::vector{3.0, -5.0}));
}

// Every count and offset field of each sample set to 0, -1 and a huge value, and each sample cut
// at every sub-file boundary: a reason or a document, never a crash, and no more memory than the
// file could fill.
TEST_F(spc_file_samples, damaged_give_a_reason_and_take_no_more_memory_than_they_could_fill) {
  struct field {
    std::size_t at;
    int width;
  };
  for (const auto& entry : fs::directory_iterator(samples)) {
    if (entry.path().extension() == ".md" || !entry.is_regular_file()) continue;
    const std::string file = test_support::read_file(entry.path());
    spectrum::document whole;
    if (read_document(file, whole)) continue;  // the compound document
    const bool old = file[1] == 'M';
    std::vector<field> fields =
        old ? std::vector<field>{{4, 4}} : std::vector<field>{{4, 4}, {24, 4}, {248, 4}, {528, 4}};
    if (!old && (file[0] & 0x40) && get_le(file, 4, 4) != 0)  // the directory's first entry
      fields.push_back({static_cast<std::size_t>(get_le(file, 4, 4)), 4});
    for (const field& f : fields)
      for (const std::uint64_t v : {0ull, 0xffffffffull, 0x7fffffffull, 0x40000000ull}) {
        std::string damaged = file;
        put_le(damaged, f.at,
               old && v != 0
                   ? std::bit_cast<std::uint32_t>(static_cast<float>(static_cast<std::int32_t>(v)))
                   : v,
               f.width);
        spectrum::document doc;
        const spectrum::outcome trouble = read_document(damaged, doc);
        std::size_t values = 0;
        for (const spectrum::spectrum& t : doc.spectra) values += t.x.size() + t.y.size();
        EXPECT_LE(values * 4, 2 * file.size() + (1 << 20)) << entry.path() << " at " << f.at;
        EXPECT_TRUE(trouble || !doc.spectra.empty()) << entry.path() << " at " << f.at;
      }
    // Cut one byte before the end of each sub-file: the old variant, which counts its sub-files
    // by the size of the file, may hold fewer then.
    const std::uint8_t flags = static_cast<std::uint8_t>(file[0]);
    std::size_t at = old ? 224 : 512 + ((flags & 0xC0) == 0x80 ? 4 * whole.spectra[0].x.size() : 0);
    for (const spectrum::spectrum& t : whole.spectra) {
      at += 32 + (flags & 1 ? 2 : 4) * t.y.size() + (flags & 0x40 ? 4 * t.x.size() : 0);
      spectrum::document doc;
      const bool trouble = read_document(file.substr(0, at - 1), doc).has_value();
      EXPECT_TRUE(trouble || (old && doc.spectra.size() < whole.spectra.size()))
          << entry.path() << " cut at " << at - 1;
    }
  }
}

}  // namespace
