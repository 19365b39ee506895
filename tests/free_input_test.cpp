// tests/free_input_test.cpp: numbers as read, and free-form statements over one or more records.
#include "recio/free_input.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <type_traits>

#include "recio/number_parse.hpp"

namespace recio {
namespace {

// A real's bits in hex: 8 digits for a float, 16 for a double.
template <class real>
std::string bits_of(real v) {
  using bits = std::conditional_t<sizeof(real) == 4, std::uint32_t, std::uint64_t>;
  char text[17];
  std::snprintf(text, sizeof text, "%0*llx", static_cast<int>(2 * sizeof(real)),
                static_cast<unsigned long long>(std::bit_cast<bits>(v)));
  return text;
}

// The real's bits in hex, or the error's text.
template <class real = float>
std::string real_of(std::string_view text) {
  real v = 0;
  if (const io_error e = parse_real(text, v); e != io_error::none)
    return std::string(error_text(e));
  return bits_of(v);
}

// The error's text, then per target x when it was filled and . when not: "no error x.x".
std::string outcome(const read_outcome& r, std::size_t targets) {
  std::string s = std::string(error_text(r.error)) + ' ';
  for (std::size_t i = 0; i < targets; ++i) s += (r.filled >> i & 1) != 0 ? 'x' : '.';
  return s;
}

template <class real>
std::string read_three(std::string_view text, std::array<real, 3>& v) {
  record_reader in = record_reader::from_memory(text);
  const std::array<target, 3> targets{&v[0], &v[1], &v[2]};
  return outcome(read_free_from(in, targets), 3);
}

TEST(real_parse, rounds_once_straight_to_single_precision) {
  const std::string tie = "1.000000059604644775390625";  // halfway between 1 and the next float
  // clang-format off
  EXPECT_EQ(real_of("1.5D2"),                               "43160000");
  EXPECT_EQ(real_of("-2.5d-1"),                             "be800000");
  EXPECT_EQ(real_of("+.5e+1"),                              "40a00000");
  EXPECT_EQ(real_of("-0"),                                  "80000000");
  EXPECT_EQ(real_of(tie),                                   "3f800000");  // ties to even
  EXPECT_EQ(real_of(tie + std::string(130, '0') + "1"),     "3f800001");  // a far digit decides
  EXPECT_EQ(real_of("1" + std::string(150, '0') + "e-150"), "3f800000");
  EXPECT_EQ(real_of(std::string(300, '0') + "1.5"),         "3fc00000");
  EXPECT_EQ(real_of("3.4028235e38"),                        "7f7fffff");
  EXPECT_EQ(real_of("7.1e-46"),                             "00000001");
  EXPECT_EQ(real_of("7e-46"),                               "00000000");  // underflow: no error
  EXPECT_EQ(real_of("-1e-999999999999"),                    "80000000");
  EXPECT_EQ(real_of("3.4028236e38"),                        "real out of range");
  EXPECT_EQ(real_of("-1" + std::string(200, '0')),          "real out of range");
  // clang-format on
  for (const char* bad : {"", "+", "-.", ".", "1.5E", "1.5e+", "1..5", "1.5x", "E5", "1e5.5", "--1",
                          " 1", "1 ", "1,5", "inf", "nan", "0x10"})
    EXPECT_EQ(real_of(bad), "invalid real") << '"' << bad << '"';
}

// Short numbers are worked out in double precision; these lie where that could go wrong.
TEST(real_parse, rounds_short_numbers_once_even_near_halfway) {
  // clang-format off
  EXPECT_EQ(real_of("4000.00000"),             "457a0000");
  EXPECT_EQ(real_of("-.7312715E+00"),          "bf3b349c");
  EXPECT_EQ(real_of("1.000000059604644776"),   "3f800001");  // its double is halfway
  EXPECT_EQ(real_of("1.000000059604644775"),   "3f800000");
  EXPECT_EQ(real_of("16777217"),               "4b800000");  // halfway itself: ties to even
  EXPECT_EQ(real_of("16777219"),               "4b800002");
  EXPECT_EQ(real_of("1e22"),                   "64078678");
  EXPECT_EQ(real_of("1e23"),                   "65a96816");
  EXPECT_EQ(real_of("2E30"),                   "71c9f2ca");
  EXPECT_EQ(real_of("1e-22"),                  "1af1c901");
  EXPECT_EQ(real_of("1e-23"),                  "19416d9a");
  EXPECT_EQ(real_of("1.17549435e-38"),         "00800000");
  EXPECT_EQ(real_of("1.1754942e-38"),          "007fffff");
  EXPECT_EQ(real_of("9007199254740993"),       "5a000000");  // past 2^53
  EXPECT_EQ(real_of("1234567890123456789"),    "5d891088");
  EXPECT_EQ(real_of("12345678901234567891"),   "5f2b54aa");  // 20 digits
  EXPECT_EQ(real_of("0000000000000000000001"),  "3f800000");
  EXPECT_EQ(real_of("1.5e0000000002"),         "43160000");
  EXPECT_EQ(real_of("-0.0e5"),                 "80000000");
  EXPECT_EQ(real_of("340282356779733661637539395458142568447"), "7f7fffff");
  // clang-format on
}

// A double read is the double nearest to the whole text.
TEST(real_parse, gives_the_double_nearest_to_the_text) {
  // 2^-98 + 2^-151, halfway between two doubles, has 122 significant digits.
  const std::string tie =
      "3.1554436208840475719715303423354126496252215629151248391466011917851929392670709724477706"
      "714651503716595470905303955078125";
  // clang-format off
  EXPECT_EQ(real_of<double>("0.1"),                    "3fb999999999999a");
  EXPECT_EQ(real_of<double>("12345.6789"),             "40c81cd6e631f8a1");
  EXPECT_EQ(real_of<double>("1D2"),                    "4059000000000000");
  EXPECT_EQ(real_of<double>("9007199254740993"),       "4340000000000000");  // ties to even
  EXPECT_EQ(real_of<double>(tie + "e-30"),             "39d0000000000000");
  EXPECT_EQ(real_of<double>(tie + "1e-30"),            "39d0000000000001");  // a far digit decides
  EXPECT_EQ(real_of<double>("4.9e-324"),               "0000000000000001");
  EXPECT_EQ(real_of<double>("-1e-400"),                "8000000000000000");  // underflow: no error
  EXPECT_EQ(real_of<double>("1.7976931348623159e308"), "real out of range");
  EXPECT_EQ(real_of<double>("-1D400"),                 "real out of range");
  // clang-format on
}

TEST(real_parse, reads_each_reference_value_back_to_its_bits) {
  std::ifstream file(std::string(ZOLKDF_SHARED_DIR) + "/vectors/fields.tsv");
  if (!file) GTEST_SKIP() << "no reference values at " << std::string(ZOLKDF_SHARED_DIR);
  int rows = 0;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t tab = line.find('\t');
    const std::string value = line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
    ASSERT_EQ(real_of(value), line.substr(0, tab)) << value;
    ++rows;
  }
  EXPECT_EQ(rows, 52326);
}

TEST(free_form, separators_nulls_repeats_and_slash) {
  struct row {
    const char* text;
    std::array<float, 3> values;  // each variable starts as 9
    const char* filled;
  };
  // clang-format off
  for (const row& r : {row{"1.5, ,2",            {1.5f, 9, 2},     "x.x"},
                       row{"1 ,2 , 3 4",         {1, 2, 3},        "xxx"},
                       row{"1\t2\t\t 3",         {1, 2, 3},        "xxx"},
                       row{",2,3",               {9, 2, 3},        ".xx"},
                       row{"1,,3",               {1, 9, 3},        "x.x"},
                       row{"1, , ,",             {1, 9, 9},        "x.."},
                       row{"3*0.0",              {0, 0, 0},        "xxx"},
                       row{"2*5 6",              {5, 5, 6},        "xxx"},
                       row{"2*, 7",              {9, 9, 7},        "..x"},
                       row{"1 2* 7",             {1, 9, 9},        "x.."},
                       row{"1.5/ 2 3",           {1.5f, 9, 9},     "x.."},
                       row{"/",                  {9, 9, 9},        "..."},
                       row{"1.5D2 -2.5d-1 +3E0", {150, -0.25f, 3}, "xxx"},
                       row{"1 1e-50 -7e-46",     {1, 0, -0.0f},    "xxx"},
                       row{"1.5,2.5,3",          {1.5f, 2.5f, 3},  "xxx"},
                       row{"1\t2,3 ",            {1, 2, 3},        "xxx"},
                       row{"1.5/2 3",            {1.5f, 9, 9},     "x.."},
                       row{"2*1.5 3",            {1.5f, 1.5f, 3},  "xxx"},
                       row{"1.5E2,-2.5d-1/",     {150, -0.25f, 9}, "xx."}}) {
    // clang-format on
    std::array<float, 3> v{9, 9, 9};
    EXPECT_EQ(read_three(r.text, v), std::string("no error ") + r.filled) << r.text;
    EXPECT_EQ(v, r.values) << r.text;
  }
}

// Plain numbers in a record are read on a shorter way than parse_real; both must agree to the
// bit, whatever ends the number.
TEST(free_form, reals_come_out_as_parse_real_gives_them) {
  // clang-format off
  for (const std::string number : {"4000.00000", "-7.3127151E-01", "+.5e+1", "-0", "0.0e5", "7.",
                                   "1.000000059604644776", "1.000000059604644775", "16777217",
                                   "16777219", "9007199254740993", "1234567890123456789",
                                   "12345678901234567891", "0000000000000000000001", "1e22",
                                   "1e23", "2E30", "1e-22", "1e-23", "1.5e0002", "1.5e00002",
                                   "1.17549435e-38", "1.1754942e-38", "7.1e-46", "1e-50",
                                   "3.4028235e38", "3.4028235D+38", "1.5d-0001", "3.4028236e38",
                                   "1.5E", "1.5x", "--1", "0.1", "12345.6789", "4.9e-324",
                                   "1e-400", "1.7976931348623159e308"}) {
    // clang-format on
    const std::string want = real_of(number);
    const std::string want_double = real_of<double>(number);
    for (const std::string end : {"", " 2", "\t2", ",2", "/2", " ,2", "\n2", "  2 "}) {
      const std::string text = number + end;
      std::array<float, 3> v{9, 9, 9};
      const std::string read = read_three(text, v);
      std::array<double, 3> d{9, 9, 9};
      const std::string read_double = read_three(text, d);
      if (want_double.size() != 16)
        EXPECT_EQ(read_double, want_double + " ...") << text;
      else
        EXPECT_EQ(bits_of(d[0]), want_double) << text;
      if (want.size() != 8) {  // an error's text
        EXPECT_EQ(read, want + " ...") << text;
        continue;
      }
      const char* const filled = end.empty()     ? "end of file encountered x.."
                                 : end[0] == '/' ? "no error x.."
                                                 : "end of file encountered xx.";
      EXPECT_EQ(read, filled) << text;
      char bits[9];
      std::snprintf(bits, sizeof bits, "%08x", std::bit_cast<std::uint32_t>(v[0]));
      EXPECT_EQ(bits, want) << text;
    }
  }
}

TEST(free_form, doubles_take_repeats_and_refuse_quoted_texts) {
  std::array<double, 3> v{9, 9, 9};
  EXPECT_EQ(read_three("2*0.1, 1D2", v), "no error xxx");
  EXPECT_EQ(v, (std::array<double, 3>{0.1, 0.1, 100}));
  EXPECT_EQ(read_three("1 '2' 3", v), "invalid real x..");
}

TEST(free_form, end_of_input_and_bad_values_keep_what_was_read) {
  // clang-format off
  for (const auto& [text, want] : std::initializer_list<std::pair<const char*, const char*>>{
           {"",             "end of file encountered ..."},
           {"\n  \n",       "end of file encountered ..."},
           {"1,\n,\n",      "end of file encountered x.."},
           {"1\n2 ",        "end of file encountered xx."},
           {"1 abc",        "invalid real x.."},
           {"1 '2.5'",      "invalid real x.."},
           {"1 2.5'x' 3",   "invalid real x.."},
           {"1 2.5* 3",     "invalid real x.."},
           {"1 2.5.5",      "invalid real x.."},
           {"1 2 1e39",     "real out of range xx."},
           {"0*1 2",        "invalid integer ..."}}) {
    // clang-format on
    std::array<float, 3> v{9, 9, 9};
    EXPECT_EQ(read_three(text, v), want) << text;
    EXPECT_EQ(v[2], 9) << text;
  }
}

TEST(free_form, integers_keep_within_their_variable) {
  // clang-format off
  for (const auto& [text, want] : std::initializer_list<std::pair<const char*, const char*>>{
           {"-32768 -2147483648", "no error xx"},
           {"+32767 2147483647",  "no error xx"},
           {"32768 0",            "integer out of range .."},
           {"0 -2147483649",      "integer out of range x."},
           {"0 99999999999999999999999", "integer out of range x."},
           {"2.5 0",              "invalid integer .."},
           {"1e3 0",              "invalid integer .."},
           {"'5' 0",              "invalid integer .."}}) {
    // clang-format on
    std::int16_t i = 0;
    std::int32_t j = 0;
    record_reader in = record_reader::from_memory(text);
    const std::array<target, 2> targets{&i, &j};
    EXPECT_EQ(outcome(read_free_from(in, targets), 2), want) << text;
  }
}

TEST(free_form, texts_quoted_or_as_one_word) {
  // clang-format off
  for (const auto& [text, want] : std::initializer_list<std::pair<const char*, const char*>>{
           {"my file.xy",           "my          "},  // unquoted, the blank ends it
           {"'my file.xy' 2",       "my file.xy  "},
           {"\"a,b/c\",d",          "a,b/c       "},
           {"'it''s'",              "it's        "},
           {"'abcdefghijklmnop'",   "abcdefghijkl"},
           {"'unclosed at the end", "unclosed at "},
           {"''",                   "            "},
           {"ab/cd",                "ab          "},
           {"\tx,y",                "x           "}}) {
    // clang-format on
    fixed_text<12> name;
    record_reader in = record_reader::from_memory(text);
    const std::array<target, 1> targets{name.ref()};
    EXPECT_EQ(outcome(read_free_from(in, targets), 1), "no error x") << text;
    EXPECT_EQ(name.view(), want) << text;
  }
}

TEST(free_form, takes_values_from_as_many_records_as_needed_and_skips_the_rest) {
  record_reader in = record_reader::from_memory(
      "sample1.xy 2\n\n  'my file.spc'\n6 extra words\n1 2 3\n4 5,\n6\n");
  fixed_text<12> input, output;
  std::int32_t input_code = 0, output_code = 0;
  const std::array<target, 4> entry{input.ref(), &input_code, output.ref(), &output_code};
  EXPECT_EQ(outcome(read_free_from(in, entry), 4), "no error xxxx");
  EXPECT_EQ(input.view(), "sample1.xy  ");
  EXPECT_EQ(output.view(), "my file.spc ");
  EXPECT_EQ(input_code * 10 + output_code, 26);
  float x = 0, y = 0;
  const std::array<target, 2> point{&x, &y};
  EXPECT_EQ(outcome(read_free_from(in, point), 2), "no error xx");
  EXPECT_EQ(x * 10 + y, 12);  // the 3 goes with its record
  EXPECT_EQ(outcome(read_free_from(in, point), 2), "no error xx");
  EXPECT_EQ(x * 10 + y, 45);  // the comma ends the record, not a null in front of the 6
  EXPECT_EQ(outcome(read_free_from(in, point), 2), "end of file encountered x.");
  EXPECT_EQ(outcome(read_free_from(in, point), 2), "end of file encountered ..");
}

// A number read up to the end of its record comes out the same whatever ends the record: a line
// end, CR LF, a byte 26, or the end of the input.
TEST(free_form, numbers_at_the_record_end_read_alike_however_the_record_ends) {
  for (const std::string_view record :
       {"4000.00000  -7.3127151E-01", "1.", "2.5E", "3E+", "4D-", "-", "+.", "5e12", "6  7 ",
        "12345678901234567890", "8\t9", "1.5x", "2*3.25", "0.1 0.2 0.3"}) {
    std::string want;
    for (const std::string_view ending : {"", "\n", "\r\n", "\x1a", "\r\x1a"}) {
      std::string text(record);
      text.append(ending);
      std::array<float, 3> v{-1.0f, -1.0f, -1.0f};
      std::string got = read_three(text, v);
      std::array<char, 40> bits{};
      std::snprintf(bits.data(), bits.size(), " %08x %08x %08x", std::bit_cast<std::uint32_t>(v[0]),
                    std::bit_cast<std::uint32_t>(v[1]), std::bit_cast<std::uint32_t>(v[2]));
      got += bits.data();
      if (ending.empty()) want = got;
      EXPECT_EQ(got, want) << record << " ending " << ending.size();
    }
  }
}

// A keyboard line is read only when a value is still needed. The pipe stays open with nothing
// more in it, so reading on fails at once instead of waiting for the next line.
TEST(free_form, reads_nothing_past_the_record_of_the_last_value) {
#ifdef _WIN32
  GTEST_SKIP() << "the C runtime on Windows has no pipe that fails a read instead of waiting";
#else
  // clang-format off
  for (const auto& [typed, want] : std::initializer_list<std::pair<const char*, const char*>>{
           {"1\n",      "read error x."},  // the second value must come from the next line
           {"1,\n",     "read error x."},
           {"3 4,\n",   "no error xx"},
           {"8 9/\n",   "no error xx"},
           {"10 2*\n",  "no error x."},
           {"11 2*1\n", "no error xx"}}) {
    // clang-format on
    std::array<int, 2> ends{};
    ASSERT_EQ(::pipe(ends.data()), 0);
    ASSERT_EQ(::fcntl(ends[0], F_SETFL, O_NONBLOCK), 0);
    ASSERT_GT(::write(ends[1], typed, std::strlen(typed)), 0);
    std::array<char, 64> buffer{};
    record_reader in = record_reader::from_fd(ends[0], buffer);
    float a = 0, b = 0;
    const std::array<target, 2> two{&a, &b};
    const read_outcome out = read_free_from(in, two);
    EXPECT_EQ(outcome(out, 2), want) << typed;
    EXPECT_EQ(in.read_failed, out.error == io_error::read_failed) << typed;
    ::close(ends[0]);
    ::close(ends[1]);
  }
#endif
}

}  // namespace
}  // namespace recio
