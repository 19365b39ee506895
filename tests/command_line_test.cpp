// tests/command_line_test.cpp: `zolkdf convert` and `zolkdf info` run as a user runs them: the
// bytes they write against the dialogue's for the same conversion, names of any kind, standard
// streams, batches that carry on, threads, and JSON that a program reads back. The messages of
// single runs are cases of tests/e2e (their folders begin with cli_).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::read_file;
using test_support::run_zolkdf;
using test_support::write_file;

const fs::path examples = fs::path(ZOLKDF_TEST_DIR) / ".." / "examples";

fs::path copy_of_examples(const std::string& name) {
  const fs::path work = test_support::scratch_folder(name);
  for (const auto& e : fs::directory_iterator(examples)) fs::copy(e.path(), work / e.path().filename());
  return work;
}

fs::path u8(const std::string& s) { return fs::path{std::u8string{s.begin(), s.end()}}; }

// An SPC file's bytes with its date field blanked: the clock writes it.
std::string without_date(std::string bytes) {
  if (bytes.size() < 36) return bytes;
  const bool old = static_cast<unsigned char>(bytes[1]) == 0x4D;
  bytes.replace(old ? 18 : 32, old ? 6 : 4, old ? 6 : 4, '\0');
  return bytes;
}

struct output_format {
  const char* name;  // as -t takes it
  int code;          // the dialogue's format code
  const char* extension;
};
constexpr output_format outputs[] = {
    {"y", 1, ".y"}, {"xy", 2, ".xy"}, {"6xy", 3, ".6xy"}, {"spc-old", 5, ".spc"}, {"spc", 6, ".spc"}};
struct input_file {
  const char* name;
  int code;
};
constexpr input_file inputs[] = {
    {"sample.y", 1}, {"sample.xy", 2}, {"sample.6xy", 3}, {"old.spc", 5}, {"new.spc", 6}};

TEST(convert, writes_every_example_in_every_other_format_as_the_dialogue_does) {
  const fs::path work = copy_of_examples("cli-every-format");
  std::string list = std::to_string(std::size(inputs) * std::size(outputs)) + "\r\n";
  for (const input_file& in : inputs)
    for (const output_format& out : outputs) {
      const std::string d = std::string{"d"} + std::to_string(in.code) + std::to_string(out.code) +
                            out.extension;
      list += std::string{in.name} + "\r\n" + std::to_string(in.code) + "\r\n" + d + "\r\n" +
              std::to_string(out.code) + "\r\n";
      if (out.code >= 5) list += "a memo\r\n";
    }
  write_file(work / "all.lst", list);
  ASSERT_EQ(run_zolkdf(work, "F\nall.lst\n").status, 0);

  for (const input_file& in : inputs)
    for (const output_format& out : outputs) {
      // SPC to SPC keeps the input's texts and units, which the dialogue drops.
      if (in.code >= 5 && out.code >= 5) continue;
      const std::string c = std::string{"c"} + std::to_string(in.code) + std::to_string(out.code) +
                            out.extension;
      const auto run = run_zolkdf(work, "", {"convert", in.name, "-t", out.name, "-o", c, "--memo",
                                             "a memo"});
      EXPECT_EQ(run.status, 0) << c << run.err;
      EXPECT_EQ(run.out + run.err, "") << c;
      const std::string d = "d" + c.substr(1);
      if (in.code <= 3 && out.code == 5) {
        // The old variant's integers are scaled from y read in double precision, the dialogue's
        // from y read in single: they may differ by a step, which no XY file shows.
        for (const std::string& f : {c, d})
          ASSERT_EQ(run_zolkdf(work, "", {"convert", f, "-o", f + ".xy"}).status, 0);
        EXPECT_EQ(read_file(work / (c + ".xy")), read_file(work / (d + ".xy"))) << in.name;
        continue;
      }
      EXPECT_EQ(without_date(read_file(work / c)), without_date(read_file(work / d)))
          << in.name << " -> " << out.name;
    }
  fs::remove_all(work);
}

TEST(convert, takes_names_of_any_length_and_letters_and_the_standard_streams) {
  const fs::path work = copy_of_examples("cli-names");
  const std::string y = read_file(work / "sample.y");
  const std::string long_folder(200, 'f');
  const std::vector<std::string> names{"benzene sample 2026-11-03.xy", "spektrum-grün-µm.xy",
                                       long_folder + "/" + std::string(100, 'n') + ".xy"};
  for (const std::string& name : names) {
    fs::create_directories((work / u8(name)).parent_path());
    fs::copy(work / "sample.xy", work / u8(name));
    const auto run = run_zolkdf(work, "", {"convert", name, "-t", "y"});
    EXPECT_EQ(run.status, 0) << name << run.err;
    fs::path out = u8(name);
    EXPECT_EQ(read_file(work / out.replace_extension(".y")), y) << name;
  }
  // Standard input to standard output, the format found from the bytes.
  const auto piped = run_zolkdf(work, read_file(work / "sample.xy"), {"convert", "-", "-t", "y"});
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, y);
  fs::remove_all(work);
}

TEST(convert, leaves_existing_outputs_alone_when_asked) {
  const fs::path work = copy_of_examples("cli-no-clobber");
  const std::string y = read_file(work / "sample.y");
  write_file(work / "sample.y", "kept");
  fs::copy(work / "sample.xy", work / "other.xy");
  // A file of two spectra, one of whose outputs is there: it counts as converted.
  const std::string block = "##XYDATA=(X++(Y..Y))\n1 2 3\n##END=\n";
  write_file(work / "two.jdx", "##TITLE=a\n##BLOCKS=2\n##TITLE=b\n##FIRSTX=1\n##LASTX=2\n" +
                                   block + "##TITLE=c\n##FIRSTX=1\n##LASTX=2\n" + block + "##END=\n");
  write_file(work / "two-1.y", "kept");
  const auto run =
      run_zolkdf(work, "", {"convert", "-n", "sample.xy", "other.xy", "two.jdx", "-t", "y"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "converted 2 of 3 files; 1 left as they were\n");
  EXPECT_EQ(read_file(work / "sample.y"), "kept");
  EXPECT_EQ(read_file(work / "two-1.y"), "kept");
  EXPECT_TRUE(fs::exists(work / "two-2.y"));
  EXPECT_EQ(read_file(work / "other.y"), y);
  fs::remove_all(work);
}

// Format names are taken in any letter case; a number that counts from 1 given wrong is one line
// and the hint, with status 2.
TEST(convert, takes_format_names_in_any_case_and_says_in_one_line_what_a_number_lacks) {
  const fs::path work = copy_of_examples("cli-usage");
  const struct {
    std::vector<std::string> args;
    std::string mistake;
  } cases[] = {
      {{"convert", "sample.xy", "-f", "Xy", "-t", "CSV"}, ""},
      {{"info", "-f", "XY", "sample.xy"},                 ""},
      {{"convert", "new.spc", "--spectrum", "0"},          "--spectrum: counts from 1"},
      {{"convert", "new.spc", "--spectrum", "-2"},         "--spectrum: counts from 1"},
      {{"convert", "new.spc", "--spectrum", "1.5"},        "--spectrum: 1.5 is not a whole number"},
      {{"convert", "new.spc", "--spectrum", "3000000000"}, "--spectrum: 3000000000 is too large"},
      {{"convert", "t.csv", "--columns", "0,2"},           "--columns: counts from 1"},
      {{"convert", "new.spc", "-j", "0"},                  "--jobs: 0 is not a number of files from 1 to 1024"},
  };
  for (const auto& c : cases) {
    const auto run = run_zolkdf(work, "", c.args);
    const std::string hint = "\nRun 'zolkdf convert --help' for more information.\n";
    EXPECT_EQ(run.err, c.mistake.empty() ? "" : "zolkdf convert: " + c.mistake + hint);
    EXPECT_EQ(run.status, c.mistake.empty() ? 0 : 2) << c.args.back();
  }
  EXPECT_EQ(read_file(work / "sample.csv").substr(0, 21), "x,y\r\n1800,0.1234567\r\n");
  fs::remove_all(work);
}

// A folder taken with the folders inside it is mirrored under -d, its files in name order, and
// each spectrum of a file of several is named with its number.
TEST(convert, mirrors_a_folder_and_names_each_output_in_name_order) {
  const fs::path work = test_support::scratch_folder("cli-mirror");
  fs::create_directories(work / "in" / "sub");
  for (const char* name : {"e.xy", "sub/c.xy", "b.xy", "a.xy"})
    fs::copy(examples / "sample.xy", work / "in" / name);
  const std::string block = "##XYDATA=(X++(Y..Y))\n1 2 3\n##END=\n";
  write_file(work / "in" / "two.jdx", "##TITLE=a\n##BLOCKS=2\n##TITLE=b\n##FIRSTX=1\n##LASTX=2\n" +
                                          block + "##TITLE=c\n##FIRSTX=1\n##LASTX=2\n" + block +
                                          "##END=\n");
  const auto run = run_zolkdf(work, "", {"convert", "in", "-r", "-d", "out", "-t", "y", "-v"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "zolkdf: in/a.xy -> out/a.y\nzolkdf: in/b.xy -> out/b.y\nzolkdf: in/e.xy -> out/e.y\n"
            "zolkdf: in/sub/c.xy -> out/sub/c.y\nzolkdf: in/two.jdx -> out/two-1.y\n"
            "zolkdf: out/two-1.y: Y (single column with a head) cannot hold: title\n"
            "zolkdf: in/two.jdx -> out/two-2.y\n"
            "zolkdf: out/two-2.y: Y (single column with a head) cannot hold: title\n"
            "converted 5 of 5 files\n");
  EXPECT_EQ(read_file(work / "out" / "sub" / "c.y"), read_file(examples / "sample.y"));
  fs::remove_all(work);
}

// A batch of many files, some of them bad: every thread count reports and writes alike.
TEST(convert, gives_the_same_results_on_four_threads_as_on_one) {
  const fs::path work = test_support::scratch_folder("cli-threads");
  for (int i = 0; i < 40; ++i) {
    fs::create_directories(work / "in");
    const std::string name = "in/s" + std::to_string(100 + i);
    if (i % 7 == 3)
      write_file(work / (name + ".xy"), "1800.0 0.5\r\n1750.0 not-a-number\r\n");
    else
      fs::copy(examples / (i % 2 == 0 ? "sample.xy" : "new.spc"),
               work / (name + (i % 2 == 0 ? ".xy" : ".spc")));
  }
  const auto one = run_zolkdf(work, "", {"convert", "in", "-d", "one", "-t", "y", "-j", "1"});
  const auto four = run_zolkdf(work, "", {"convert", "in", "-d", "four", "-t", "y", "-j", "4"});
  EXPECT_EQ(one.status, 1);
  EXPECT_EQ(four.status, one.status);
  EXPECT_EQ(four.err, one.err);
  EXPECT_NE(one.err.find("converted 34 of 40 files; 6 failed\n"), std::string::npos) << one.err;
  std::size_t files = 0;
  for (const auto& e : fs::directory_iterator(work / "one")) {
    EXPECT_EQ(read_file(work / "four" / e.path().filename()), read_file(e.path()));
    ++files;
  }
  EXPECT_EQ(files, 34u);
  fs::remove_all(work);
}

TEST(convert, carries_two_million_points_to_spc_and_back) {
  const fs::path work = test_support::scratch_folder("cli-large");
  std::string xy;
  for (int i = 0; i < 2000000; ++i)
    xy += std::to_string(4000 - i / 1000) + "." + std::to_string(i % 1000 / 100) + "  " +
          std::to_string(i % 977) + "\r\n";
  write_file(work / "big.xy", xy);
  ASSERT_EQ(run_zolkdf(work, "", {"convert", "big.xy", "-o", "direct.xy"}).status, 0);
  ASSERT_EQ(run_zolkdf(work, "", {"convert", "big.xy", "-o", "big.spc"}).status, 0);
  ASSERT_EQ(run_zolkdf(work, "", {"convert", "big.spc", "-o", "back.xy"}).status, 0);
  EXPECT_EQ(fs::file_size(work / "back.xy"), 2000000u * 29u);
  EXPECT_EQ(read_file(work / "back.xy"), read_file(work / "direct.xy"));
  fs::remove_all(work);
}

const fs::path spc_samples = fs::path(ZOLKDF_SHARED_DIR) / "spc_samples";

// Copies the real SPC files, OLE_UV.SPC aside, into folder; the copies may be written (the
// shared files are read-only, and Windows removes no read-only file).
void copy_spc_samples(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator(spc_samples)) {
    if (!e.is_regular_file() || e.path().extension() == ".md" || e.path().filename() == "OLE_UV.SPC")
      continue;
    fs::copy(e.path(), folder / e.path().filename());
    fs::permissions(folder / e.path().filename(), fs::perms::owner_write, fs::perm_options::add);
  }
}

// The files of a folder by name, with their bytes.
std::map<std::string, std::string> files_of(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(folder))
    files[e.path().filename().string()] = read_file(e.path());
  return files;
}

// Every real SPC file through SPC and back to XY gives the XY files that it gives straight, one
// for each spectrum; its units, texts and log come through as info shows them.
TEST(convert, carries_every_real_spc_file_through_spc_unchanged) {
  if (!fs::exists(spc_samples)) GTEST_SKIP() << "no shared SPC samples";
  const fs::path work = test_support::scratch_folder("cli-spc-samples");
  fs::create_directories(work / "in");
  copy_spc_samples(work / "in");
  ASSERT_EQ(run_zolkdf(work, "", {"convert", "in", "-d", "spc", "-t", "spc", "-q"}).status, 0);
  ASSERT_EQ(run_zolkdf(work, "", {"convert", "in", "-d", "straight", "-t", "xy", "-q"}).status, 0);
  ASSERT_EQ(run_zolkdf(work, "", {"convert", "spc", "-d", "back", "-t", "xy", "-q"}).status, 0);
  const auto straight = files_of(work / "straight");
  EXPECT_EQ(straight.size(), 14u + 32 + 512 + 32 + 350 - 4);  // one file a spectrum
  EXPECT_TRUE(straight.contains("m_xyxy-512.xy") && straight.contains("LCDIODE-001.xy"));
  EXPECT_EQ(files_of(work / "back"), straight);

  for (const auto& e : fs::directory_iterator(work / "in")) {
    const std::string name = e.path().filename().string();
    // A new-variant file of one spectrum gives back its y data bytes, integers or floats.
    const std::string in = read_file(e.path());
    const std::string out = read_file(work / "spc" / (e.path().stem().string() + ".spc"));
    if (in.size() > 544 && in[0] == 0 && in[1] == 0x4B) {
      const std::size_t n = static_cast<unsigned char>(in[4]) |
                            static_cast<std::size_t>(static_cast<unsigned char>(in[5])) << 8 |
                            static_cast<std::size_t>(static_cast<unsigned char>(in[6])) << 16;
      EXPECT_EQ(out.substr(3, 1), in.substr(3, 1)) << name << ": the exponent";
      EXPECT_TRUE(out.substr(544, 4 * n) == in.substr(544, 4 * n)) << name << ": the y data";
    }
    const auto before = run_zolkdf(work, "", {"info", "--json", "in/" + name});
    const auto after = run_zolkdf(work, "", {"info", "--json", "spc/" + e.path().stem().string() + ".spc"});
    auto a = nlohmann::json::parse(before.out)[0];
    auto b = nlohmann::json::parse(after.out)[0];
    for (const char* kept :
         {"x_unit", "y_unit", "title", "resolution", "instrument", "log", "spectra"})
      EXPECT_EQ(a[kept], b[kept]) << name << " " << kept;
    // The old variant has no z unit, experiment or date: the new one then says its defaults.
    for (const char* kept : {"z_unit", "experiment"})
      if (a[kept]["code"] != -1) {
        EXPECT_EQ(a[kept], b[kept]) << name << " " << kept;
      }
    if (!a["date"].is_null()) {
      EXPECT_EQ(a["date"], b["date"]) << name;
    }
  }
  // The compound document that some software names .spc is refused by name.
  write_file(work / "OLE_UV.SPC", read_file(spc_samples / "OLE_UV.SPC"));
  const auto ole = run_zolkdf(work, "", {"info", "OLE_UV.SPC"});
  EXPECT_EQ(ole.status, 1);
  EXPECT_NE(ole.err.find("not an SPC file (a compound document)"), std::string::npos) << ole.err;
  fs::remove_all(work);
}

// The y values of an XY file, record by record.
std::vector<double> y_values(const std::string& xy) {
  std::vector<double> y;
  for (std::size_t at = 0; at + 27 <= xy.size(); at = xy.find('\n', at) + 1)
    y.push_back(std::stod(xy.substr(at + 13, 14)));
  return y;
}

// One unit of the last of the seven digits that an XY file shows of y, a little more for the
// rounding of its text.
double last_digit(double y) {
  return y == 0 ? 0 : 1.000001 * std::pow(10.0, std::floor(std::log10(std::fabs(y))) - 6);
}

// Every example and real SPC file through JCAMP-DX and CSV and back gives its XY files: byte for
// byte through CSV, and through JCAMP-DX for integer data; float data keeps every y within 1E-8
// of the largest, which the XY file's seven digits may show as one unit of the last digit.
TEST(convert, carries_every_example_and_real_spc_file_through_jcamp_dx_and_csv) {
  const fs::path work = copy_of_examples("cli-exchange");
  fs::create_directories(work / "in");
  for (const char* name : {"sample.y", "sample.xy", "sample.6xy", "old.spc", "new.spc"})
    fs::copy(work / name, work / "in" / (fs::path{name}.extension().string().substr(1) + name));
  if (fs::exists(spc_samples)) copy_spc_samples(work / "in");
  const auto convert = [&](const std::string& from, const std::string& to, const char* format) {
    const auto r = run_zolkdf(work, "", {"convert", from, "-d", to, "-t", format, "-q", "-r"});
    EXPECT_EQ(r.status, 0) << from << " -> " << format << ": " << r.err;
  };
  convert("in", "straight", "xy");
  for (const char* format : {"jcamp", "csv"}) {
    const std::string middle = std::string{format} + "-files";
    const std::string back = std::string{format} + "-back";
    convert("in", middle, format);
    convert(middle, back, "xy");
    const auto straight = files_of(work / "straight");
    for (const auto& [name, bytes] : files_of(work / back)) {
      ASSERT_TRUE(straight.contains(name)) << name;
      if (bytes == straight.at(name)) continue;
      EXPECT_STREQ(format, "jcamp") << name << " changed through CSV";
      const std::vector<double> a = y_values(straight.at(name));
      const std::vector<double> b = y_values(bytes);
      ASSERT_EQ(a.size(), b.size()) << name;
      double largest = 0;
      for (const double v : a) largest = std::max(largest, std::fabs(v));
      for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_LE(std::fabs(a[i] - b[i]), 1e-8 * largest + last_digit(a[i])) << name << " " << i;
    }
    EXPECT_EQ(files_of(work / back).size(), straight.size()) << format;
  }
  fs::remove_all(work);
}

// An uneven spectrum keeps its x through SPC; a Y file cannot hold it.
TEST(convert, keeps_uneven_x_through_spc) {
  const fs::path work = test_support::scratch_folder("cli-uneven");
  write_file(work / "u.xy", "    1.00000    .1000000E+01\r\n    2.00000    .2000000E+01\r\n"
                            "   10.00000    .3000000E+01\r\n");
  EXPECT_EQ(run_zolkdf(work, "", {"convert", "u.xy", "-o", "u.spc"}).status, 0);
  EXPECT_EQ(run_zolkdf(work, "", {"convert", "u.spc", "-o", "back.xy"}).status, 0);
  EXPECT_EQ(read_file(work / "back.xy"), read_file(work / "u.xy"));
  const auto old = run_zolkdf(work, "", {"convert", "u.xy", "-t", "spc-old", "-o", "old.spc"});
  EXPECT_EQ(old.status, 1);
  EXPECT_FALSE(fs::exists(work / "old.spc"));
  fs::remove_all(work);
}

TEST(info, gives_json_that_reads_back) {
  const fs::path work = copy_of_examples("cli-info");
  const auto run = run_zolkdf(work, "", {"info", "--json", "sample.6xy", "missing.xy", "new.spc"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "zolkdf: missing.xy: cannot read: file not found\n");
  const auto files = nlohmann::json::parse(run.out);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0]["format"], "6xy");
  EXPECT_EQ(files[0]["facts"]["records"], 3);
  EXPECT_EQ(files[0]["spectra"][0]["points"], 8);
  EXPECT_EQ(files[0]["spectra"][0]["first_x"], 1800.0);
  EXPECT_EQ(files[0]["spectra"][0]["last_x"], 1450.0);
  EXPECT_EQ(files[1]["format"], "spc");
  EXPECT_EQ(files[1]["spectra"][0]["x"], "even");
  fs::remove_all(work);
}

}  // namespace
