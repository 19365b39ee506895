// tests/six_column_file_test.cpp: reading and writing 6XY files, three points a record.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/capture.hpp"
#include "tests/support/scratch_test.hpp"
#include "textfmt/textfmt.hpp"

namespace {

using test_support::points_read;

spectrum::fixed_spectrum s;

class six_column_file : public test_support::scratch_test {
 protected:
  points_read read(const std::string& bytes) {
    test_support::write_file("in.6xy", bytes);
    points_read r;
    READ3(name_of("in.6xy"), s.x, s.y, r.first_x, r.last_x, r.count, spectrum::max_points);
    return r;
  }
  std::string written(std::int32_t count) {
    for (std::size_t i = 0; i < 9; ++i) {
      s.x[i] = 4000.0f - static_cast<float>(i);
      s.y[i] = static_cast<float>(i) / 4.0f;
    }
    WRITE3(name_of("out.6xy"), s.x, s.y, count);
    return test_support::read_file("out.6xy");
  }
};

const std::string gap(10, ' ');
const std::string p1 = " 4000.000   .0000000E+00";
const std::string p2 = " 3999.000   .2500000E+00";
const std::string p3 = " 3998.000   .5000000E+00";
const std::string p4 = " 3997.000   .7500000E+00";
const std::string p5 = " 3996.000   .1000000E+01";
const std::string p6 = " 3995.000   .1250000E+01";
const std::string p7 = " 3994.000   .1500000E+01";
const std::string p8 = " 3993.000   .1750000E+01";
const std::string p9 = " 3992.000   .2000000E+01";
const std::string full1 = p1 + gap + p2 + gap + p3 + "\r\n";
const std::string full2 = p4 + gap + p5 + gap + p6 + "\r\n";

TEST_F(six_column_file, writes_full_records_and_a_short_last_one) {
  EXPECT_EQ(full1.size(), 94u);
  EXPECT_EQ(written(7), full1 + full2 + p7 + "\r\n");
  EXPECT_EQ(written(8), full1 + full2 + p7 + gap + p8 + "\r\n");
  EXPECT_EQ(written(9), full1 + full2 + p7 + gap + p8 + gap + p9 + "\r\n");
  EXPECT_EQ(written(1), p1 + "\r\n");
  EXPECT_EQ(written(0), "");
}

TEST_F(six_column_file, counts_the_points_of_a_short_last_record) {
  const points_read eight = read(full1 + full2 + " 500 1 400 2\r\n");
  EXPECT_EQ(eight.count, 8);
  EXPECT_EQ(eight.first_x, 4000.0f);
  EXPECT_EQ(eight.last_x, 400.0f);

  // An x whose y is missing counts, with y 0; the first x of zero ends the count.
  s.y[4] = 9.0f;
  EXPECT_EQ(read("1 1 2 2 3 3\n4 4 5\n").count, 5);
  EXPECT_EQ(s.y[4], 0.0f);
  EXPECT_EQ(read("1 1 2 2 3 3\n4 4 0.0 5 6\n").count, 4);
  EXPECT_EQ(read("1 1 2 2 3 3\n-0 4 5 5\n").count, 3);

  const points_read none = read("");
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(none.first_x, 0.0f);
  EXPECT_EQ(none.last_x, 0.0f);
}

TEST_F(six_column_file, never_counts_what_an_earlier_read_left_in_the_arrays) {
  EXPECT_EQ(read(full1 + full2 + full1).count, 9);
  const points_read shorter = read("7 7 8 8\n");
  EXPECT_EQ(shorter.count, 2);
  EXPECT_EQ(shorter.last_x, 8.0f);
  EXPECT_EQ(read("1 1 2 2 3 3\n4 4,,5\n").count, 4);  // a null x was not read
}

TEST_F(six_column_file, reads_at_most_43690_records_and_says_so) {
  std::string records;
  for (int r = 0; r < 43690; ++r) records += "1 1 2 2 3 3\n";
  points_read r;
  const std::string said = test_support::caught(1, [&] { r = read(records + "4 4 5 5 6 6\n"); });
  EXPECT_EQ(r.count, 131070);
  EXPECT_EQ(test_support::visible(said),
            test_support::visible("  File in.6xy      :  43690 lines read & converted but"
                                  " end of input file not reached"));
}

}  // namespace
