// tests/axis_test.cpp: x judged evenly spaced to the precision a file printed it in.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "spectrum/axis.hpp"

namespace {

// x from first by step, printed to decimals places, as an export writes an even grid.
std::vector<double> printed(double first, double step, int n, int decimals) {
  std::vector<double> x;
  const double p = std::pow(10.0, decimals);
  for (int i = 0; i < n; ++i) x.push_back(std::round((first + i * step) * p) / p);
  return x;
}

// Made in double precision from the ends, without the noise of the arithmetic's last place.
TEST(even_x, is_made_from_the_ends_in_double_precision) {
  EXPECT_EQ(spectrum::even_x(0.3, 0, 4), (std::vector<double>{0.3, 0.2, 0.1, 0}));
  EXPECT_EQ(spectrum::even_x(4000, 400, 3601)[1234], 2766);
  // A Raman shift axis: single precision's steps would give 2.67397 here.
  const std::vector<double> raman = spectrum::even_x(3996.8, -3005.9, 2620);
  EXPECT_NEAR(raman[2618], -3005.9 + (3996.8 + 3005.9) / 2619, 1e-11);  // 15 digits of 3996.8
  EXPECT_EQ(spectrum::even_x(1e-300, 2e-300, 3)[1], 1.5e-300);
  // A single point is at the first x, whatever the last.
  EXPECT_EQ(spectrum::even_x(4000, 3990, 1), (std::vector<double>{4000}));
  EXPECT_EQ(spectrum::even_x(4000, 3990, 0), (std::vector<double>{}));
}

TEST(even_x, is_judged_to_the_last_printed_digit) {
  const struct {
    std::vector<double> x;
    bool even;
    const char* what;
  } cases[] = {
      {printed(3996.8, -2.67399, 2620, 3), true, "an even grid printed to 3 decimals"},
      {printed(3996.8, -2.67399, 2620, 5), true, "printed to 5 decimals"},
      {{1, 2, 3, 4}, true, "whole numbers"},
      {{1800, 1799.999, 1799.9975, 1799.997}, false, "one value a printed digit finer"},
      {{4000, 3999.5, 3998.8, 3998.5}, false, "one value off by more than the last digit"},
      {{1, 2, 4}, true, "as even as whole numbers can print 1, 2.5, 4"},
      {{1, 2, 6}, false, "uneven"},
      {{100.5f, 101.5f, 102.50001f, 103.5f}, true, "floats, within their rounding"},
      {{0, 1, NAN, 3}, false, "not a number"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(spectrum::even_as_printed(c.x), c.even) << c.what;
  }
}

}  // namespace
