// tests/y_file_test.cpp: reading and writing Y files, whose x values follow from the head.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch_test.hpp"
#include "textfmt/textfmt.hpp"

namespace {

using test_support::points_read;

spectrum::fixed_spectrum s;

class y_file : public test_support::scratch_test {
 protected:
  points_read read(const std::string& bytes) {
    test_support::write_file("in.y", bytes);
    points_read r;
    READ1(name_of("in.y"), s.x, s.y, r.first_x, r.last_x, r.count, spectrum::array_capacity);
    return r;
  }
  void SetUp() override {
    scratch_test::SetUp();
    spectrum::array_capacity = spectrum::max_points;
  }
};

std::string y_records(int n) {
  std::string records;
  for (int i = 1; i <= n; ++i) records += "   .1000000E+0" + std::to_string(i % 10) + "\r\n";
  return records;
}

TEST_F(y_file, implies_x_from_the_head_falling_or_rising) {
  const points_read falling = read("4000.000\r\n 400.000\r\n    10\r\n" + y_records(10));
  EXPECT_EQ(falling.count, 10);
  EXPECT_EQ(s.x[0], 4000.0f);
  EXPECT_EQ(s.x[1], 3600.0f);
  EXPECT_EQ(s.x[9], 400.0f);
  EXPECT_EQ(falling.last_x, 400.0f);
  EXPECT_EQ(s.y[2], 100.0f);

  const points_read rising = read("400\n4000\n10\n" + y_records(10));
  EXPECT_EQ(s.x[0], 400.0f);
  EXPECT_EQ(s.x[1], 800.0f);
  EXPECT_EQ(s.x[9], 4000.0f);
  EXPECT_EQ(rising.first_x, 400.0f);
}

TEST_F(y_file, truncates_the_count_and_reads_no_y_for_a_count_below_one) {
  EXPECT_EQ(read("1\n2\n2.9\n5\n6\n").count, 2);
  EXPECT_EQ(s.y[1], 6.0f);
  s.y[0] = 42.0f;
  EXPECT_EQ(read("1\n2\n0\n").count, 0);
  EXPECT_EQ(read("1\n2\n-3\n").count, -3);
  EXPECT_EQ(s.y[0], 42.0f);  // untouched

  const points_read one = read("4000\n400\n1\n7\n");
  EXPECT_EQ(one.count, 1);
  EXPECT_EQ(s.x[0], 4000.0f);
  EXPECT_EQ(one.last_x, 400.0f);  // as read: one point forms no step
}

TEST_F(y_file, cuts_a_larger_count_to_the_capacity_and_moves_last_x) {
  const std::string ys = y_records(131072);
  const points_read big = read("4000\n0\n200000\n" + ys);
  const float step = static_cast<float>(4000.0 / 199999.0);
  EXPECT_EQ(big.count, 131072);
  EXPECT_EQ(big.last_x, static_cast<float>(4000.0 - 131071.0 * step));
  EXPECT_EQ(s.x[131071], big.last_x);
  EXPECT_EQ(read("4000\n0\n1E30\n" + ys).count, 131072);  // beyond the 32-bit range
}

TEST_F(y_file, writes_a_head_of_three_records_then_one_y_a_record) {
  s.y[0] = 1.0f;
  s.y[1] = -0.5f;
  WRITE1(name_of("out.y"), s.y, 4000.2001953125f, 100000.0f, 2);
  EXPECT_EQ(test_support::read_file("out.y"),
            " 4000.200\r\n"
            "*********\r\n"  // too wide for F9.3
            "     2\r\n"
            "   .1000000E+01\r\n"
            "  -.5000000E+00\r\n");
  WRITE1(name_of("out.y"), s.y, 0.5f, -0.25f, 0);
  EXPECT_EQ(test_support::read_file("out.y"), "     .500\r\n    -.250\r\n     0\r\n");
}

}  // namespace
