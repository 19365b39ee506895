// tests/csv_file_test.cpp: reading CSV files as spreadsheets export them, telling them from other
// text files, and writing them so that they read back to the same values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "csv/csv.hpp"
#include "recio/number_text.hpp"
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

read_result read_text(const std::string& text, int x_column = 1, int y_column = 0) {
  read_result r;
  r.trouble = csv::read_file({bytes_of(text), "in.csv"}, {x_column, y_column}, r.doc);
  return r;
}

using values = std::vector<double>;

// The units of x, y and z by code and name, then each spectrum's z: "3 Nanometers (nm), -1 , -1 ;
// z 0".
std::string units_and_z(const spectrum::document& doc) {
  std::string read;
  for (const auto& u : {doc.x_unit, doc.y_unit, doc.z_unit})
    read += (read.empty() ? "" : ", ") + std::to_string(u.code) + " " + u.name;
  read += "; z";
  for (const spectrum::spectrum& t : doc.spectra) read += " " + recio::shortest_text(t.z);
  return read;
}

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

  // Tabs and three columns: a spectrum each y column, or the two columns asked for.
  const std::string tabs = "x\ty1\ty2\n1\t2\t3,5\n4\t5\t6\n";
  ASSERT_EQ(read_text(tabs).doc.spectra.size(), 2u);
  EXPECT_EQ(read_text(tabs).doc.spectra.at(0).y, (values{2, 5}));
  EXPECT_EQ(read_text(tabs).doc.spectra.at(1).y, (values{3.5f, 6}));
  EXPECT_EQ(read_text(tabs).doc.spectra.at(1).x, (values{1, 4}));
  EXPECT_EQ(read_text(tabs, 1, 3).doc.spectra.size(), 1u);
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
      {"1\n2\n", 0, 1, "1 column where column 2 is asked for"},
      {"1,2,3\n4,5\n", 0, 2, "2 columns where column 3 is asked for"},
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

// Units by any name of the table of units, brackets inside brackets, and z after the y unit.
// Read here as "x unit, y unit, z unit" and each spectrum's z.
TEST(csv_reading, takes_units_and_z_from_the_names_of_the_columns) {
  const struct {
    std::string header, read;
  } cases[] = {
      {"x [nm],y [Absorbance]", "3 Nanometers (nm), 2 Absorbance, -1 ; z 0 0 0"},
      {"x [Minutes],y [Index of Refraction [N]]",
       "5 Minutes, 22 Index of Refraction [N], -1 ; z 0 0 0"},
      {"x [furlong],y [%T]", "-1 furlong, 128 Transmission, -1 ; z 0 0 0"},
      {"x,y [abs] z=2.5 [min],y z=-1e-3", "-1 , 2 Absorbance, 5 Minutes; z 2.5 -0.001 0"},
      {"x,y z=0.5,y [z=1],y z=one", "-1 , -1 z=1, -1 ; z 0.5 0 0"},  // z unnamed, or no number
  };
  for (const auto& c : cases)
    EXPECT_EQ(units_and_z(read_text(c.header + "\n1,2,3,4\n").doc), c.read) << c.header;
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

  t.x[1] = 0.2;  // several spectra share one x column, or none
  doc.spectra.push_back(t);
  written(doc, trouble);
  ASSERT_TRUE(trouble);
  EXPECT_EQ(trouble->reason,
            "a CSV file holds several spectra only on one x axis; spectrum 2 has another");
}

// A diode array's spectra in one table, and one spectrum with a z: the same points, z and units
// come back.
TEST_F(csv_writing, gives_each_spectrum_a_column_that_reads_back_with_its_z) {
  spectrum::document doc;
  doc.x_unit = {3, "Nanometers (nm)"};
  doc.y_unit = {2, "Absorbance"};
  doc.z_unit = {5, "Minutes"};
  for (const double z : {0.0, double{0.01f}, 2.5})
    doc.spectra.push_back({.x = {190, 191.5, 193.25}, .y = {1.0 / 3.0 + z, 1e-5 * z, -z}, .z = z});
  spectrum::outcome trouble;
  const std::string text = written(doc, trouble);
  EXPECT_EQ(text.substr(0, text.find('\r')),
            "x [Nanometers (nm)],y [Absorbance] z=0 [Minutes],"
            "y [Absorbance] z=0.009999999776482582 [Minutes],y [Absorbance] z=2.5 [Minutes]");
  const spectrum::document back = read_text(text).doc;
  EXPECT_EQ(units_and_z(back), units_and_z(doc));
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(back.spectra.at(k).y, doc.spectra[k].y);
  EXPECT_EQ(back.spectra.at(2).x, doc.spectra[2].x);

  doc.spectra.resize(1);
  doc.spectra[0].z = 0.5;
  EXPECT_EQ(units_and_z(read_text(written(doc, trouble)).doc), units_and_z(doc));
  // A unit whose brackets do not pair is written with parentheses, and z still reads back.
  doc.z_unit = {-1, "a]=b"};
  EXPECT_EQ(read_text(written(doc, trouble)).doc.spectra.at(0).z, 0.5);
}

}  // namespace
