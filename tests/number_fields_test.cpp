// tests/number_fields_test.cpp: the look of Iw, Fw.d, Ew.d and free-form numbers.
#include "recio/number_fields.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/reference_fields.hpp"

namespace recio {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double double_max = std::numeric_limits<double>::max();
constexpr double double_tiniest = std::numeric_limits<double>::denorm_min();
constexpr std::int64_t int64_min = std::numeric_limits<std::int64_t>::min();

TEST(reference_renderings, match_every_field_of_every_value) {
  bool malformed = false;
  const std::vector<test_support::reference_row> rows = test_support::reference_rows(malformed);
  if (rows.empty() && !malformed) GTEST_SKIP() << "no reference renderings beside the project";
  ASSERT_FALSE(malformed);
  int mismatches = 0;
  for (const test_support::reference_row& row : rows) {
    const float v = std::bit_cast<float>(row.bits);
    const std::string got[] = {render_f(v, 9, 3), render_f(v, 10, 2), render_f(v, 11, 5),
                               render_e(v, 14, 7), render_free_real(v)};
    for (std::size_t i = 0; i < row.shown.size(); ++i) {
      if ("[" + got[i] + "]" == row.shown[i]) continue;
      if (++mismatches <= 10)
        ADD_FAILURE() << "bits " << std::hex << row.bits << std::dec << " (" << row.value << ") "
                      << test_support::reference_field_names[i] << ": want " << row.shown[i]
                      << ", got [" << got[i] << "]";
    }
  }
  EXPECT_EQ(rows.size(), 52326u);
  EXPECT_EQ(mismatches, 0);
}

// One case a line, the results aligned.
// clang-format off
TEST(i_field, is_right_justified_or_asterisks) {
  EXPECT_EQ(render_i(131072, 6),     "131072");
  EXPECT_EQ(render_i(1234567, 6),    "******");
  EXPECT_EQ(render_i(-5, 6),         "    -5");
  EXPECT_EQ(render_i(0, 1),          "0");
  EXPECT_EQ(render_i(-1, 1),         "*");
  EXPECT_EQ(render_i(int64_min, 20), "-9223372036854775808");
  EXPECT_EQ(render_i(int64_min, 19), std::string(19, '*'));
}

TEST(f_field, has_no_zero_before_the_point) {
  EXPECT_EQ(render_f(0.5f, 9, 3),     "     .500");
  EXPECT_EQ(render_f(0.0f, 9, 3),     "     .000");
  EXPECT_EQ(render_f(-0.25f, 9, 3),   "    -.250");
  EXPECT_EQ(render_f(-0.0004f, 9, 3), "     .000");  // rounds to zero: the sign goes too
  EXPECT_EQ(render_f(0.3f, 4, 0),     "  0.");  // the only digit the field can have
  EXPECT_EQ(render_f(-0.3f, 4, 0),    "  0.");
  EXPECT_EQ(render_f(full_real{0.5}, 9, 3),     "     .500");
  EXPECT_EQ(render_f(full_real{-0.0004}, 9, 3), "     .000");
}

TEST(f_field, rounds_half_up_with_carries) {
  EXPECT_EQ(render_f(1234.5f, 10, 2),     "   1234.50");
  EXPECT_EQ(render_f(1234.5678f, 9, 3),   " 1234.568");
  EXPECT_EQ(render_f(4000.1235f, 11, 5),  " 4000.12400");  // 7 significant digits, then zeros
  EXPECT_EQ(render_f(12345.678f, 11, 5),  "12345.68000");
  EXPECT_EQ(render_f(0.0005f, 9, 3),      "     .001");  // no digit kept, yet it rounds up
  EXPECT_EQ(render_f(-0.0005f, 9, 3),     "    -.001");
  EXPECT_EQ(render_f(0.00005f, 9, 3),     "     .000");
  EXPECT_EQ(render_f(-0.9996f, 9, 3),     "   -1.000");
  EXPECT_EQ(render_f(9.9996f, 9, 3),      "   10.000");
  EXPECT_EQ(render_f(2.5f, 4, 0),         "  3.");
  EXPECT_EQ(render_f(1e30, 40, 3),        "     1000000000000000000000000000000.000");
  EXPECT_EQ(render_f(full_real{-9.99999999996}, 14, 10),  "-10.0000000000");
  EXPECT_EQ(render_f(full_real{0.99999999999996}, 15, 12), " 1.000000000000");  // to 1
}

TEST(f_field, fills_with_asterisks_when_too_narrow) {
  EXPECT_EQ(render_f(123456.7f, 9, 3),   "*********");
  EXPECT_EQ(render_f(-1234.5678f, 9, 3), "-1234.568");
  EXPECT_EQ(render_f(-12345.67f, 9, 3),  "*********");
  EXPECT_EQ(render_f(-0.5f, 4, 3),       "****");
  EXPECT_EQ(render_f(1e300, 9, 3),       "*********");
  EXPECT_EQ(render_f(1.0f, 2, 5),        "**");
  EXPECT_EQ(render_f(full_real{100000.5}, 11, 5),     "***********");
  EXPECT_EQ(render_f(full_real{99999.999995}, 11, 5), "***********");  // carries to 100000
  EXPECT_EQ(render_f(full_real{99999.99996}, 11, 5),  "99999.99996");  // a real gives 100000
  EXPECT_EQ(render_f(99999.99996, 11, 5),             "***********");
  EXPECT_EQ(render_f(full_real{-12345.6789}, 11, 5),  "***********");
}

TEST(e_field, has_its_mantissa_between_a_tenth_and_one) {
  EXPECT_EQ(render_e(1.0f, 14, 7),         "  .1000000E+01");
  EXPECT_EQ(render_e(-1.0f, 14, 7),        " -.1000000E+01");
  EXPECT_EQ(render_e(0.0f, 14, 7),         "  .0000000E+00");
  EXPECT_EQ(render_e(-0.00123456f, 14, 7), " -.1234560E-02");
  EXPECT_EQ(render_e(1e-5f, 14, 7),        "  .1000000E-04");  // .99999997E-05 carries
  EXPECT_EQ(render_e(2.0 / 3, 20, 10),     "     .6666667000E+00");
  EXPECT_EQ(render_e(1.0f, 12, 7),         ".1000000E+01");
  EXPECT_EQ(render_e(1.0f, 11, 7),         "***********");
  EXPECT_EQ(render_e(full_real{0.1}, 14, 7),          "  .1000000E+00");
  EXPECT_EQ(render_e(full_real{0.0}, 24, 17),         "  .00000000000000000E+00");
  EXPECT_EQ(render_e(full_real{-0.1}, 23, 17),        "-.10000000000000001E+00");
  EXPECT_EQ(render_e(full_real{-0.1}, 22, 17),        std::string(22, '*'));
  EXPECT_EQ(render_e(full_real{9.999999999999998}, 20, 15), ".100000000000000E+02");
}

TEST(e_field, writes_three_digit_exponents_without_the_letter) {
  EXPECT_EQ(render_e(1e100, 14, 7),          "  .1000000+101");
  EXPECT_EQ(render_e(-1e-101, 14, 7),        " -.1000000-100");
  EXPECT_EQ(render_e(1e-100, 14, 7),         "  .1000000E-99");
  EXPECT_EQ(render_e(1e100, 11, 7),          "***********");
  EXPECT_EQ(render_e(double_max, 14, 7),     "  .1797693+309");
  EXPECT_EQ(render_e(double_tiniest, 14, 7), "  .4940656-323");
  EXPECT_EQ(render_e(full_real{double_max}, 24, 17),     "  .17976931348623157+309");
  EXPECT_EQ(render_e(full_real{-double_tiniest}, 24, 17), " -.49406564584124654-323");
}

// The digits come from a 17-digit string: 115.44335 is stored as 115.443349999999995..., whose
// 17 digits end in 5000000000, which then rounds up.
TEST(real_fields, round_the_17_digit_string_again) {
  EXPECT_EQ(render_e(115.44335, 14, 7),     "  .1154434E+03");
  EXPECT_EQ(render_f(115.44335, 11, 5),     "  115.44340");
  EXPECT_EQ(render_e(5.2856565e-11, 14, 7), "  .5285657E-10");  // tiny: a longer multiplication
  EXPECT_EQ(render_e(2.8992805e-15, 14, 7), "  .2899281E-14");
}

// The digits are worked out differently by size; each way must give the same look.
TEST(real_fields, show_every_size_alike) {
  EXPECT_EQ(render_e(-0.73127151f, 14, 7),     " -.7312715E+00");
  EXPECT_EQ(render_f(-0.73127151f, 11, 5),     "    -.73127");
  EXPECT_EQ(render_e(1.234567e-9f, 14, 7),     "  .1234567E-08");
  EXPECT_EQ(render_e(1.5e-12, 14, 7),          "  .1500000E-11");
  EXPECT_EQ(render_e(1e20, 14, 7),             "  .1000000E+21");
  EXPECT_EQ(render_e(123456789012.0, 14, 7),   "  .1234568E+12");
  EXPECT_EQ(render_e(3.4028235e38f, 14, 7),    "  .3402823E+39");
  EXPECT_EQ(render_e(1.17549435e-38f, 14, 7),  "  .1175494E-37");
  EXPECT_EQ(render_e(1.4e-45f, 14, 7),         "  .1401298E-44");
  EXPECT_EQ(render_e(0.099999994f, 14, 7),     "  .9999999E-01");
  EXPECT_EQ(render_f(0.099999994f, 11, 5),     "     .10000");
  EXPECT_EQ(render_free_real(1234567.5),       " 1234568.000000");
}

TEST(real_fields, show_nan_and_infinities_as_words) {
  EXPECT_EQ(render_f(nan, 9, 3),       "      NaN");
  EXPECT_EQ(render_f(-nan, 9, 3),      "      NaN");
  EXPECT_EQ(render_f(inf, 9, 3),       " Infinity");
  EXPECT_EQ(render_f(-inf, 9, 3),      "-Infinity");
  EXPECT_EQ(render_f(-inf, 8, 3),      "    -Inf");
  EXPECT_EQ(render_f(inf, 3, 1),       "Inf");
  EXPECT_EQ(render_f(-inf, 3, 1),      "***");
  EXPECT_EQ(render_e(nan, 2, 7),       "**");
  EXPECT_EQ(render_free_real(-inf),    "      -Infinity");
  EXPECT_EQ(render_free_real(nan),     "            NaN");
  EXPECT_EQ(render_e(full_real{nan}, 24, 17), "                     NaN");
}

// Up to eight blanks are written as one block that the text then covers.
TEST(put_fields, justify_with_any_number_of_blanks) {
  EXPECT_EQ(render_f(1.0f, 7, 1),      "    1.0");
  EXPECT_EQ(render_f(1.0f, 8, 1),      "     1.0");
  EXPECT_EQ(render_f(1.0f, 11, 1),     "        1.0");
  EXPECT_EQ(render_f(1.0f, 12, 1),     "         1.0");
  EXPECT_EQ(render_f(-1234.5f, 8, 1),  " -1234.5");
  EXPECT_EQ(render_f(-12345.5f, 8, 1), "-12345.5");
  EXPECT_EQ(render_i(-5, 8),           "      -5");
  EXPECT_EQ(render_i(12345678, 8),     "12345678");
  EXPECT_EQ(render_i(7, 9),            "        7");
  EXPECT_EQ(render_e(-1.0f, 13, 7),    "-.1000000E+01");
  EXPECT_EQ(render_f(inf, 16, 1),      "        Infinity");
  EXPECT_EQ(render_f(nan, 11, 1),      "        NaN");
}

TEST(put_fields, write_exactly_their_width) {
  char field[12] = "###########";
  put_fixed(field, 3, 1, 1e300);
  put_exponent(field + 3, 1, 7, -inf);
  put_fixed(field + 4, 0, 3, 1.0);
  put_integer(field + 4, 2, 7);
  EXPECT_STREQ(field, "**** 7#####");
  EXPECT_EQ(render_f(1.0, 0, 0), "");
  EXPECT_EQ(render_e(1.0, -3, 7), "");
}

TEST(free_form, gives_integers_11_columns_and_reals_15) {
  EXPECT_EQ(render_free_integer(5),           "          5");
  EXPECT_EQ(render_free_integer(-2147483648), "-2147483648");
  EXPECT_EQ(render_free_real(-0.0001f),       "  -1.000000E-04");
  EXPECT_EQ(render_free_real(1.0f),           "       1.000000");
  EXPECT_EQ(render_free_real(123.456f),       "     123.456000");
  EXPECT_EQ(render_free_real(-9999999.0f),    "-9999999.000000");
  EXPECT_EQ(render_free_real(0.5f),           "   5.000000E-01");
  EXPECT_EQ(render_free_real(0.99999994f),    "   9.999999E-01");
  EXPECT_EQ(render_free_real(0.0f),           "   0.000000E+00");
  EXPECT_EQ(render_free_real(-0.0f),          "   0.000000E+00");
  EXPECT_EQ(render_free_real(2.5e7f),         "   2.500000E+07");
  EXPECT_EQ(render_free_real(1e100),          "   1.000000+100");
  EXPECT_EQ(render_free_real(1e-100),         "   1.000000-100");
}

// A full real shows 17 significant digits, then zeros, wherever the field has the places.
TEST(full_reals, show_up_to_17_significant_digits) {
  EXPECT_EQ(render_f(full_real{12345.6789}, 11, 5),          "12345.67890");
  EXPECT_EQ(render_f(full_real{0.1}, 22, 20),                " .10000000000000001000");
  EXPECT_EQ(render_f(full_real{12345678901234567.0}, 20, 1), " 12345678901234568.0");
  EXPECT_EQ(render_e(full_real{0.1}, 24, 17),                "  .10000000000000001E+00");
  EXPECT_EQ(render_e(full_real{0.1}, 30, 22),                "   .1000000000000000100000E+00");
  EXPECT_EQ(render_free_real(full_real{0.1}),                "   1.0000000000000001E-01");
  EXPECT_EQ(render_free_real(full_real{1.0}),                "       1.0000000000000000");
}

// The shape follows the value before rounding, so a value that rounds across 1 or 10^7 keeps
// the shape it had.
TEST(free_form, chooses_the_shape_before_rounding) {
  EXPECT_EQ(render_free_real(9999999.5),  "10000000.000000");
  EXPECT_EQ(render_free_real(0.99999999), "   1.000000E+00");
}

// Exact halves at the place a field rounds to go up, away from zero, even where the digit
// before them is even.
TEST(real_fields, round_exact_halves_up) {
  EXPECT_EQ(render_e(1234568.5f, 14, 7),   "  .1234569E+07");
  EXPECT_EQ(render_e(0.125f, 10, 2),       "   .13E+00");
  EXPECT_EQ(render_e(2.5f, 8, 1),          "  .3E+01");
  EXPECT_EQ(render_f(1234568.5f, 10, 0),   "  1234569.");
  EXPECT_EQ(render_f(0.125f, 9, 2),        "      .13");
  EXPECT_EQ(render_f(-0.125f, 9, 2),       "     -.13");
  EXPECT_EQ(render_f(0.5f, 4, 0),          "  1.");
  EXPECT_EQ(render_f(1234.5625f, 11, 3),   "   1234.563");
  EXPECT_EQ(render_f(12345685.0f, 11, 1),  " 12345690.0");  // 7 digits, then a 0
  EXPECT_EQ(render_free_real(1234568.5f),  " 1234569.000000");
  EXPECT_EQ(render_free_real(12345685.0f), "   1.234569E+07");
  EXPECT_EQ(render_free_real(-12345685.0f),"  -1.234569E+07");
}

// Fields wider than any digits a real has still show every place.
TEST(real_fields, fill_wide_fields_with_zeros) {
  EXPECT_EQ(render_f(0.5f, 30, 25),  "    .5000000000000000000000000");
  EXPECT_EQ(render_e(-0.5f, 30, 22), "  -.5000000000000000000000E+00");
  EXPECT_EQ(render_f(1e-20, 30, 25), "    .0000000000000000000100000");
  EXPECT_EQ(render_f(0.5f, 40, 36),  "   .500000000000000000000000000000000000");
  EXPECT_EQ(render_f(1e33, 40, 3),   "  1000000000000000000000000000000000.000");
}

// The common shapes are written by a shorter way than the rest; at the edges of that way, on
// both sides, the look stays the same.
TEST(real_fields, look_alike_at_the_edges_of_the_common_shapes) {
  EXPECT_EQ(render_f(12345678.0, 17, 8),        "12345680.00000000");
  EXPECT_EQ(render_f(123456789.0, 19, 8),       " 123456800.00000000");
  EXPECT_EQ(render_f(1.5f, 12, 9),              " 1.500000000");
  EXPECT_EQ(render_f(-0.5f, 20, 1),             "                 -.5");
  EXPECT_EQ(render_f(-0.5f, 19, 1),             "                -.5");
  EXPECT_EQ(render_f(0.5f, 19, 1),              "                 .5");
  EXPECT_EQ(render_f(0.5f, 18, 1),              "                .5");
  EXPECT_EQ(render_f(0.5f, 24, 7),              "                .5000000");
  EXPECT_EQ(render_f(0.5f, 25, 8),              "                .50000000");
  EXPECT_EQ(render_f(-0.001234567, 11, 8),      " -.00123457");
  EXPECT_EQ(render_f(99.99996f, 11, 5),         "   99.99996");
  EXPECT_EQ(render_f(0.0123456789, 10, 8),      " .01234568");
  EXPECT_EQ(render_e(-1.5f, 20, 7),             "       -.1500000E+01");
  EXPECT_EQ(render_e(-1.5f, 21, 7),             "        -.1500000E+01");
  EXPECT_EQ(render_e(1e98, 14, 7),              "  .1000000E+99");
  EXPECT_EQ(render_e(-9.9999999e98, 14, 7),     " -.1000000+100");
  EXPECT_EQ(render_e(1e-99, 14, 7),             "  .1000000E-98");
  EXPECT_EQ(render_e(-9.99999996e-101, 14, 7),  " -.1000000E-99");
}

// clang-format on

}  // namespace
}  // namespace recio
