// fuzz/cli_fuzz.cpp: the command line as a whole on arbitrary bytes: `info` as text and as JSON,
// and `convert` to every format that is written, with the input's name and options taken from the
// first byte. Every CSV table written must read back to the spectra converted, point for point.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/batch_plan.hpp"
#include "cli/cli.hpp"
#include "cli/load.hpp"
#include "formats/formats.hpp"
#include "fuzz/fuzz_support.hpp"
#include "spectrum/axis.hpp"

namespace {

namespace fs = std::filesystem;

constexpr const char* extensions[] = {".y", ".xy", ".6xy", ".spc", ".jdx", ".csv", ".txt", ".dx"};

// What the first byte asks for: the input's extension (bits 0-2), --split (3), --spectrum 1 or 2
// (4, 5), -f of the extension's format (6), --columns 2,1 (7).
struct choices {
  std::string input;
  std::string from;
  std::vector<std::string> options;
  spectrum::read_options reading;
  int spectrum = 0;
  bool split = false;
};

choices choices_of(std::uint8_t b) {
  choices c;
  c.input = std::string{"in"} + extensions[b & 7];
  c.split = (b & 8) != 0;
  if (c.split) c.options.emplace_back("--split");
  if ((b & 16) != 0) {
    c.spectrum = (b & 32) != 0 ? 2 : 1;
    c.options.insert(c.options.end(), {"--spectrum", std::to_string(c.spectrum)});
  }
  if (const formats::file_format* f = formats::of_extension(c.input); (b & 64) != 0 && f) {
    c.from = std::string{f->name};
    c.options.insert(c.options.end(), {"-f", c.from});
  }
  if ((b & 128) != 0) {
    c.reading.x_column = 2;
    c.reading.y_column = 1;
    c.options.insert(c.options.end(), {"--columns", "2,1"});
  }
  return c;
}

// A CSV output read back: it must hold the spectra, with their x and y exactly.
void check_read_back(const std::string& table, const std::vector<spectrum::spectrum>& spectra) {
  const formats::loaded back = formats::load(table, "csv", {});
  if (back.trouble || back.doc.spectra.size() != spectra.size()) __builtin_trap();
  for (std::size_t k = 0; k < spectra.size(); ++k)
    if (back.doc.spectra[k].x != spectra[k].x || back.doc.spectra[k].y != spectra[k].y)
      __builtin_trap();
}

// The spectra that convert writes of the input, as a CSV output reads them; none where it fails.
std::vector<spectrum::spectrum> converted(const choices& c) {
  spectrum::read_options reading = c.reading;
  reading.even_x_values = formats::named("csv")->reads_even_x;
  cli::loaded in = cli::load(c.input, c.from, reading);
  if (!in.error.empty()) return {};
  std::vector<spectrum::spectrum> spectra = std::move(in.doc.spectra);
  if (c.spectrum == 0) return spectra;
  if (static_cast<std::size_t>(c.spectrum) > spectra.size()) return {};
  return {spectra[static_cast<std::size_t>(c.spectrum - 1)]};
}

// The CSV outputs of the spectra under folder, as convert names them, read back.
void check_tables(const choices& c, const std::vector<spectrum::spectrum>& spectra,
                  const std::string& folder) {
  // A table of no rows holds no spectrum to read back.
  for (const spectrum::spectrum& t : spectra)
    if (t.y.empty()) return;
  const std::string whole = folder + "/in.csv";
  if (spectra.size() == 1 || (spectrum::one_x_axis(spectra) && !c.split)) {
    if (fs::exists(whole)) check_read_back(whole, spectra);
    return;
  }
  for (std::size_t i = 0; i < spectra.size(); ++i)
    if (const std::string one = cli::numbered(whole, i, spectra.size()); fs::exists(one))
      check_read_back(one, {spectra[i]});
}

// Inputs that expand to more points than this are shown by info alone: written in every format
// they would take longer than an input may.
constexpr std::size_t most_points = 20'000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::bytes input{data, size};
  const fuzz_support::bytes first = fuzz_support::take_front(input, 1);
  const choices c = choices_of(first.empty() ? 0 : first[0]);
  fuzz_support::run([&] {
    fuzz_support::write_file(c.input, input);
    for (const char* shape : {"--spectra", "--json"}) {
      std::vector<std::string> words{"info", shape, c.input};
      if (!c.from.empty()) words.insert(words.end(), {"-f", c.from});
      cli::run(words);
    }
    const std::vector<spectrum::spectrum> spectra = converted(c);
    std::size_t points = 0;
    for (const spectrum::spectrum& t : spectra) points += t.y.size();
    if (points > most_points) return;
    for (const formats::file_format* f : formats::all()) {
      if (f->write == nullptr) continue;
      std::vector<std::string> words{"convert", c.input, "-t", std::string{f->name}, "-d", "out"};
      words.insert(words.end(), c.options.begin(), c.options.end());
      cli::run(words);
      if (f->name == "csv") check_tables(c, spectra, "out");
      fs::remove_all("out");
    }
  });
  return 0;
}
