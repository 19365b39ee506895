// tests/jcamp_file_test.cpp: reading and writing JCAMP-DX files: the shared samples, every data
// form, damaged files, and the files we write read back by our reader and by jcampconverter.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/formats.hpp"
#include "jcamp/jcamp.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/fields.hpp"
#include "spc/spc.hpp"
#include "tests/support/capture.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/scratch_test.hpp"
#include "textfmt/textfmt.hpp"

namespace {

namespace fs = std::filesystem;

spectrum::byte_view bytes_of(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

struct read_result {
  spectrum::document doc;
  spectrum::outcome trouble;
};

read_result read_text(const std::string& text) {
  read_result r;
  r.trouble = jcamp::read_file({bytes_of(text), "in.jdx"}, {}, r.doc);
  return r;
}

std::vector<double> y_of(const std::string& text) {
  const read_result r = read_text(text);
  if (r.trouble) return {-999.0f};
  return r.doc.spectra.empty() ? std::vector<double>{} : r.doc.spectra.front().y;
}

std::string head(const std::string& labels) {
  return "##TITLE= t\r\n##JCAMP-DX= 4.24\r\n" + labels;
}

// A document's texts on one line, as info and the writers of other formats see them: origin,
// owner, instrument, resolution, experiment, x unit, y unit, date, log, then each label.
std::string texts_of(const spectrum::document& d) {
  const auto n = [](int v) { return std::to_string(v); };
  const spectrum::date_time& t = d.date;
  std::string s = d.origin + "|" + d.owner + "|" + d.instrument + "|" + d.resolution.value_or("-") +
                  "|" + d.experiment + " " + n(d.experiment_type) + "|" + d.x_unit.name + " " +
                  n(d.x_unit.code) + "|" + d.y_unit.name + " " + n(d.y_unit.code) + "|";
  if (t.year != 0)
    s += n(t.year) + "-" + n(t.month) + "-" + n(t.day) + " " + n(t.hour) + ":" + n(t.minute) + ":" +
         n(t.second);
  for (const auto& [label, value] : d.labels) s += "|" + label + "=" + value;
  return s + "|" + d.log;
}

// The numbers of each array named key in a JSON text: "x":[1,2.5] gives {1, 2.5}.
std::vector<std::vector<double>> arrays_named(const std::string& json, const std::string& key) {
  std::vector<std::vector<double>> out;
  const std::string start = "\"" + key + "\":[";
  for (std::size_t at = json.find(start); at != std::string::npos; at = json.find(start, at)) {
    at += start.size();
    out.emplace_back();
    while (json[at] != ']') {
      double v = 0.0;
      at = static_cast<std::size_t>(
          std::from_chars(json.data() + at, json.data() + json.size(), v).ptr - json.data());
      out.back().push_back(v);
      if (json[at] == ',') ++at;
    }
  }
  return out;
}

const fs::path samples = fs::path(ZOLKDF_SHARED_DIR) / "jcamp_samples";

read_result read_sample(const std::string& name) {
  static std::string text;  // the document's views end with the test, not with this call
  text = test_support::read_file(samples / name);
  return read_text(text);
}

TEST(jcamp_samples, give_the_values_that_an_independent_reader_gives) {
  if (!fs::exists(samples)) GTEST_SKIP() << "no shared JCAMP-DX samples at " << samples;
  // The NMR samples give x in Hz; the reference shows ppm: Hz divided by the observe frequency.
  const struct {
    const char* name;
    std::size_t spectra;
    double hz_per_x;
  } cases[] = {
      {"BRUKAFFN.DX", 1, 100.4},
      {"BRUKDIF.DX", 1, 100.4},
      {"BRUKNTUP.DX", 2, 100.4},
      {"ISAS_MS1.DX", 1, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const read_result r = read_sample(c.name);
    ASSERT_FALSE(r.trouble) << r.trouble->reason << " on line " << r.trouble->line;
    const std::string json =
        test_support::read_file(samples / "expected" / (std::string(c.name) + ".json"));
    const auto xs = arrays_named(json, "x");
    const auto ys = arrays_named(json, "y");
    ASSERT_EQ(r.doc.spectra.size(), c.spectra);
    ASSERT_EQ(ys.size(), c.spectra);
    for (std::size_t s = 0; s < c.spectra; ++s) {
      const spectrum::spectrum& t = r.doc.spectra[s];
      ASSERT_EQ(t.y.size(), ys[s].size());
      for (std::size_t i = 0; i < t.y.size(); ++i) {
        ASSERT_NEAR(t.y[i], ys[s][i], 1e-15 * std::fabs(ys[s][i])) << "point " << i;
        // x to 1E-7 of the largest: the reader's own x are those of single precision.
        ASSERT_NEAR(t.x[i] / c.hz_per_x, xs[s][i], 1e-7 * std::fabs(xs[s][0])) << "point " << i;
      }
    }
  }
  EXPECT_EQ(read_sample("ISAS_MS1.DX").doc.spectra.front().x_stored, true);
  EXPECT_EQ(read_sample("BRUKNTUP.DX").doc.spectra[1].z, 2.0);
}

TEST(jcamp_samples, in_plain_packed_and_squeezed_form_are_one_spectrum) {
  if (!fs::exists(samples)) GTEST_SKIP() << "no shared JCAMP-DX samples at " << samples;
  const read_result affn = read_sample("BRUKAFFN.DX");
  for (const char* name : {"BRUKPAC.DX", "BRUKSQZ.DX"}) {
    const read_result r = read_sample(name);
    ASSERT_FALSE(r.trouble);
    EXPECT_EQ(r.doc.spectra.front().y, affn.doc.spectra.front().y) << name;
    EXPECT_EQ(r.doc.spectra.front().x, affn.doc.spectra.front().x) << name;
  }
  const read_result dif = read_sample("BRUKDIF.DX");
  EXPECT_EQ(dif.doc.variant, "5.0");
  EXPECT_EQ(dif.doc.memo, "testspec");
  EXPECT_EQ(dif.doc.x_unit.name + " " + std::to_string(dif.doc.x_unit.code), "Hertz (Hz) 6");
  const auto form = std::find_if(dif.doc.facts.begin(), dif.doc.facts.end(),
                                 [](const spectrum::fact& f) { return f.name == "data form"; });
  ASSERT_NE(form, dif.doc.facts.end());
  const auto& forms = std::get<std::vector<std::string>>(form->value);
  EXPECT_EQ(forms, (std::vector<std::string>{"SQZ", "DIF", "DUP"}));
}

TEST(jcamp_data, every_form_mixed_on_a_line) {
  const std::string even = head("##XYDATA=(X++(Y..Y))\r\n");
  const std::string tail = "##FIRSTX=1\r\n##LASTX=";
  using v = std::vector<double>;
  // clang-format off
  EXPECT_EQ(y_of(head("##FIRSTX=1\r\n##LASTX=4\r\n##XYDATA=(X++(Y..Y))\r\n1 10 -2,3 4.5\r\n##END=\r\n")), (v{10, -2, 3, 4.5f}));
  EXPECT_EQ(y_of(head("##FIRSTX=1\r\n##LASTX=4\r\n##XYDATA=(X++(Y..Y))\r\n1+10-2+3-4\r\n##END=\r\n")),   (v{10, -2, 3, -4}));
  EXPECT_EQ(y_of(head("##FIRSTX=1\r\n##LASTX=5\r\n##XYDATA=(X++(Y..Y))\r\n1 A0J%Tk\r\n##END=\r\n")),      (v{10, 11, 11, 11, 9}));   // DUP of a difference
  EXPECT_EQ(y_of(head("##FIRSTX=1\r\n##LASTX=4\r\n##XYDATA=(X++(Y..Y))\r\n1 @aU\r\n##END=\r\n")),         (v{0, -1, -1, -1}));       // DUP of a value
  EXPECT_EQ(y_of(head("##FIRSTX=1\r\n##LASTX=4\r\n##XYDATA=(X++(Y..Y))\r\n1 A0JA5T\r\n##END=\r\n")),      (v{10, 11, 15, 15}));      // DUP of a value after a difference
  EXPECT_EQ(y_of(head("##FIRSTX=1\r\n##LASTX=3\r\n##XYDATA=(X++(Y..Y))\r\n1 A0J\r\n2 A1J\r\n3 A2\r\n##END=\r\n")), (v{10, 11, 12}));     // check values dropped
  EXPECT_EQ(y_of(head("##YFACTOR=0.5\r\n##FIRSTX=1\r\n##LASTX=2\r\n##XYDATA=(X++(Y..Y))\r\n1 3 1.5E+01 $$ note\r\n##END=\r\n")), (v{1.5f, 7.5f}));
  EXPECT_EQ(y_of(head("##FIRSTX=1\r\n##LASTX=2\r\n##XYDATA=(X++(Y..Y))\r\n1 3 2e+1\r\n##END=\r\n")),      (v{3, 20}));               // an exponent ending the line
  EXPECT_EQ(y_of("\r\n$$ c\r\n  ##title= t\r\n## Data-Type = x\r\n##first_x=1\r\n##Last X=2\r\n##xy_data=(X++(Y..Y))\r\n 1 5 6\r\n##end=\r\n"), (v{5, 6}));
  // clang-format on
  // x as well: made from FIRSTX with LASTX or DELTAX, or read point by point, times XFACTOR; the
  // widths and assignments of peaks.
  const struct {
    std::string text;
    v x, y, widths = {};
    std::vector<std::string> assignments = {};
  } points[] = {
      // clang-format off
      {head("##FIRSTX=10\r\n##LASTX=40\r\n##NPOINTS=4\r\n##XYDATA=(X++(Y..Y))\r\n10 1 2 3 4\r\n##END=\r\n"), {10, 20, 30, 40},   {1, 2, 3, 4}},
      {head("##FIRSTX=10\r\n##DELTAX=-2.5\r\n##XYDATA=(X++(Y..Y))\r\n10 1 2 3 4\r\n##END=\r\n"),           {10, 7.5f, 5, 2.5f}, {1, 2, 3, 4}},
      {head("##FIRSTX=5\r\n##LASTX=5\r\n##NPOINTS=1\r\n##XYDATA=(X++(Y..Y))\r\n5 G\r\n##END=\r\n"),          {5},                 {7}},  // one point
      {head("##XFACTOR=2\r\n##XYDATA=(X++(Y..Y))\r\n3 7\r\n##END=\r\n"),                                      {6},                 {7}},  // one, no LASTX: x from its line
      {head("##PEAK TABLE=(XY..XY)\r\n1,2; 3,-4\r\n5 6\r\n##END=\r\n"),                                       {1, 3, 5},           {2, -4, 6}},
      {head("##XFACTOR=2\r\n##YFACTOR=10\r\n##XYPOINTS=(XY..XY)\r\n1,2 3,4\r\n##END=\r\n"),                 {2, 6},              {20, 40}},
      {head("##PEAK TABLE=(XYW..XYW)\r\n1,2,0.5 3,4,0.5\r\n5,6,8\r\n##END=\r\n"),                             {1, 3, 5},           {2, 4, 6}, {0.5, 0.5, 8}},
      {head("##PEAK ASSIGNMENTS=(XYA)\r\n(1,2,<C-H>)\r\n(3, 4, <b, (c)>)\r\n##END=\r\n"),                    {1, 3},              {2, 4},    {},       {"C-H", "b, (c)"}},
      {head("##PEAK ASSIGNMENTS=(XYWA)\r\n(1,2,0.5,<a\r\nb>) $$ two lines\r\n##END=\r\n"),                  {1},                 {2},       {0.5},    {"a b"}},
      {head("##PEAK ASSIGNMENTS=(XYMA)\r\n(1,2,D,<a>) (3,,T,<>)\r\n##END=\r\n"),                             {1, 3},              {2, 0},    {},       {"a", ""}},
      // clang-format on
  };
  for (const auto& c : points) {
    const read_result r = read_text(c.text);
    ASSERT_FALSE(r.trouble) << r.trouble->reason << "\n" << c.text;
    const spectrum::spectrum& t = r.doc.spectra.at(0);
    ASSERT_EQ(t.x, c.x) << c.text;
    EXPECT_EQ(t.y, c.y) << c.text;
    EXPECT_EQ(t.first_x, t.x.front()) << c.text;
    EXPECT_EQ(t.last_x, t.x.back()) << c.text;
    EXPECT_EQ(t.peaks, c.text.find("PEAK") != std::string::npos) << c.text;
    EXPECT_EQ(t.widths, c.widths) << c.text;
    EXPECT_EQ(t.assignments, c.assignments) << c.text;
  }
}

TEST(jcamp_data, blocks_give_a_spectrum_each_and_name_the_blocks_without_data) {
  const read_result r = read_text(
      "##TITLE= all\r\n##JCAMP-DX= 5.01\r\n##DATA TYPE= LINK\r\n##BLOCKS= 4\r\n"
      "##TITLE= benzene\r\n##JCAMP-CS= 3.7\r\n##BLOCK_ID= 1\r\n##DATA TYPE= STRUCTURE\r\n"
      "##ATOMLIST= 1 C\r\n##END=\r\n"
      "##TITLE= ir\r\n##BLOCK_ID= 2\r\n##XUNITS= 1/CM\r\n##YUNITS= ABSORBANCE\r\n##FIRSTX=1\r\n"
      "##LASTX=2\r\n##XYDATA=(X++(Y..Y))\r\n1 5 6\r\n##END=\r\n"
      "##TITLE= ms\r\n##BLOCK_ID= 3\r\n##XYPOINTS=(XY..XY)\r\n1,2\r\n##END=\r\n"
      "##TITLE= igram\r\n##BLOCK_ID= 4\r\n##RADATA=(R++(A..A))\r\n0 1 2\r\n##END=\r\n##END=\r\n");
  ASSERT_FALSE(r.trouble) << r.trouble->reason;
  ASSERT_EQ(r.doc.spectra.size(), 2u);
  EXPECT_EQ(r.doc.memo, "all");
  EXPECT_EQ(r.doc.spectra[1].title, "ms");
  EXPECT_EQ(r.doc.x_unit.name + " " + r.doc.y_unit.name, "Wavenumber (cm-1) Absorbance");
  EXPECT_EQ(r.doc.labels.size(), 0u);  // a skipped block's are not the document's
  EXPECT_EQ(r.doc.facts.back().name, "blocks without data, skipped");
  EXPECT_EQ(std::get<std::vector<std::string>>(r.doc.facts.back().value),
            (std::vector<std::string>{"block 1: benzene (STRUCTURE): a chemical structure",
                                      "block 4: igram: ##RADATA= holds data of a form that is "
                                      "not read"}));
}

// Pages of a table of mass spectra: each its own count, named without a number, which counts on.
TEST(jcamp_data, ntuples_pages_give_a_spectrum_each_with_its_own_count_and_z) {
  const read_result r = read_text(
      head("##NTUPLES= MASS SPECTRUM\r\n##SYMBOL= X, Y\r\n##VAR_DIM= 3, 3\r\n"
           "##PAGE= first\r\n##NPOINTS= 3\r\n##DATA TABLE= (XY..XY), PEAKS\r\n1,2 3,4 5,6\r\n"
           "##PAGE= second\r\n##NPOINTS= 2\r\n##DATA TABLE= (XY..XY), PEAKS\r\n7,8 9,10\r\n"
           "##END NTUPLES= MASS SPECTRUM\r\n##END=\r\n"));
  ASSERT_FALSE(r.trouble) << r.trouble->reason << " on line " << r.trouble->line;
  ASSERT_EQ(r.doc.spectra.size(), 2u);
  EXPECT_EQ(r.doc.spectra[1].y, (std::vector<double>{8, 10}));
  EXPECT_EQ(r.doc.spectra[0].z, 1.0);
  EXPECT_EQ(r.doc.spectra[1].z, 2.0);
}

TEST(jcamp_data, damaged_files_are_refused_with_the_line) {
  const std::string data = "##FIRSTX=1\r\n##LASTX=4\r\n";
  const struct {
    std::string text;
    std::int64_t line;
    std::string reason;
  } cases[] = {
      {head(data + "##XYDATA=(X++(Y..Y))\r\n1 A0J\r\n3 B2J\r\n##END=\r\n"), 7,
       "the DIF check value 22 differs from the last y of the line before, 11"},
      {head(data + "##NPOINTS=3\r\n##XYDATA=(X++(Y..Y))\r\n1 1 2 3 4\r\n##END=\r\n"), 7,
       "more points than ##NPOINTS= 3"},
      {head(data + "##NPOINTS=5\r\n##XYDATA=(X++(Y..Y))\r\n1 1 2 3 4\r\n##END=\r\n"), 7,
       "##NPOINTS= 5, but the data from line 6 holds 4 points"},
      {head(data + "##XYDATA=(X++(Y..Y))\r\n1 1 2 x 4\r\n##END=\r\n"), 6, "'x' in a number"},
      {head(data + "##XYDATA=(X++(Y..Y))\r\n1 1 2 3 4\r\n"), 6,
       "the file ends inside the block begun on line 1, before its ##END="},
      {head(data + "##XYDATA=(X++(Y..Y))\r\n1 A0S999999999999\r\n##END=\r\n"), 6,
       "a DUP count of more points than the file can hold"},
      {head("##YFACTOR=1E+300\r\n" + data + "##XYDATA=(X++(Y..Y))\r\n1 1E+50\r\n##END=\r\n"), 7,
       "a value beyond the range of double precision"},
      {head("##XYPOINTS=(XY..XY)\r\n1,2 3\r\n##END=\r\n"), 4, "a point without its y value"},
      {head("##YFACTOR= 0\r\n"), 3, "##YFACTOR= 0"},
      {head("##XYDATA=(XYZ)\r\n"), 3, "##XYDATA=(XYZ): not a data form that this program reads"},
      {head("##END=\r\n##END=\r\n"), 4, "##END= without a ##TITLE= before it"},
      {"some text\r\n", 0, "no ##TITLE= record: not a JCAMP-DX file"},
  };
  for (const auto& c : cases) {
    const read_result r = read_text(c.text);
    ASSERT_TRUE(r.trouble) << c.text;
    EXPECT_EQ(r.trouble->reason, c.reason) << c.text;
    EXPECT_EQ(r.trouble->line, c.line) << c.text;
  }
  // But a last line of only an x and a check value that is off, once the declared points are
  // read, is read with a warning, as independent readers read it.
  const read_result r = read_text(
      head(data + "##NPOINTS=4\r\n##XYDATA=(X++(Y..Y))\r\n1 A0J%J\r\n4 B3\r\n##END=\r\n"));
  EXPECT_EQ(r.doc.spectra.at(0).y, (std::vector<double>{10, 11, 11, 12}));
  ASSERT_EQ(r.doc.warnings.size(), 1u);
  EXPECT_EQ(r.doc.warnings[0].line, 8);
}

TEST(jcamp_recognition, takes_a_first_title_record_only) {
  const struct {
    std::string head;
    bool jcamp;
  } cases[] = {
      {"##TITLE= x\r\n", true},
      {"\r\n\r\n$$ made by hand\r\n  ##Title = x\r\n", true},
      {"\xEF\xBB\xBF##TITLE=\n", true},
      {"##JCAMP-DX= 5.0\r\n##TITLE= x\r\n", false},
      {"   1.00000   .1234567E+01\r\n", false},
      {"x,y\r\n", false},
      {"##TIT", false},
  };
  for (const auto& c : cases) EXPECT_EQ(jcamp::recognises(bytes_of(c.head)), c.jcamp) << c.head;
}

// ---------------------------------------------------------------------------------------------
// Writing

spectrum::spectrum even_spectrum(std::size_t n, double first, double last) {
  spectrum::spectrum t;
  t.first_x = first;
  t.last_x = last;
  t.x = spectrum::even_x(first, last, n);
  t.y.resize(n);
  return t;
}

struct write_case {
  std::string name;
  spectrum::document doc;
  spectrum::write_options options;
  bool exact = true;           // every y comes back as the very same float
  bool jcampconverter = true;  // which reads no (XYW..XYW) table
};

std::vector<write_case> write_cases() {
  std::vector<write_case> cases;
  {  // integers scaled by 2^-5, as SPC integer data gives, with runs and negative values
    write_case c{"integer_even_dif", {}, {}, true};
    spectrum::spectrum t = even_spectrum(700, 4000.0, 400.0);
    for (std::size_t i = 0; i < t.y.size(); ++i)
      t.y[i] = i % 50 < 10
                   ? 3.0f
                   : std::ldexp(std::round(30000.0f * std::sin(static_cast<float>(i) / 9.0f)), -5);
    c.doc.spectra.push_back(t);
    c.doc.x_unit = {1, "Wavenumber (cm-1)"};
    c.doc.y_unit = {2, "Absorbance"};
    c.doc.memo = "integer data";
    cases.push_back(c);
    c.name = "integer_even_affn";
    c.options.jcamp_affn = true;
    cases.push_back(c);
  }
  {  // floats over ten decades: YFACTOR keeps 7 digits of the largest
    write_case c{"float_even_dif", {}, {}, false};
    spectrum::spectrum t = even_spectrum(1000, 200.5, 1100.25);
    for (std::size_t i = 0; i < t.y.size(); ++i)
      t.y[i] = std::pow(10.0f, static_cast<float>(i % 11) - 5.0f) * std::cos(static_cast<float>(i));
    c.doc.spectra.push_back(t);
    cases.push_back(c);
    c.name = "float_even_affn";
    c.options.jcamp_affn = true;
    cases.push_back(c);
  }
  {  // uneven x, negative values, and numbers that need an exponent
    write_case c{"float_uneven", {}, {}, true};
    spectrum::spectrum t;
    t.x_stored = true;
    for (int i = 1; i <= 300; ++i) {
      t.x.push_back(static_cast<float>(i * i) / 7.0f - 50.0f);
      t.y.push_back((i % 3 == 0 ? -1.0f : 1.0f) * std::pow(10.0f, static_cast<float>(i % 60 - 30)) /
                    3.0f);
    }
    t.first_x = t.x.front();
    t.last_x = t.x.back();
    c.doc.spectra.push_back(t);
    c.options.input_name = "uneven.xy";
    cases.push_back(c);
  }
  {  // one point: no DELTAX, and one data line without a check value
    write_case c{"one_point", {}, {}, true};
    spectrum::spectrum t;
    t.x = {5.0f};
    t.y = {7.0f};
    t.first_x = t.last_x = 5.0;
    c.doc.spectra.push_back(t);
    cases.push_back(c);
  }
  {  // several spectra: one BLOCKS file, a block each with its z and, where given, its title
    write_case c{"several_spectra", {}, {}, true};
    for (int s = 0; s < 3; ++s) {
      spectrum::spectrum t = even_spectrum(64, 10.0 * s, 10.0 * s + 63.0);
      for (std::size_t i = 0; i < t.y.size(); ++i)
        t.y[i] = static_cast<float>((static_cast<int>(i) - 20) * (s + 1));
      t.z = 0.1 * s;
      t.title = s == 1 ? "" : "block " + std::to_string(s);
      c.doc.spectra.push_back(t);
    }
    c.doc.z_unit = {4, "Seconds"};
    c.doc.memo = std::string(150, 'm');  // a title longer than a line
    cases.push_back(c);
  }
  {  // peaks: a table; with widths; with assignments
    write_case c{"peak_table", {}, {}, true};
    c.doc.spectra.push_back(even_spectrum(3, 1800.5, 2900.25));
    c.doc.spectra[0].y = {0.5, 88, 12};
    c.doc.spectra[0].x_stored = c.doc.spectra[0].peaks = true;
    cases.push_back(c);
    c = {"peak_widths", c.doc, {}, true, false};
    c.doc.spectra[0].widths = {4, 2.5, 30};
    cases.push_back(c);
    c = {"peak_assignments", c.doc, {}, true, true};
    c.doc.spectra[0].assignments = {"C=O, stretch", "", "ring"};
    cases.push_back(c);
  }
  return cases;
}

class jcamp_writing : public test_support::scratch_test {
 protected:
  std::string written(const spectrum::document& doc, const spectrum::write_options& options) {
    std::int16_t unit = 0;
    std::int32_t status = 0;
    GETCHAN(unit, status);
    recio::open(unit, "out.jdx", recio::open_mode::text_write);
    const spectrum::outcome t = jcamp::write_file(doc, unit, options);
    PUTCHAN(unit, status);
    EXPECT_FALSE(t) << t->reason;
    return test_support::read_file("out.jdx");
  }
};

double largest(const std::vector<double>& v) {
  double m = 0.0;
  for (const double f : v) m = std::max(m, std::fabs(f));
  return m;
}

TEST_F(jcamp_writing, reads_back_to_the_same_values_in_lines_of_80_characters) {
  for (const write_case& c : write_cases()) {
    SCOPED_TRACE(c.name);
    const std::string text = written(c.doc, c.options);
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos;
         end = text.find("\r\n", start)) {
      EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
      start = end + 2;
    }
    EXPECT_EQ(start, text.size());
    for (const char* label : {"##TITLE=", "##JCAMP-DX= 4.24", "##DATA TYPE=", "##ORIGIN=",
                              "##OWNER=", "##XUNITS=", "##YUNITS=", "##XFACTOR=", "##YFACTOR=",
                              "##FIRSTX=", "##LASTX=", "##NPOINTS=", "##FIRSTY=", "##END="})
      EXPECT_NE(text.find(label), std::string::npos) << label;
    const read_result r = read_text(text);
    ASSERT_FALSE(r.trouble) << r.trouble->reason << " on line " << r.trouble->line;
    ASSERT_EQ(r.doc.spectra.size(), c.doc.spectra.size());
    EXPECT_EQ(r.doc.z_unit.code, c.doc.z_unit.code);
    for (std::size_t s = 0; s < c.doc.spectra.size(); ++s) {
      const spectrum::spectrum& want = c.doc.spectra[s];
      const spectrum::spectrum& got = r.doc.spectra[s];
      EXPECT_EQ(got.x, want.x);
      EXPECT_EQ(got.x_stored, want.x_stored);
      EXPECT_EQ(got.z, want.z);
      EXPECT_EQ(got.title, want.title.empty() ? got.title : want.title);
      EXPECT_EQ(got.peaks, want.peaks);
      EXPECT_EQ(got.widths, want.widths);
      EXPECT_EQ(got.assignments, want.assignments);
      ASSERT_EQ(got.y.size(), want.y.size());
      const double bound = c.exact ? 0.0 : 1e-7 * largest(want.y);
      for (std::size_t i = 0; i < want.y.size(); ++i)
        ASSERT_LE(std::fabs(got.y[i] - want.y[i]), bound) << "point " << i;
    }
  }
  const auto cases = write_cases();
  EXPECT_NE(written(cases[0].doc, {}).find("##XUNITS= 1/CM\r\n##YUNITS= ABSORBANCE\r\n"),
            std::string::npos);
  EXPECT_NE(written(cases[4].doc, cases[4].options).find("##TITLE= uneven.xy\r\n"),
            std::string::npos);
  EXPECT_NE(written(cases[4].doc, {}).find("##XYPOINTS=(XY..XY)"), std::string::npos);
  EXPECT_NE(written(cases[6].doc, {}).find("##BLOCK_ID= 3\r\n"), std::string::npos);
  EXPECT_NE(written(cases[8].doc, {}).find("##PEAK TABLE=(XYW..XYW)\r\n"), std::string::npos);
  EXPECT_NE(written(cases[9].doc, {}).find("##PEAK ASSIGNMENTS=(XYWA)\r\n"), std::string::npos);
  // A long title is carried on at its blanks and read back whole.
  spectrum::document words = cases[5].doc;
  words.memo = "word0";
  for (int i = 1; i < 30; ++i) words.memo += " word" + std::to_string(i);
  const std::string text = written(words, {});
  EXPECT_EQ(read_text(text).doc.memo, words.memo);
}

TEST_F(jcamp_writing, compresses_with_differences_and_counts_and_ends_with_a_check_line) {
  spectrum::document doc;
  doc.spectra.push_back(even_spectrum(5, 4000.0, 3996.0));
  doc.spectra[0].y = {10, 12, 12, 12, 7};
  const std::string text = written(doc, {});
  EXPECT_NE(text.find("##YFACTOR= 1\r\n"), std::string::npos);
  EXPECT_NE(text.find("##XYDATA=(X++(Y..Y))\r\n4000 A0K%Tn\r\n3996 G\r\n##END=\r\n"),
            std::string::npos)
      << text;
  // A long flat run is counted out in runs of 48, so that the file reads back within the bound
  // of 16 points a byte of the file.
  doc.spectra[0] = even_spectrum(100000, 0.0, 99999.0);
  doc.spectra[0].y.assign(100000, 0.0);
  const std::string flat = written(doc, {});
  EXPECT_NE(flat.find("%V8%V8"), std::string::npos);
  spectrum::document back;
  EXPECT_FALSE(jcamp::read_file(
      {{reinterpret_cast<const std::uint8_t*>(flat.data()), flat.size()}, "flat.jdx"}, {}, back));
  EXPECT_EQ(back.spectra.at(0).y, doc.spectra[0].y);
  doc.spectra[0] = even_spectrum(5, 4000.0, 3996.0);
  // From the lowest bit of any y to the highest, 32 bits: no integer written needs more than 31.
  doc.spectra[0].y = {1, 2147483648.0f, 0, 0, 0};
  spectrum::write_options affn;
  affn.jcamp_affn = true;
  EXPECT_EQ(written(doc, affn).find("2147483648"), std::string::npos);
}

// A file's texts, units, labels in order and comment lines, read and written again alike; the
// row names none that JCAMP-DX cannot hold.
TEST_F(jcamp_writing, keeps_the_texts_labels_and_comments_of_a_file) {
  const std::string data =
      "##FIRSTX=1\r\n##LASTX=2\r\n##XYDATA=(X++(Y..Y))\r\n1 5 6 $$ not the log\r\n##END=\r\n";
  const struct {
    std::string labels, texts;
  } cases[] = {
      {"$$ made by hand\r\n##DATA TYPE= NEAR INFRARED SPECTRUM\r\n##ORIGIN= Lab 4\r\n##OWNER= "
       "PUBLIC "
       "DOMAIN\r\n##LONGDATE= 2003/07/14 09:05:31\r\n##SPECTROMETER/DATA SYSTEM= NIR-200\r\n"
       "##RESOLUTION= 8\r\n##$INSTRUMENT SERIAL= 1234\r\n##.OBSERVE FREQUENCY= 100.4\r\n"
       "##CAS REGISTRY NO= 71-43-2\r\n##$CNST= (0..3) $$ four\r\n1 2\r\n$$  indented \r\n3 4\r\n"
       "##MAXY= 4\r\n##XUNITS= NANOMETERS\r\n##YUNITS= LOG(1/R)\r\n",
       "Lab 4|PUBLIC DOMAIN|NIR-200|8|NEAR INFRARED SPECTRUM 5|Nanometers (nm) 3|Log(1/R) 10|"
       "2003-7-14 9:5:31|$INSTRUMENT SERIAL=1234|.OBSERVE FREQUENCY=100.4|CAS REGISTRY "
       "NO=71-43-2|$CNST=(0..3)\n1 2\n3 4|made by hand\r\n indented \r\n"},
      // clang-format off
      {"##DATE= 93/03/29\r\n##TIME= 14:05\r\n",                               "|||-| -1| -1| -1|1993-3-29 14:5:0|"},
      {"##DATE= 93/03/29\r\n##TIME= 14:05\r\n##LONGDATE= 2003/07/14\r\n",     "|||-| -1| -1| -1|2003-7-14 0:0:0|"},
      {"##LONGDATE= yesterday\r\n",                                          "|||-| -1| -1| -1||LONGDATE=yesterday|"},
      {"##DATA TYPE= RAMAN SPECTRUM\r\n##XUNITS= 1/CM\r\n",                    "|||-|RAMAN SPECTRUM 11|Raman Shift (cm-1) 13| -1||"},
      {"##DATA TYPE= UV-VIS\r\n##XUNITS= furlongs\r\n##YUNITS= %T\r\n",        "|||-|UV-VIS 7|furlongs -1|Transmission 128||"},
      {"##DATA TYPE= IR\r\n##$SPC EXPERIMENT TYPE= 0\r\n",                     "|||-|IR 0| -1| -1||"},
      {"##$NOTE=\r\n(X++(I..I)), two\r\n",                                     "|||-| -1| -1| -1||$NOTE=(X++(I..I)), two|"},
      // clang-format on
  };
  for (const auto& c : cases) {
    const read_result r = read_text(head(c.labels + data));
    ASSERT_FALSE(r.trouble) << r.trouble->reason << "\n" << c.labels;
    EXPECT_EQ(texts_of(r.doc), c.texts) << c.labels;
    // Written and read again alike: a file without an origin or owner gets none; one without
    // units or a data type gets JCAMP-DX's defaults, which are not compared.
    spectrum::document back = read_text(written(r.doc, {})).doc;
    const auto none = [](const spectrum::axis_unit& u) { return u.code < 0 && u.name.empty(); };
    if (none(r.doc.x_unit)) back.x_unit = r.doc.x_unit;
    if (none(r.doc.y_unit)) back.y_unit = r.doc.y_unit;
    if (r.doc.experiment.empty()) back.experiment = "", back.experiment_type = -1;
    EXPECT_EQ(texts_of(back), c.texts) << c.labels;
  }
  const read_result all = read_text(head(cases[0].labels + data));
  EXPECT_EQ(spectrum::fields_not_held(all.doc, jcamp::format.holds).size(), 0u);
}

// Other formats' units, experiments and dates as JCAMP-DX names them, and read back.
TEST_F(jcamp_writing, names_units_experiments_and_dates_as_jcamp_dx_does) {
  const struct {
    int experiment;
    spectrum::axis_unit x;
    spectrum::date_time date;
    std::string records, texts;
  } cases[] = {
      // clang-format off
      {5,  {},                         {2024, 3, 5, 14, 7, 9}, "##DATA TYPE= NEAR INFRARED SPECTRUM\r\n##ORIGIN= zolkdf\r\n##OWNER=\r\n##LONGDATE= 2024/03/05 14:07:09\r\n",
       "NEAR INFRARED SPECTRUM 5|Arbitrary 0|Rmn -1|2024-3-5 14:7:9|"},
      {-1, {0, "Wavenumber (cm-1)"},   {}, "##XUNITS= 1/CM\r\n##YUNITS= Rmn\r\n",  "INFRARED SPECTRUM 4|Wavenumber (cm-1) 1|Rmn -1||"},
      {0,  {13, "Raman Shift (cm-1)"}, {}, "##DATA TYPE= RAMAN SPECTRUM\r\n",       "RAMAN SPECTRUM 0|Raman Shift (cm-1) 13|"},
      // clang-format on
  };
  for (const auto& c : cases) {
    spectrum::document doc;
    doc.format = "spc", doc.experiment = "an SPC name", doc.experiment_type = c.experiment;
    doc.x_unit = c.x, doc.y_unit = {0, "Rmn"}, doc.date = c.date;
    doc.spectra.push_back(even_spectrum(3, 1.0, 3.0));
    const std::string text = written(doc, {});
    EXPECT_NE(text.find(c.records), std::string::npos) << text;
    EXPECT_NE(texts_of(read_text(text).doc).find(c.texts), std::string::npos) << text;
  }
  EXPECT_EQ(written(write_cases()[0].doc, {}).find("##LONGDATE="), std::string::npos);
}

TEST_F(jcamp_writing, refuses_an_x_or_a_y_that_is_not_a_finite_number) {
  for (const bool in_x : {true, false}) {
    spectrum::document doc;
    doc.spectra.push_back(even_spectrum(3, 1.0, 3.0));
    (in_x ? doc.spectra[0].x : doc.spectra[0].y)[1] = std::nanf("");
    std::int16_t unit = 0;
    std::int32_t status = 0;
    GETCHAN(unit, status);
    recio::open(unit, "out.jdx", recio::open_mode::text_write);
    const spectrum::outcome t = jcamp::write_file(doc, unit, {});
    PUTCHAN(unit, status);
    ASSERT_TRUE(t) << in_x;
    EXPECT_EQ(t->reason, "spectrum 1, point 2: not a finite number");
  }
}

// The dialogue's inputs, the examples and the SPC samples that it reads, as documents: x made
// by its readers, y integer data or floats.
std::vector<write_case> dialogue_inputs() {
  static spectrum::fixed_spectrum s;
  const fs::path examples = fs::path(ZOLKDF_TEST_DIR).parent_path() / "examples";
  const fs::path spc = fs::path(ZOLKDF_SHARED_DIR) / "spc_samples";
  const struct {
    fs::path file;
    int format;
    bool integer;
  } files[] = {
      {examples / "sample.y", 1, false},   {examples / "sample.xy", 2, false},
      {examples / "sample.6xy", 3, false}, {examples / "old.spc", 5, true},
      {examples / "new.spc", 5, false},    {spc / "BENZENE.SPC", 5, true},
      {spc / "TOLUENE.SPC", 5, true},      {spc / "Ft-ir.spc", 5, true},
      {spc / "TESTINP.SPC", 5, false},     {spc / "DOERNER.spc", 5, true},
      {spc / "022b4asf.spc", 5, true},
  };
  spectrum::array_capacity = spectrum::max_points;
  std::vector<write_case> cases;
  for (const auto& f : files) {
    if (!fs::exists(f.file)) continue;  // the shared samples are not everywhere
    test_support::write_file("in.dat", test_support::read_file(f.file));
    test_support::caught(1, [&] {
      spectrum::file_name name;
      name.assign("in.dat");
      const std::int32_t capacity = spectrum::max_points;
      if (f.format == 1) READ1(name, s.x, s.y, s.first_x, s.last_x, s.count, capacity);
      if (f.format == 2) READ2(name, s.x, s.y, s.first_x, s.last_x, s.count, capacity);
      if (f.format == 3) READ3(name, s.x, s.y, s.first_x, s.last_x, s.count, capacity);
      if (f.format == 5) READ5(name, s.x, s.y, s.first_x, s.last_x, s.count);
    });
    write_case c{f.file.filename().string(), {}, {}, f.integer};
    const auto n = static_cast<std::ptrdiff_t>(std::max(s.count, 0));
    spectrum::spectrum t;
    t.x.assign(s.x.begin(), s.x.begin() + n);
    t.y.assign(s.y.begin(), s.y.begin() + n);
    // x given point by point are even as far as the file prints them, as the readers judge.
    t.x_stored = (f.format == 2 || f.format == 3) && !spectrum::even_as_printed(t.x);
    t.first_x = s.first_x;
    t.last_x = s.last_x;
    c.doc.spectra.push_back(t);
    cases.push_back(c);
  }
  return cases;
}

// Through JCAMP-DX and back: x as it was, y as it was for integer data and within 1E-7 of the
// largest y for floats.
TEST_F(jcamp_writing, gives_back_what_the_dialogues_readers_read) {
  for (const write_case& c : dialogue_inputs()) {
    SCOPED_TRACE(c.name);
    const spectrum::spectrum& t = c.doc.spectra.at(0);
    ASSERT_GT(t.y.size(), 0u);
    for (const bool affn : {false, true}) {
      spectrum::write_options options;
      options.jcamp_affn = affn;
      const std::string text = written(c.doc, options);
      EXPECT_NE(text.find("##XYDATA=(X++(Y..Y))"), std::string::npos);  // all evenly spaced
      const read_result back = read_text(text);
      ASSERT_FALSE(back.trouble) << back.trouble->reason;
      // Evenly spaced x come back as their ends make them.
      EXPECT_EQ(back.doc.spectra.at(0).x,
                t.x_stored ? t.x : spectrum::even_x(t.first_x, t.last_x, t.x.size()));
      if (c.exact) {
        EXPECT_EQ(back.doc.spectra.at(0).y, t.y);
        continue;
      }
      for (std::size_t i = 0; i < t.y.size(); ++i)
        ASSERT_LE(std::fabs(back.doc.spectra.at(0).y[i] - t.y[i]), 1e-7f * largest(t.y)) << i;
    }
  }
}

// The examples, the shared SPC and JCAMP-DX samples and an XY file of an even grid printed to 3
// decimals, converted to cli_NAME.jdx by the command line, which writes XYDATA wherever x is even,
// with the documents that our readers read from them.
std::vector<write_case> command_line_cases() {
  std::string grid;
  for (int i = 0; i < 1000; ++i) {
    std::array<char, 32> line{};
    std::snprintf(line.data(), line.size(), "%.3f 1\n", 4000.0 - 3600.0 * i / 999.0);
    grid += line.data();
  }
  test_support::write_file("grid.xy", grid);
  std::vector<fs::path> inputs{"grid.xy"};
  std::error_code absent;  // the shared samples are not everywhere
  for (const fs::path& folder : {fs::path(ZOLKDF_TEST_DIR).parent_path() / "examples",
                                 fs::path(ZOLKDF_SHARED_DIR) / "spc_samples", samples})
    for (const auto& e : fs::directory_iterator(folder, absent))
      if (e.path().extension() != ".lst" && e.path().extension() != ".md" && e.is_regular_file() &&
          e.path().filename() != "OLE_UV.SPC")
        inputs.push_back(e.path());
  std::vector<write_case> cases;
  for (const fs::path& input : inputs) {
    cases.push_back({"cli_" + input.filename().string(), {}, {}, false});
    // Each by a name of this folder, as a Windows program takes a name beginning with / for an
    // option; the copy may be written, and so removed, where the samples are read-only.
    const fs::path local = input == "grid.xy" ? input : fs::path{"in_" + input.filename().string()};
    if (local != input) {
      fs::copy_file(input, local, fs::copy_options::overwrite_existing);
      fs::permissions(local, fs::perms::owner_write, fs::perm_options::add);
    }
    const auto run = test_support::run_zolkdf(
        ".", "", {"convert", local.string(), "-o", cases.back().name + ".jdx"});
    EXPECT_EQ(run.status, 0) << input << run.err;
    cases.back().doc = formats::load(local.string(), "", {}).doc;
    const std::string text = test_support::read_file(cases.back().name + ".jdx");
    const bool even = std::any_of(cases.back().doc.spectra.begin(), cases.back().doc.spectra.end(),
                                  [](const spectrum::spectrum& t) { return !t.x_stored; });
    EXPECT_EQ(text.find("##XYDATA=") != std::string::npos, even || input == "grid.xy") << input;
  }
  return cases;
}

// Every file that we write, read by jcampconverter, an independent JCAMP-DX reader.
TEST_F(jcamp_writing, is_read_by_jcampconverter_to_the_same_values) {
  std::vector<write_case> from_command_line = command_line_cases();
  const std::string node = ZOLKDF_NODE;
  const fs::path checker = fs::path(ZOLKDF_TEST_DIR) / "node_readers";
  if (node.empty()) GTEST_SKIP() << "Node.js is not installed here (nor in a cross-build)";
  if (!fs::exists(checker / "node_modules" / "jcampconverter"))
    GTEST_SKIP() << "jcampconverter is not installed: run npm ci in " << checker;
  std::vector<write_case> cases = write_cases();
  for (write_case& c : dialogue_inputs()) {
    c.name = "input_" + c.name;
    cases.push_back(c);
  }
  for (write_case& c : from_command_line) cases.push_back(std::move(c));
  for (const write_case& c : cases) {
    if (!c.jcampconverter) continue;
    if (!c.name.starts_with("cli_"))
      test_support::write_file(c.name + ".jdx", written(c.doc, c.options));
    std::string json = "{\"spectra\":[";
    for (std::size_t s = 0; s < c.doc.spectra.size(); ++s) {
      const spectrum::spectrum& t = c.doc.spectra[s];
      for (const char* axis : {"x", "y"}) {
        json += std::string(axis[0] == 'x' ? (s ? ",{" : "{") : ",") + "\"" + axis + "\":[";
        const std::vector<double>& v = axis[0] == 'x' ? t.x : t.y;
        for (std::size_t i = 0; i < v.size(); ++i) {
          char number[32];
          json += std::string(i ? "," : "") +
                  std::string(number, std::to_chars(number, number + 32, v[i]).ptr);
        }
        json += "]";
      }
      json += std::string(",\"exact\":") + (c.exact ? "true" : "false") +
              ",\"hz\":" + (c.doc.x_unit.code == 6 ? "true" : "false") + "}";
    }
    test_support::write_file(c.name + ".json", json + "]}");
  }
  fs::remove("out.jdx");
  const std::string command =
      "\"" + node + "\" \"" + (checker / "jcamp_check.mjs").string() + "\" . > check.txt 2>&1";
  const int status = std::system(command.c_str());
  EXPECT_EQ(status, 0) << test_support::read_file("check.txt");
}

}  // namespace
