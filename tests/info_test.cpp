// tests/info_test.cpp: `zolkdf info --json` of every example, every shared SPC and JCAMP-DX sample
// and every file of the info cases of tests/e2e, checked against doc/info.schema.json by a JSON
// Schema validator: Python's jsonschema, which .ci/run installs where it is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path source_root = fs::path(ZOLKDF_TEST_DIR) / "..";
const fs::path shared = fs::path(ZOLKDF_SHARED_DIR);

#ifdef _WIN32

TEST(info_json, fits_the_schema_for_every_example_and_sample) {
  GTEST_SKIP() << "the validator runs on the building system";
}

#else

// The command of a Python that has jsonschema, or "" when none has.
std::string validator() {
  for (const std::string python : {"python3", "/usr/bin/python3"})
    if (std::system((python + " -c 'import jsonschema' >/dev/null 2>&1").c_str()) == 0)
      return python;
  return "";
}

// Checks the schema itself, then the output against it; prints each fault with its place.
constexpr const char* check_script = R"(import json, sys
from jsonschema import Draft202012Validator
schema = json.load(open(sys.argv[1]))
Draft202012Validator.check_schema(schema)
output = json.load(open(sys.argv[2]))
faults = list(Draft202012Validator(schema).iter_errors(output))
for f in faults[:20]:
    place = list(f.absolute_path)
    name = output[place[0]].get("file", "") if place and isinstance(output[place[0]], dict) else ""
    print(name, "/".join(map(str, place)), f.message)
sys.exit(1 if faults else 0)
)";

// The files of a folder that info is to read: those of a spectrum format, by extension.
std::vector<std::string> spectrum_files(const fs::path& folder) {
  std::vector<std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& e : fs::directory_iterator(folder)) {
    std::string extension = e.path().extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (e.is_regular_file() && extension != ".lst" && extension != ".md" && extension != ".json")
      files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(info_json, fits_the_schema_for_every_example_and_sample) {
  std::vector<std::string> inputs = spectrum_files(source_root / "examples");
  for (const auto& e : fs::directory_iterator(source_root / "tests" / "e2e"))
    if (e.path().filename().string().rfind("cli_info", 0) == 0)
      for (const std::string& f : spectrum_files(e.path() / "files")) inputs.push_back(f);
  // The shared samples where this machine has them.
  for (const char* samples : {"spc_samples", "jcamp_samples"})
    for (const std::string& f : spectrum_files(shared / samples)) inputs.push_back(f);
  const fs::path work = test_support::scratch_folder("info-schema");
  std::vector<std::string> args{"info", "--json"};
  args.insert(args.end(), inputs.begin(), inputs.end());
  const auto run = test_support::run_zolkdf(work, "", args);

  // Each file is shown, or refused as a compound document saved as .spc.
  const auto output = nlohmann::json::parse(run.out);
  ASSERT_TRUE(output.is_array());
  std::size_t refused = 0;
  for (std::size_t at = 0; at < run.err.size(); at = run.err.find('\n', at) + 1, ++refused)
    EXPECT_NE(run.err.substr(at, run.err.find('\n', at) - at).find("(a compound document)"),
              std::string::npos)
        << run.err;
  EXPECT_EQ(output.size() + refused, inputs.size());
  for (const auto& file : output)
    EXPECT_TRUE(file.value("spectra", nlohmann::json{}).is_array()) << file.dump();

  const std::string python = validator();
  if (python.empty()) {
    fs::remove_all(work);
    GTEST_SKIP()
        << "no Python with jsonschema to validate with (apt-get install python3-jsonschema)";
  }
  test_support::write_file(work / "output.json", run.out);
  test_support::write_file(work / "check.py", check_script);
  const std::string command = python + " '" + (work / "check.py").string() + "' '" +
                              (source_root / "doc" / "info.schema.json").string() + "' '" +
                              (work / "output.json").string() + "' >'" +
                              (work / "faults").string() + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << test_support::read_file(work / "faults");
  fs::remove_all(work);
}

#endif

}  // namespace
