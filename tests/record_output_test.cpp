// tests/record_output_test.cpp: records built from layouts and free-form, and writes into text
// variables.
#include "recio/record_output.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "recio/recio.hpp"

namespace {

using recio::full_real;
using recio::layout;
using recio::value;

void collect(void* context, std::string_view record) {
  static_cast<std::vector<std::string>*>(context)->emplace_back(record);
}

std::vector<std::string> layout_records(const layout& l, std::initializer_list<value> values) {
  std::vector<std::string> records;
  recio::build_layout_records(l, {values.begin(), values.size()}, {collect, &records});
  return records;
}

std::vector<std::string> free_records(std::initializer_list<value> values) {
  std::vector<std::string> records;
  recio::build_free_records({values.begin(), values.size()}, {collect, &records});
  return records;
}

using records = std::vector<std::string>;

TEST(layout_write, ends_the_record_at_the_first_field_without_a_value) {
  constexpr layout six_columns{"(3(F9.3,1X,E14.7,10X))"};
  const std::string point1 = " 4000.000   .1000000E+01";
  const std::string point2 = " 3999.000  -.2500000E+00";
  const std::string point3 = "    1.500   .0000000E+00";
  const std::string gap(10, ' ');
  EXPECT_EQ(layout_records(six_columns, {4000.0f, 1.0f, 3999.0f, -0.25f, 1.5f, 0.0f}),
            records{point1 + gap + point2 + gap + point3});
  EXPECT_EQ(layout_records(six_columns, {4000.0f, 1.0f, 3999.0f, -0.25f}),
            records{point1 + gap + point2});
  EXPECT_EQ(layout_records(six_columns, {4000.0f, 1.0f}), records{point1});
  EXPECT_EQ(layout_records(six_columns, {4000.0f, 1.0f})[0].size(), 24u);
}

TEST(layout_write, writes_record_ends_and_empty_records_as_one_blank) {
  constexpr layout framed{"(/'  Limited to ',I6,' points.'/'  No output'/)"};
  EXPECT_EQ(layout_records(framed, {131072}),
            (records{" ", "  Limited to 131072 points.", "  No output", " "}));
  constexpr layout texts_only{"(' a'/' b')"};
  EXPECT_EQ(layout_records(texts_only, {}), (records{" a", " b"}));
  constexpr layout value_first{"(A)"};
  EXPECT_EQ(layout_records(value_first, {}), records{" "});
  constexpr layout xy{"(F11.5,2X,E14.7)"};
  EXPECT_EQ(layout_records(xy, {4000.0f, 1.0f}), records{" 4000.00000    .1000000E+01"});
  EXPECT_EQ(layout_records(xy, {4000.0f, 1.0f, 3000.0f, 2.0f}),
            (records{" 4000.00000    .1000000E+01", " 3000.00000    .2000000E+01"}));
}

TEST(layout_write, places_texts_and_blanks) {
  constexpr layout named{"(' File ',A12,' read')"};
  EXPECT_EQ(layout_records(named, {"name.xy     "}), records{" File name.xy      read"});
  constexpr layout narrow{"(A3,'|',A5,'|')"};
  EXPECT_EQ(layout_records(narrow, {"abcdef", "ab"}), records{"abc|   ab|"});
  constexpr layout trailing_blanks{"(I2,3X,I2,10X)"};
  EXPECT_EQ(layout_records(trailing_blanks, {1, 2}), records{" 1    2"});
  constexpr layout quoted{"('it''s',1X,\"a \"\"b\"\"\")"};
  EXPECT_EQ(layout_records(quoted, {}), records{"it's a \"b\""});
}

TEST(layout_write, turns_each_kind_of_value_into_each_kind_of_field) {
  constexpr layout mixed{"(I3,F6.1,F6.1,E12.4,I3)"};
  EXPECT_EQ(layout_records(mixed, {2.7f, 3, 1.5, -2.5f, -7.9}),
            records{"  2   3.0   1.5  -.2500E+01 -7"});
  constexpr layout full{"(I3,F11.5,E24.17,F6.1)"};
  EXPECT_EQ(layout_records(full, {full_real{-7.9}, full_real{12345.6789}, full_real{0.1}, 2}),
            records{" -712345.67890  .10000000000000001E+00   2.0"});
}

TEST(layout_write, shows_asterisks_for_a_real_that_no_integer_field_holds) {
  constexpr layout integer{"(I6)"};
  constexpr float infinity = std::numeric_limits<float>::infinity();
  EXPECT_EQ(layout_records(integer, {std::numeric_limits<float>::quiet_NaN()}), records{"******"});
  EXPECT_EQ(layout_records(integer, {infinity}), records{"******"});
  EXPECT_EQ(layout_records(integer, {-infinity}), records{"******"});
  EXPECT_EQ(layout_records(integer, {1e30f}), records{"******"});
  EXPECT_EQ(layout_records(integer, {-1e300}), records{"******"});
  EXPECT_EQ(layout_records(integer, {-99999.9f}), records{"-99999"});
}

TEST(layout_write, places_any_number_of_blanks) {
  constexpr layout spaced{"(I1,8X,I1,9X,I1,1X,'|',16X,I1)"};
  EXPECT_EQ(layout_records(spaced, {1, 2, 3, 4}),
            records{"1        2         3 |                4"});
  constexpr layout blanks_first{"(8X,I1/3X,I2)"};
  EXPECT_EQ(layout_records(blanks_first, {5, 6}), (records{"        5", "    6"}));
}

TEST(layout_write, knows_the_layouts_made_only_of_numbers_and_blanks) {
  static_assert(layout{"(F11.5,2X,E14.7)"}.number_width() == 27);
  static_assert(layout{"(3(F9.3,1X,E14.7,10X))"}.number_width() == 102);
  static_assert(layout{"(1X,I6)"}.number_width() == 7);
  static_assert(layout{"(2X)"}.number_width() == 0);
  static_assert(layout{"(I6,A)"}.number_width() == 0);
  static_assert(layout{"(I6,' a')"}.number_width() == 0);
  static_assert(layout{"(F9.3/F9.3)"}.number_width() == 0);
}

TEST(layout_write, starts_a_layout_of_numbers_again_for_the_values_left) {
  constexpr layout pairs{"(12X,I2,10X,I2,20X)"};
  const std::string blanks12(12, ' ');
  const std::string blanks10(10, ' ');
  EXPECT_EQ(layout_records(pairs, {1, 2, 3, 4, 5}),
            (records{blanks12 + " 1" + blanks10 + " 2", blanks12 + " 3" + blanks10 + " 4",
                     blanks12 + " 5"}));
  EXPECT_EQ(layout_records(pairs, {}), records{" "});
  constexpr layout one{"(1X,E14.7)"};
  EXPECT_EQ(layout_records(one, {0.5f, -2.0}), (records{"   .5000000E+00", "  -.2000000E+01"}));
}

TEST(layout_write, cuts_a_record_wider_than_any_record) {
  constexpr layout wide{"(30(200X,I1))"};
  const records r = layout_records(
      wide, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21});
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].size(), recio::max_record);
  EXPECT_EQ(r[0].substr(200, 2), "1 ");
  EXPECT_EQ(r[0].substr(4020), std::string(75, ' ') + "*");
}

TEST(layout_write, into_a_text_variable_fills_from_the_left_and_pads) {
  constexpr layout resolution{"(F4.1,I1,3X)"};
  recio::fixed_text<8> text;
  recio::write(text.ref(), resolution, {4.0f, 0});
  EXPECT_EQ(std::string(text.view()), " 4.00   ");
  recio::write(text.ref(), resolution, {0.0f, 0});
  EXPECT_EQ(std::string(text.view()), "  .00   ");
}

TEST(free_write, lays_out_texts_and_numbers) {
  EXPECT_EQ(free_records({}), records{" "});
  EXPECT_EQ(free_records({"  ", "K", " entered"}), records{"   K entered"});
  EXPECT_EQ(free_records({"PUTCHAN:  UNIT ", 5, " WAS NOT OPEN. "}),
            records{" PUTCHAN:  UNIT           5 WAS NOT OPEN. "});
  EXPECT_EQ(free_records({1, 2}), records{"           1           2"});
  EXPECT_EQ(free_records({" Calculated last X minus read XEP = ", 0.0f}),
            records{"  Calculated last X minus read XEP =    0.000000E+00"});
  EXPECT_EQ(free_records({1.0f, -2.5f}), records{"        1.000000       -2.500000"});
  EXPECT_EQ(free_records({1, full_real{0.1}, 1.0}),
            records{"           1    1.0000000000000001E-01        1.000000"});
}

TEST(free_write, moves_a_number_that_does_not_fit_and_splits_a_long_text) {
  // Five reals fill 80 columns (the leading blank, 15, then 16 each); a sixth starts a record.
  const auto five = free_records({1.0f, 2.0f, 3.0f, 4.0f, 5.0f});
  ASSERT_EQ(five.size(), 1u);
  EXPECT_EQ(five[0].size(), 80u);
  EXPECT_EQ(free_records({1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f})[1], "        6.000000");
  const std::string long_text(100, 'x');
  EXPECT_EQ(free_records({long_text}),
            (records{" " + std::string(79, 'x'), " " + std::string(21, 'x')}));
  EXPECT_EQ(free_records({std::string(70, 'x'), 7}),
            (records{" " + std::string(70, 'x'), "           7"}));
}

// fits must say what writing shows: no field of asterisks. Values are taken near the edges of
// what each field holds, as each kind of value.
TEST(layout_fit, agrees_with_what_writing_shows) {
  constexpr layout fields[] = {layout{"(F11.5)"}, layout{"(F9.3)"}, layout{"(F4.1)"},
                               layout{"(F3.0)"},  layout{"(F2.1)"}, layout{"(F1.0)"},
                               layout{"(E12.7)"}, layout{"(E7.2)"}, layout{"(E5.0)"},
                               layout{"(I3)"},    layout{"(A2)"}};
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double inf = std::numeric_limits<double>::infinity();
  for (const double v :
       {0.0,       -0.0,        0.04,         0.4,       0.6,         0.96,        9.6,
        9.94,      9.96,        99.5,         99.94,     99.96,       99.996,      899.99,
        900.0,     999.996,     999.9996,     9999.9996, 9999.999994, 9999.999996, 99999.96,
        99999.996, 99999.99996, 99999.999995, 100000.0,  1e30,        nan,         inf}) {
    for (const double signed_v : {v, -v}) {
      for (const value& written :
           {value{full_real{signed_v}}, value{signed_v}, value{static_cast<float>(signed_v)}}) {
        for (const layout& l : fields) {
          const std::string shown = layout_records(l, {written})[0];
          EXPECT_EQ(recio::fits(l, {&written, 1}), shown.find('*') == std::string::npos)
              << signed_v << " as kind " << written.index() << ": [" << shown << "]";
        }
      }
    }
  }
}

TEST(layout_fit, takes_the_layout_again_for_the_values_left) {
  constexpr layout xy{"(F11.5,2X,E14.7)"};
  const std::vector<value> second_fails{1.0f, 1.0f, full_real{-10000.0}, 1.0f};
  EXPECT_FALSE(recio::fits(xy, second_fails));
  EXPECT_TRUE(recio::fits(xy, {second_fails.data(), 2}));
  EXPECT_TRUE(recio::fits(layout{"(' x')"}, second_fails));  // no field takes a value
}

}  // namespace
