// tests/round_trip_test.cpp: every example and real SPC file through JCAMP-DX and CSV and back,
// compared through what `zolkdf info --json` shows of each: the fields that the middle format
// holds come back, the values exactly or within what JCAMP-DX's integers keep.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test_support::read_file;
using test_support::run_zolkdf;

const fs::path examples = fs::path(ZOLKDF_TEST_DIR) / ".." / "examples";
const fs::path spc_samples = fs::path(ZOLKDF_SHARED_DIR) / "spc_samples";

// The SPC examples and real SPC files (OLE_UV.SPC, which is no SPC file, aside) under work/in.
fs::path spc_inputs(const std::string& name) {
  const fs::path work = test_support::scratch_folder(name);
  fs::create_directories(work / "in");
  for (const char* example : {"old.spc", "new.spc"}) fs::copy(examples / example, work / "in");
  if (fs::exists(spc_samples))
    for (const auto& e : fs::directory_iterator(spc_samples)) {
      const std::string ext = e.path().extension().string();
      if ((ext == ".spc" || ext == ".SPC") && e.path().filename() != "OLE_UV.SPC") {
        // The copies may be written: the shared files are read-only, and Windows removes no
        // read-only file.
        fs::copy_file(e.path(), work / "in" / e.path().filename(),
                      fs::copy_options::overwrite_existing);
        fs::permissions(work / "in" / e.path().filename(), fs::perms::owner_write,
                        fs::perm_options::add);
      }
    }
  return work;
}

void convert(const fs::path& work, const std::string& from, const std::string& to,
             const char* format) {
  const auto r = run_zolkdf(work, "", {"convert", from, "-d", to, "-t", format, "-q"});
  EXPECT_EQ(r.status, 0) << from << " -> " << format << ": " << r.err;
}

json info_of(const fs::path& work, const fs::path& file) {
  const auto r = run_zolkdf(work, "", {"info", "--json", file.string()});
  EXPECT_EQ(r.status, 0) << file << r.err;
  return json::parse(r.out).at(0);
}

// The fields of info --json that each middle format holds, beside the units and the z of each
// spectrum, which both hold.
struct middle {
  const char* format;
  std::vector<const char*> fields;
};
const middle middles[] = {
    {"jcamp", {"title", "date", "resolution", "instrument", "experiment", "log"}},
    {"csv", {}},
};

// A field that the input's format has no room for, which an SPC output fills with its own: no
// date (the clock's), no z unit or experiment in the old variant ("Arbitrary", "General SPC"); or
// that it leaves empty, which JCAMP-DX fills: no title (the file's name).
bool not_in_the_input(const json& field) {
  return field.is_null() || field == "" ||
         (field.is_object() && field["code"] == -1 && field["name"] == "");
}

// A text without the blanks around it, as JCAMP-DX keeps a record's value; any other field as it
// is.
json without_blanks(const json& field) {
  if (!field.is_string()) return field;
  const std::string s = field;
  const std::size_t first = s.find_first_not_of(' ');
  return first == std::string::npos ? "" : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The count, ends, spacing and z of each spectrum, one line each.
std::string points_of(const json& file) {
  std::string lines;
  for (const json& s : file["spectra"]) {
    for (const char* key : {"points", "first_x", "last_x", "x", "z"}) lines += s[key].dump() + " ";
    lines += "\n";
  }
  return lines;
}

// Every SPC file through JCAMP-DX and CSV and back to SPC keeps its units, the z of each spectrum
// and its points, and through JCAMP-DX its texts, date, resolution, source and experiment.
TEST(round_trip, spc_through_jcamp_dx_and_csv_keeps_what_the_middle_holds) {
  const fs::path work = spc_inputs("round-trip-spc");
  std::set<std::string> inputs;
  for (const auto& e : fs::directory_iterator(work / "in")) inputs.insert(e.path().filename().string());
  for (const middle& m : middles) {
    const std::string there = std::string{m.format} + "-files";
    const std::string back = std::string{m.format} + "-back";
    convert(work, "in", there, m.format);
    convert(work, there, back, "spc");
    std::size_t compared = 0;
    for (const std::string& name : inputs) {
      const fs::path returned = work / back / fs::path{name}.replace_extension(".spc");
      if (!fs::exists(returned)) continue;  // a file of several x axes came back in pieces
      ++compared;
      const json a = info_of(work, work / "in" / name);
      const json b = info_of(work, returned);
      const std::string where = name + " through " + m.format;
      std::vector<const char*> keys{"x_unit", "y_unit", "z_unit"};
      keys.insert(keys.end(), m.fields.begin(), m.fields.end());
      for (const char* key : keys)
        if (!not_in_the_input(a[key])) {
          EXPECT_EQ(without_blanks(a[key]), without_blanks(b[key])) << where << " " << key;
        }
      EXPECT_EQ(points_of(a), points_of(b)) << where;
    }
    EXPECT_GE(compared + 1, inputs.size()) << m.format;  // m_xyxy.spc alone may split
  }
  fs::remove_all(work);
}

// The numbers of a CSV file, line by line; header lines give none.
std::vector<std::vector<double>> table_of(const std::string& csv) {
  std::vector<std::vector<double>> rows;
  for (std::size_t at = 0; at < csv.size(); at = csv.find('\n', at) + 1) {
    const std::string line = csv.substr(at, csv.find('\n', at) - at);
    if (line.empty() || !(std::isdigit(static_cast<unsigned char>(line[0])) || line[0] == '-'))
      continue;
    std::vector<double>& row = rows.emplace_back();
    for (std::size_t p = 0; p < line.size(); p = line.find(',', p) + 1) {
      row.push_back(std::stod(line.substr(p)));
      if (line.find(',', p) == std::string::npos) break;
    }
  }
  return rows;
}

// CSV to CSV gives the same bytes; CSV through JCAMP-DX gives the same doubles for integer data
// and every value within 1E-8 of the largest of its column otherwise.
TEST(round_trip, csv_through_csv_and_jcamp_dx_keeps_the_doubles) {
  const fs::path work = spc_inputs("round-trip-csv");
  convert(work, "in", "csv", "csv");
  convert(work, "csv", "again", "csv");
  convert(work, "csv", "jcamp", "jcamp");
  convert(work, "jcamp", "jcamp-back", "csv");
  for (const auto& e : fs::directory_iterator(work / "csv")) {
    const std::string name = e.path().filename().string();
    const std::string bytes = read_file(e.path());
    EXPECT_EQ(read_file(work / "again" / name), bytes) << name;
    const auto a = table_of(bytes);
    const auto b = table_of(read_file(work / "jcamp-back" / name));
    ASSERT_EQ(a.size(), b.size()) << name;
    std::vector<double> largest(a.empty() ? 0 : a[0].size(), 0.0);
    for (const auto& row : a)
      for (std::size_t c = 0; c < row.size() && c < largest.size(); ++c)
        largest[c] = std::max(largest[c], std::fabs(row[c]));
    for (std::size_t r = 0; r < a.size(); ++r) {
      ASSERT_EQ(a[r].size(), b[r].size()) << name << " row " << r;
      for (std::size_t c = 0; c < a[r].size(); ++c)
        EXPECT_LE(std::fabs(a[r][c] - b[r][c]), 1e-8 * largest[c]) << name << " " << r << "," << c;
    }
  }
  fs::remove_all(work);
}

}  // namespace
