// cli/cli.hpp: the command line: `zolkdf convert`, `zolkdf info`, `zolkdf plot`, help and version.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "spectrum/document.hpp"

namespace cli {

// Whether the first word of the command line selects the command line rather than the dialogue:
// a command, or a request for help or the version.
bool is_command(std::string_view first_word);
// Runs the command line on its words (the program's name left out); returns the exit status:
// 0 done, 1 a file failed, 2 a usage error.
int run(const std::vector<std::string>& words);

// What `zolkdf convert` was asked to do.
struct convert_settings {
  std::vector<std::string> inputs;
  std::string output;  // -o
  std::string folder;  // -d
  bool recursive = false;
  std::string to;    // -t, or empty
  std::string from;  // -f, or empty
  bool no_clobber = false;
  bool keep_extension = false;  // outputs named after the inputs' whole names: a.spc.xy
  unsigned jobs = 1;
  bool quiet = false;
  bool verbose = false;
  std::optional<int> spectrum;  // --spectrum, counting from 1
  bool split = false;           // --split: one file a spectrum, whatever the output holds
  spectrum::read_options reading;
  spectrum::write_options writing;
};

// Converts every input; returns the exit status.
int convert(const convert_settings& settings);
// What `zolkdf info` was asked to show.
struct info_settings {
  std::vector<std::string> files;
  std::string from;  // -f, or empty
  spectrum::read_options reading;
  bool json = false;
  bool each_spectrum = false;  // --spectra: a line for each spectrum of a file of several
};

// Shows what each file holds, as text or as one JSON array; returns the exit status.
int info(const info_settings& settings);

// What `zolkdf plot` was asked to draw.
struct plot_settings {
  std::vector<std::string> inputs;
  std::string output;  // -o: an SVG picture; empty: drawn as text on standard output
  std::string from;    // -f, or empty
  spectrum::read_options reading;
  std::optional<int> spectrum;  // --spectrum, counting from 1
  bool stack = false;           // each spectrum above the one before
  std::optional<std::pair<double, double>> x_limits, y_limits;  // low, high
  int width = 800, height = 500;                                // of the picture, in pixels
  std::string title;
  std::optional<bool> x_descending;  // else as the x unit is read
};

// Draws every spectrum of every file read on one set of axes; returns the exit status.
int plot_spectra(const plot_settings& settings);

// Standard output and standard error, written as they stand; to_output tells whether the text was
// written.
bool to_output(std::string_view text);
void to_error(std::string_view text);

}  // namespace cli
