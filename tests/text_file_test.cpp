// tests/text_file_test.cpp: the text writers gather many records' values in one statement; the
// records must be exactly those of one statement a record, whatever the count.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "recio/number_fields.hpp"
#include "tests/support/scratch_test.hpp"
#include "textfmt/textfmt.hpp"

namespace {

using recio::render_e;
using recio::render_f;

spectrum::fixed_spectrum s;

// Counts around whole statements of 24 points (XY, Y) and of 24 records of three points (6XY).
constexpr std::int32_t counts[] = {0, 1, 2, 23, 24, 25, 47, 48, 49, 71, 72, 73, 74, 145, 1000};

class text_file : public test_support::scratch_test {
 protected:
  void SetUp() override {
    scratch_test::SetUp();
    // Values whose fields differ from point to point, with a sign now and then.
    for (std::size_t i = 0; i < 1000; ++i) {
      s.x[i] = 4000.0f - 0.37f * static_cast<float>(i);
      s.y[i] = (i % 3 == 0 ? -1.0f : 1.0f) * static_cast<float>(i) / 7.0f;
    }
  }
};

TEST_F(text_file, xy_writes_one_record_a_point_for_every_count) {
  for (const std::int32_t n : counts) {
    WRITE2(name_of("out.xy"), s.x, s.y, n);
    std::string want;
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i)
      want += render_f(s.x[i], 11, 5) + "  " + render_e(s.y[i], 14, 7) + "\r\n";
    EXPECT_EQ(test_support::read_file("out.xy"), want) << n << " points";
  }
}

TEST_F(text_file, y_writes_its_head_then_one_y_a_record_for_every_count) {
  for (const std::int32_t n : counts) {
    WRITE1(name_of("out.y"), s.y, 4000.0f, 10.0f, n);
    std::string want = render_f(4000.0f, 9, 3) + "\r\n" + render_f(10.0f, 9, 3) + "\r\n" +
                       recio::render_i(n, 6) + "\r\n";
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i)
      want += " " + render_e(s.y[i], 14, 7) + "\r\n";
    EXPECT_EQ(test_support::read_file("out.y"), want) << n << " points";
  }
}

TEST_F(text_file, six_column_writes_three_points_a_record_for_every_count) {
  for (const std::int32_t n : counts) {
    WRITE3(name_of("out.6xy"), s.x, s.y, n);
    std::string want;
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
      want += render_f(s.x[i], 9, 3) + " " + render_e(s.y[i], 14, 7);
      // Ten blanks after a point that another follows on its record; none at the record's end.
      want += i % 3 == 2 || i + 1 == static_cast<std::size_t>(n) ? "\r\n" : std::string(10, ' ');
    }
    EXPECT_EQ(test_support::read_file("out.6xy"), want) << n << " points";
  }
}

}  // namespace
