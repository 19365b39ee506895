// tests/layout_input_test.cpp: reading records through layouts: texts, number fields, records.
#include "recio/layout_input.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>

namespace {

using recio::layout;
using recio::read_outcome;
using recio::record_reader;
using recio::target;

std::string error_of(const read_outcome& r) { return std::string(recio::error_text(r.error)); }

template <std::size_t n>
std::string text_read(const layout& l, std::string_view record) {
  recio::fixed_text<n> t;
  record_reader in = record_reader::from_memory(record);
  const std::array<target, 1> targets{t.ref()};
  const read_outcome out = recio::read_layout_from(in, l, targets);
  EXPECT_EQ(out.filled, 1u);
  return std::string(t.view());
}

// The value read, or the error.
template <class real = float>
std::string real_read(const layout& l, std::string_view record) {
  real v = -1;
  record_reader in = record_reader::from_memory(record);
  const std::array<target, 1> targets{&v};
  const read_outcome out = recio::read_layout_from(in, l, targets);
  return out.error != recio::io_error::none ? error_of(out) : std::to_string(v);
}

TEST(text_field, takes_its_columns_and_pads_with_blanks) {
  constexpr layout a{"(A)"}, a1{"(A1)"}, a5{"(A5)"}, a10{"(A10)"}, a12{"(A12)"};
  // clang-format off
  EXPECT_EQ(text_read<12>(a12, "sample.xy"),         "sample.xy   ");
  EXPECT_EQ(text_read<12>(a12, "averylongname.spc"), "averylongnam");
  EXPECT_EQ(text_read<12>(a,   "averylongname.spc"), "averylongnam");
  EXPECT_EQ(text_read<12>(a12, "\n"),                "            ");
  EXPECT_EQ(text_read<1>(a1,   "Yes"),               "Y");
  EXPECT_EQ(text_read<8>(a5,   "abcdefghij"),        "abcde   ");
  EXPECT_EQ(text_read<4>(a10,  "abcdefghijkl"),      "ghij");  // the rightmost 4 of the 10
  EXPECT_EQ(text_read<4>(a10,  "abcdefgh"),          "gh  ");  // the record ends inside
  // clang-format on
}

TEST(number_field, blanks_commas_and_implied_decimals) {
  constexpr layout f41{"(F4.1)"}, f43{"(F4.3)"}, e10{"(E10.2)"}, f20{"(F20.1)"};
  // clang-format off
  EXPECT_EQ(real_read(f41, "15"),         "1.500000");
  EXPECT_EQ(real_read(f41, "  15"),       "1.500000");
  EXPECT_EQ(real_read(f41, "1 5 "),       "1.500000");
  EXPECT_EQ(real_read(f41, "-15"),        "-1.500000");
  EXPECT_EQ(real_read(f41, "4.0 0   "),   "4.000000");  // an SPC resolution text
  EXPECT_EQ(real_read(f41, "15000"),      "150.000000");  // the fifth column is not in the field
  EXPECT_EQ(real_read(f41, "    0   "),   "0.000000");
  EXPECT_EQ(real_read(f41, "\n"),         "0.000000");
  EXPECT_EQ(real_read(f41, "1E2"),        "10.000000");
  EXPECT_EQ(real_read(f41, "5,99"),       "0.500000");
  EXPECT_EQ(real_read(f43, "5"),          "0.005000");
  EXPECT_EQ(real_read(e10, " 1.5D+02"),   "150.000000");
  EXPECT_EQ(real_read(e10, "12345E-2"),   "1.234500");  // 123.45E-2
  EXPECT_EQ(real_read(f20, "1" + std::string(19, '0')), "999999984306749440.000000");
  EXPECT_EQ(real_read(e10, "  9.9E99"),   "real out of range");
  EXPECT_EQ(real_read(f41, "1.5x"),       "invalid real");
  EXPECT_EQ(real_read(f41, "-"),          "invalid real");
  EXPECT_EQ(real_read(f41, "\x1b\x02\x03"), "invalid real");
  EXPECT_EQ(real_read<double>(f20, "12345.6789"), "12345.678900");  // a float: 12345.678711
  EXPECT_EQ(real_read<double>(f41, "15"),         "1.500000");
  EXPECT_EQ(real_read<double>(e10, " 1.0E400"),   "real out of range");
  // clang-format on
}

TEST(layout_read, fields_in_order_over_records) {
  constexpr layout two{"(I5,F10.2)"}, skip{"(' x=',2X,I2,1X,I3)"}, one{"(I6)"}, rows{"(I6/I6)"};
  std::int16_t i = -1, k = -1;
  std::int32_t j = -1;
  float x = -1;
  const std::array<target, 2> ix{&i, &x}, ik{&i, &k}, jk{&j, &k};
  record_reader in =
      record_reader::from_memory("12,2.25,\n  7   3.5\nxx42 123\n11\n22\n40000\n1.5\n99999\n");
  EXPECT_EQ(error_of(recio::read_layout_from(in, two, ix)), "no error");
  EXPECT_EQ((std::pair{i, x}), (std::pair<std::int16_t, float>{12, 2.25f}));
  EXPECT_EQ(error_of(recio::read_layout_from(in, two, ix)), "no error");
  EXPECT_EQ((std::pair{i, x}), (std::pair<std::int16_t, float>{7, 3.5f}));
  EXPECT_EQ(error_of(recio::read_layout_from(in, skip, ik)), "no error");
  EXPECT_EQ((std::pair{i, k}), (std::pair<std::int16_t, std::int16_t>{42, 123}));
  EXPECT_EQ(error_of(recio::read_layout_from(in, rows, ik)), "no error");
  EXPECT_EQ((std::pair{i, k}), (std::pair<std::int16_t, std::int16_t>{11, 22}));
  EXPECT_EQ(error_of(recio::read_layout_from(in, one, ik)), "integer out of range");
  EXPECT_EQ(error_of(recio::read_layout_from(in, one, ik)), "invalid integer");
  const read_outcome cut = recio::read_layout_from(in, rows, jk);  // the input ends at the "/"
  EXPECT_EQ(error_of(cut), "end of file encountered");
  EXPECT_EQ(cut.filled, 1u);
  EXPECT_EQ(j, 99999);
  EXPECT_EQ(error_of(recio::read_layout_from(in, two, ix)), "end of file encountered");
  EXPECT_EQ((std::pair{i, k}), (std::pair<std::int16_t, std::int16_t>{11, 22}));
}

}  // namespace
