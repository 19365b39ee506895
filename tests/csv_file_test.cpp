// tests/csv_file_test.cpp: reading CSV files as spreadsheets export them, telling them from other
// text files, and writing them so that they read back to the same values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "csv/csv.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/scratch_test.hpp"

namespace {

spectrum::byte_view bytes_of(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

struct read_result {
  spectrum::document doc;
  spectrum::outcome trouble;
};

read_result read_text(const std::string& text, int x_column = 1, int y_column = 2) {
  read_result r;
  r.trouble = csv::read_file({bytes_of(text), "in.csv"}, {x_column, y_column}, r.doc);
  return r;
}

using values = std::vector<double>;

TEST(csv_reading, takes_what_spreadsheets_export) {
  // A header, comments, semicolons and decimal commas, blank lines, a quoted field.
  const read_result semicolons = read_text(
      "# exported 2026-11-03\r\nWavenumber "
      "[1/cm];Absorbance\r\n\r\n4000;0,5\r\n3999,5;\"-1,25\"\r\n"
      "# a note\r\n3999;1e-3\r\n");
  ASSERT_FALSE(semicolons.trouble) << semicolons.trouble->reason;
  const spectrum::spectrum& t = semicolons.doc.spectra.at(0);
  EXPECT_EQ(t.x, (values{4000, 3999.5f, 3999}));
  EXPECT_EQ(t.y, (values{0.5, -1.25, 0.001}));
  EXPECT_FALSE(t.x_stored);  // evenly spaced, as far as the file prints them
  EXPECT_EQ(semicolons.doc.x_unit.code, 1);  // a unit's name gives its code
  EXPECT_EQ(semicolons.doc.x_unit.name, "Wavenumber (cm-1)");
  EXPECT_EQ(semicolons.doc.format, "csv");
  EXPECT_EQ(std::get<std::string>(semicolons.doc.facts.at(0).value), ";");
  EXPECT_EQ(std::get<std::int64_t>(semicolons.doc.facts.at(2).value), 3);

  // Tabs and three columns: the first two unless others are asked for.
  const std::string tabs = "x\ty1\ty2\n1\t2\t3,5\n4\t5\t6\n";
  EXPECT_EQ(read_text(tabs).doc.spectra.at(0).y, (values{2, 5}));
  EXPECT_EQ(read_text(tabs, 1, 3).doc.spectra.at(0).y, (values{3.5f, 6}));
  EXPECT_EQ(read_text(tabs, 3, 1).doc.spectra.at(0).x, (values{3.5f, 6}));

  // Commas: a plain table, no header.
  const read_result commas = read_text("1,2\n3,-4.5E2\n");
  EXPECT_EQ(commas.doc.spectra.at(0).y, (values{2, -450}));
  EXPECT_FALSE(std::get<bool>(commas.doc.facts.at(1).value));  // no header
  // Tabs without a header: decimal commas from the first row on, and a sign written out.
  const read_result bare_tabs = read_text("+1\t2,5\n3\t-4\n");
  EXPECT_EQ(bare_tabs.doc.spectra.at(0).x, (values{1, 3}));
  EXPECT_EQ(bare_tabs.doc.spectra.at(0).y, (values{2.5f, -4}));
}

TEST(csv_reading, refuses_what_is_not_numbers_with_the_line) {
  const struct {
    std::string text;
    int y_column;
    std::int64_t line;
    std::string reason;
  } cases[] = {
      {"x;y\n1;2\ntotal;3\n", 2, 3, "column 1: \"total\" is not a number"},
      {"x;y\n1;2\n\n4;\n", 2, 4, "column 2 is empty"},
      {"1,2\n3,0,5\n", 2, 0, ""},  // a comma table has no decimal commas: 3, 0 and 5
      {"1,2\n3,4\n", 3, 1, "2 columns where column 3 is asked for"},
      {"1;\"2\n", 2, 1, "a quote that is not closed"},
      {"x;y\n# nothing\n", 2, 2, "no rows of numbers"},
      {"x;y\n1;1e309\n", 2, 2, "column 2: 1e309 is beyond the range of double precision"},
      {"x;y\n1;-1e309\n", 2, 2, "column 2: -1e309 is beyond the range of double precision"},
      {"x;y\n1;nan\n", 2, 2, "column 2: \"nan\" is not a number"},
  };
  for (const auto& c : cases) {
    const read_result r = read_text(c.text, 1, c.y_column);
    if (c.reason.empty()) {
      EXPECT_FALSE(r.trouble) << c.text;
      continue;
    }
    ASSERT_TRUE(r.trouble) << c.text;
    EXPECT_EQ(r.trouble->reason, c.reason) << c.text;
    EXPECT_EQ(r.trouble->line, c.line) << c.text;
  }
}

// Units by any name of the table of units, and brackets inside brackets. Read here as "x unit,
// y unit".
TEST(csv_reading, takes_units_from_the_names_of_the_columns) {
  const struct {
    std::string header, read;
  } cases[] = {
      {"x [nm],y [Absorbance]", "3 Nanometers (nm), 2 Absorbance"},
      {"x [Minutes],y [Index of Refraction [N]]", "5 Minutes, 22 Index of Refraction [N]"},
      {"x [furlong],y [%T]", "-1 furlong, 128 Transmission"},
  };
  for (const auto& c : cases) {
    const spectrum::document doc = read_text(c.header + "\n1,2\n").doc;
    std::string read;
    for (const auto& u : {doc.x_unit, doc.y_unit})
      read += (read.empty() ? "" : ", ") + std::to_string(u.code) + " " + u.name;
    EXPECT_EQ(read, c.read) << c.header;
  }
}

TEST(csv_recognition, takes_tables_and_leaves_other_text_files_alone) {
  const struct {
    std::string head;
    bool csv;
  } cases[] = {
      {"x,y\r\n", true},
      {"# from a spreadsheet\r\nx;y\r\n1;0,5\r\n2;0,7", true},  // cut inside the last row
      {"1\t2\t3\r\n4\t5\t6\r\n", true},
      {"wavenumber absorbance\r\n1 2\r\n", false},                      // blanks only
      {"   1.00000   .1234567E+01\r\n   2.00000   .2E+01\r\n", false},  // XY
      {"4000.000  400.000  1842\r\n", false},                           // the head of a Y file
      {"##TITLE= x\r\n", false},                                        // JCAMP-DX
      {"1,2\r\n3,4,5\r\n", false},                                      // columns that differ
      {std::string("\x00\x4b\x00\x00", 4), false},                      // SPC
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(csv::recognises(bytes_of(c.head)), c.csv) << c.head;
}

class csv_writing : public test_support::scratch_test {
 protected:
  std::string written(const spectrum::document& doc, spectrum::outcome& trouble) {
    std::int16_t unit = 0;
    std::int32_t status = 0;
    GETCHAN(unit, status);
    recio::open(unit, "out.csv", recio::open_mode::text_write);
    trouble = csv::write_file(doc, unit, {});
    PUTCHAN(unit, status);
    return test_support::read_file("out.csv");
  }
};

TEST_F(csv_writing, writes_a_header_and_the_fewest_digits_that_read_back_the_same) {
  spectrum::document doc;
  doc.x_unit = {1, "Wavenumber (cm-1)"};
  doc.y_unit = {-1, "a, b"};
  spectrum::spectrum t;
  t.x = {4000.0, 0.1, -1e-30, 3.4e38};
  t.y = {0.5, 1.0 / 3.0, -0.0, 16777217.0};
  doc.spectra.push_back(t);
  spectrum::outcome trouble;
  const std::string text = written(doc, trouble);
  ASSERT_FALSE(trouble);
  EXPECT_EQ(text,
            "x [Wavenumber (cm-1)],\"y [a, b]\"\r\n4000,0.5\r\n0.1,0.3333333333333333\r\n"
            "-1e-30,-0\r\n3.4e+38,16777217\r\n");
  const read_result back = read_text(text);
  ASSERT_FALSE(back.trouble);
  EXPECT_EQ(back.doc.spectra.at(0).x, t.x);
  EXPECT_EQ(back.doc.spectra.at(0).y, t.y);
  EXPECT_EQ(back.doc.x_unit.name, "Wavenumber (cm-1)");
  EXPECT_EQ(back.doc.y_unit.name, "a, b");
  doc.y_unit.name = "mol; l";  // the separator of other tables is quoted too
  EXPECT_EQ(written(doc, trouble).substr(0, 36), "x [Wavenumber (cm-1)],\"y [mol; l]\"\r\n");
  doc.y_unit.name = "\"a\"";  // a quote in a quoted field is doubled
  EXPECT_EQ(written(doc, trouble).substr(0, 35), "x [Wavenumber (cm-1)],\"y [\"\"a\"\"]\"\r\n");

  doc.spectra.push_back(t);
  written(doc, trouble);
  ASSERT_TRUE(trouble);
  EXPECT_EQ(trouble->reason, "a CSV file holds one spectrum; this one has 2");
}

}  // namespace
