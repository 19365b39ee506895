// tests/xy_file_test.cpp: reading and writing XY files, one point per record.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "spectrum/fixed_spectrum.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/scratch_test.hpp"
#include "textfmt/textfmt.hpp"

namespace {

namespace fs = std::filesystem;

using test_support::points_read;

// The one spectrum of the test program, as the driver's is for the converter.
spectrum::fixed_spectrum s;

class xy_file : public test_support::scratch_test {
 protected:
  points_read read(const std::string& bytes, std::int32_t capacity = spectrum::max_points) {
    test_support::write_file("in.xy", bytes);
    points_read r;
    READ2(name_of("in.xy"), s.x, s.y, r.first_x, r.last_x, r.count, capacity);
    return r;
  }
  std::string written(std::int32_t count) {
    WRITE2(name_of("out.xy"), s.x, s.y, count);
    return test_support::read_file("out.xy");
  }
};

TEST_F(xy_file, reads_the_first_two_values_of_each_point_free_form) {
  const points_read r = read("1 2\n3, 4 9\n\n5\n6\n");
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(r.first_x, 1.0f);
  EXPECT_EQ(r.last_x, 5.0f);
  EXPECT_EQ(s.y[1], 4.0f);  // the third value of a record is passed over
  EXPECT_EQ(s.y[2], 6.0f);  // an empty record is passed over; y comes from the next record
}

TEST_F(xy_file, counts_only_whole_pairs) {
  s.x[0] = s.x[1] = 77.0f;  // left by an earlier conversion
  EXPECT_EQ(read("1 2\n3\n").count, 1);
  EXPECT_EQ(s.x[1], 3.0f);  // stored, not counted
  const points_read none = read("7\n");
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(none.first_x, 0.0f);
  EXPECT_EQ(none.last_x, 0.0f);
  EXPECT_EQ(read("").count, 0);
}

TEST_F(xy_file, keeps_no_more_points_than_the_capacity) {
  const points_read r = read("1 1\n2 2\n3 3\n4 4\n", 3);
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(r.last_x, 3.0f);
  EXPECT_EQ(read("1 1\n", 0).count, 0);
}

TEST_F(xy_file, writes_27_character_records) {
  s.x[0] = 4000.0f;
  s.y[0] = 1.0f;
  s.x[1] = 100000.0f;  // too wide for F11.5
  s.y[1] = -0.00123456f;
  s.x[2] = 0.5f;
  s.y[2] = 0.0f;
  EXPECT_EQ(written(3),
            " 4000.00000    .1000000E+01\r\n"
            "***********   -.1234560E-02\r\n"
            "     .50000    .0000000E+00\r\n");
  EXPECT_EQ(written(0), "");
}

}  // namespace

namespace {

TEST(xy_conversion, keeps_the_first_131072_points_of_a_longer_file) {
  const fs::path work = test_support::scratch_folder("xy-max");
  std::string in;
  for (int i = 0; i <= 131072; ++i) in += std::to_string(i) + " " + std::to_string(-i) + "\n";
  test_support::write_file(work / "big.xy", in);
  const auto run = test_support::run_zolkdf(work, "K\nbig.xy\n2\nout.xy\n2\nn\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\r\n  Number of Data Points = 131072"
                         "\r\n  Highest wavenumber   =        .00 cm-1"
                         "\r\n  lowest wavenumber =  131071.00 cm-1"),
            std::string::npos);
  const std::string out = test_support::read_file(work / "out.xy");
  EXPECT_EQ(out.size(), 131072u * 29u);
  EXPECT_EQ(out.substr(out.size() - 29), "***********   -.1310710E+06\r\n");  // too wide for F11.5
  fs::remove_all(work);
}

}  // namespace
