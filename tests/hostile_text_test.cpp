// tests/hostile_text_test.cpp: texts from files and names of files that would steer a terminal,
// shown escaped and cut; CSV outputs whose labels hold quotes, separators and line ends read back;
// `info` that cannot write its output fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::run_zolkdf;
using test_support::visible;
using test_support::write_file;

const fs::path examples = fs::path(ZOLKDF_TEST_DIR) / ".." / "examples";

struct hostile_case {
  std::string name, bytes, err;  // the input, and the whole of standard error
};

TEST(hostile_text, reaches_the_terminal_escaped_and_cut) {
  std::string utf16 = "\xFF\xFE";
  for (const char c : std::string{"x,y\n1,2\n"}) utf16 += std::string{c} + '\0';
  std::vector<hostile_case> cases = {
      {"esc.csv", "x,y\n1,2\n3,a\x1B[31mred\r\n",
       "zolkdf: esc.csv: line 3: column 2: \"a\\x1B[31mred\" is not a number\n"},
      {"long.csv", "x,y\n1," + std::string(1'000'000, 'A') + "\n",
       "zolkdf: long.csv: line 2: column 2: \"" + std::string(199, 'A') +
           "\u2026\" is not a number\n"},
      {"utf16.csv", utf16, "zolkdf: utf16.csv: the file is UTF-16; save it as UTF-8\n"}};
#ifndef _WIN32
  // Names of files may hold any byte but '/' and NUL here.
  cases.push_back({"a\x1B[2J\r\nb\xFF.xy", read_file(examples / "sample.xy"),
                   "zolkdf: a\\x1B[2J\\r\\nb\\xFF.xy -> a\\x1B[2J\\r\\nb\\xFF.y\n"});
#endif
  for (const hostile_case& c : cases) {
    const test_support::scratch s{"hostile-text"};
    write_file(s.work / c.name, c.bytes);
    const bool csv = c.name.ends_with(".csv");
    const auto run = run_zolkdf(s.work, "",
                                csv ? std::vector<std::string>{"info", c.name}
                                    : std::vector<std::string>{"convert", "-v", "-t", "y", c.name});
    EXPECT_EQ(visible(run.err), visible(c.err)) << c.name;
  }
}

TEST(csv_output, reads_back_labels_with_quotes_separators_and_line_ends) {
  const test_support::scratch s{"csv-labels"};
  // An SPC file whose x axis label, given as text, holds a line end and a quote.
  std::string spc = read_file(examples / "new.spc");
  spc[0] = static_cast<char>(spc[0] | 0x20);  // ftflags: axis labels as text
  spc.replace(218, 7, "a\r\nb\"c,");
  write_file(s.work / "label.spc", spc);
  // A JCAMP-DX file whose x unit is longer than any record of the dialogue.
  const std::string unit = "\"," + std::string(5000, 'u');
  write_file(s.work / "long.jdx", "##TITLE=t\n##JCAMP-DX=4.24\n##XUNITS=" + unit +
                                      "\n##YUNITS=ABSORBANCE\n##FIRSTX=1\n##LASTX=2\n##DELTAX=1\n"
                                      "##XFACTOR=1\n##YFACTOR=1\n##NPOINTS=2\n"
                                      "##XYDATA=(X++(Y..Y))\n1 5 6\n##END=\n");
  const auto made = run_zolkdf(s.work, "", {"convert", "-t", "csv", "label.spc", "long.jdx"});
  EXPECT_EQ(made.status, 0) << made.err;
  const struct {
    const char* table;
    std::string header;
    std::string unit_line;
  } tables[] = {
      {"label.csv", "\"x [a b\"\"c,]\",y [Arbitrary Intensity]\r\n", "  x unit: a b\"c,\n"},
      {"long.csv", "\"x [\"\"," + std::string(5000, 'u') + "]\",y [Absorbance]\r\n1,5\r\n2,6\r\n",
       "  x unit: \"," + std::string(997, 'u') + "\u2026\n"},
  };
  for (const auto& t : tables) {
    EXPECT_EQ(read_file(s.work / t.table).substr(0, t.header.size()), t.header) << t.table;
    const auto back = run_zolkdf(s.work, "", {"info", t.table});
    EXPECT_EQ(back.status, 0) << back.err;
    EXPECT_NE(back.out.find(t.unit_line), std::string::npos) << back.out;
  }
}

#ifndef _WIN32
TEST(info_output, fails_when_standard_output_cannot_be_written) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const test_support::scratch s{"info-full"};
  fs::copy(examples / "sample.xy", s.work / "sample.xy");
  for (const std::string json : {"", "--json "}) {
    const std::string command = "cd '" + s.work.string() + "' && '" ZOLKDF_BINARY "' info " + json +
                                "sample.xy >/dev/full 2>err";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << json << status;
    EXPECT_EQ(read_file(s.work / "err"), "zolkdf: standard output: cannot write: write error\n");
  }
}
#endif

}  // namespace
