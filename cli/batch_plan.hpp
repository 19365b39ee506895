// cli/batch_plan.hpp: the plan of a batch, made before any file is converted: every input
// expanded into jobs, each with the name of its output, and the batch refused where two jobs would
// write one file or a job would replace an input.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cli/cli.hpp"
#include "formats/formats.hpp"

namespace cli {

// One input file and where its output goes.
struct job {
  std::string input;
  std::string output;
};

// The jobs of the inputs of s, converting to the format to; refusal gets the lines that say why
// the batch is refused, if it is, and empty_folders a line for each folder given that holds no
// file of a known format.
std::vector<job> plan(const convert_settings& s, const formats::file_format& to,
                      std::string& refusal, std::string& empty_folders);
// The output of spectrum i (from 0) of count, for a format that holds one spectrum a file: as
// many digits as the count needs. numbered("a/b.xy", 0, 12) == "a/b-01.xy"
std::string numbered(const std::string& output, std::size_t i, std::size_t count);
// Whether a file of the name exists; "-" never does.
bool exists(const std::string& name);

}  // namespace cli
