// cli/batch_plan.hpp: the plan of a batch, made before any file is converted: every input
// expanded into jobs, each with the name of its output, and the batch refused where two jobs would
// write one file or a job would replace an input.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli.hpp"
#include "formats/formats.hpp"

namespace cli {

// One input file and where its output goes; or an input that fails before it is read (a folder
// that cannot be read, a name the system cannot take), with the line that says why.
struct job {
  std::string input;
  std::string output;
  std::string failure{};
};

// The inputs of a batch by the identities of their files.
using input_identities = std::map<std::string, std::string>;

// The jobs of the inputs of s, converting to the format to; refusal gets the lines that say why
// the batch is refused, if it is, and empty_folders a line for each folder given that holds no
// file of a known format. Outputs are compared with each other and with the inputs by the files
// they are, found whatever the letter case where their folder finds names so; the outputs of the
// spectra of a file of several among them. inputs, where given, gets the identities of the inputs.
std::vector<job> plan(const convert_settings& s, const formats::file_format& to,
                      std::string& refusal, std::string& empty_folders,
                      input_identities* inputs = nullptr);
// Whether the spectra of a file go to one output, rather than to one file a spectrum.
bool written_whole(const convert_settings& s, const formats::file_format& to,
                   const std::vector<spectrum::spectrum>& spectra);
// The output of spectrum i (from 0) of count, for a format that holds one spectrum a file: as
// many digits as the count needs. numbered("a/b.xy", 0, 12) == "a/b-01.xy"
std::string numbered(const std::string& output, std::size_t i, std::size_t count);
// Whether a file of the name exists; "-" never does.
bool exists(const std::string& name);
// Whether the name is a folder; "-" never is.
bool is_folder(const std::string& name);
// The system's reason that a folder cannot be read or created, in the words of the program's
// other reports: "permission denied".
std::string reason_of(const std::error_code& ec);

}  // namespace cli
