// cli/batch_plan.cpp: the plan of a batch: the inputs expanded into jobs with their outputs'
// names, and the batch refused where two jobs would write one file or a job would replace an input.
#include "cli/batch_plan.hpp"

#include <algorithm>
#include <filesystem>
#include <map>

#include "cli/load.hpp"
#include "recio/paths.hpp"

namespace cli {

namespace {

namespace fs = std::filesystem;
using formats::file_format;
using recio::path_of;
using recio::utf8_of;

// Where the output of input goes: beside it, or under -d, keeping the folders below a folder
// given as input when the tree is mirrored; named after the input with the format's extension in
// place of its own, or after it.
std::string output_for(const convert_settings& s, const file_format& to, const fs::path& input,
                       const fs::path& below) {
  fs::path out = input;
  if (!s.folder.empty()) out = path_of(s.folder) / below / input.filename();
  const fs::path extension = path_of(std::string{to.extensions.front()});
  if (s.keep_extension)
    out += extension;
  else
    out.replace_extension(extension);
  return utf8_of(out);
}

bool is_folder(const std::string& input) {
  std::error_code ec;
  return input != "-" && fs::is_directory(path_of(input), ec);
}

// The name of a folder given as input: its last part, or the name of the folder that "." or ".."
// stands for; empty for the root.
fs::path name_of_folder(const fs::path& folder) {
  std::error_code ec;
  fs::path whole = fs::absolute(folder, ec).lexically_normal();
  if (whole.filename().empty()) whole = whole.parent_path();
  return whole.filename();
}

bool known_extension(const fs::path& p) {
  return formats::of_extension(utf8_of(p.filename())) != nullptr;
}

// The files of a folder that a format's extension names, in name order.
std::vector<fs::path> files_in(const fs::path& folder, bool recursive, std::string& error) {
  std::vector<fs::path> found;
  std::error_code ec;
  const auto take = [&](const fs::directory_entry& e) {
    std::error_code ignored;
    if (e.is_regular_file(ignored) && known_extension(e.path())) found.push_back(e.path());
  };
  if (recursive) {
    for (fs::recursive_directory_iterator it{folder, ec}, end; !ec && it != end; it.increment(ec))
      take(*it);
  } else {
    for (fs::directory_iterator it{folder, ec}, end; !ec && it != end; it.increment(ec)) take(*it);
  }
  if (ec)
    error = "zolkdf: " + shown_name(utf8_of(folder)) + ": cannot read the folder: " + ec.message() +
            "\n";
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

bool exists(const std::string& name) {
  std::error_code ec;
  return name != "-" && fs::exists(path_of(name), ec);
}

std::vector<job> plan(const convert_settings& s, const file_format& to, std::string& refusal,
                      std::string& empty_folders) {
  std::vector<job> jobs;
  // Under -d the files of one folder given go straight into it, those of several folders each
  // under the folder's own name, so that their files of one name do not meet.
  const bool several_folders = std::count_if(s.inputs.begin(), s.inputs.end(), is_folder) > 1;
  for (const std::string& input : s.inputs) {
    const fs::path p = path_of(input);
    if (is_folder(input)) {
      if (!s.output.empty())
        refusal += "zolkdf: " + shown_name(input) + ": -o takes a file; give -d for a folder\n";
      const std::size_t troubles = refusal.size();
      const std::vector<fs::path> files = files_in(p, s.recursive, refusal);
      if (files.empty() && refusal.size() == troubles)
        empty_folders += "zolkdf: " + shown_name(input) + ": no file of a known format\n";
      const fs::path top = several_folders ? name_of_folder(p) : fs::path{};
      for (const fs::path& f : files) {
        fs::path below = s.recursive ? f.parent_path().lexically_relative(p) : fs::path{};
        if (below == ".") below.clear();
        jobs.push_back({utf8_of(f), output_for(s, to, f, top / below)});
      }
    } else if (!s.output.empty()) {
      jobs.push_back({input, s.output});
    } else if (input == "-") {
      jobs.push_back({input, "-"});
    } else {
      jobs.push_back({input, output_for(s, to, p, {})});
    }
  }
  // Nothing is written when two jobs would write one file, or a job would replace an input. An
  // output that exists may be an input by another name: then every name is followed to its file.
  bool exact = false;
  for (const job& j : jobs) exact = exact || (j.output != "-" && exists(j.output));
  recio::path_identities identity{exact};
  std::map<std::string, std::string> writers;
  std::map<std::string, std::string> inputs;
  for (const job& j : jobs) inputs.emplace(identity(j.input), j.input);
  for (const job& j : jobs) {
    if (j.output == "-") continue;
    const std::string id = identity(j.output);
    if (const auto [at, added] = writers.emplace(id, j.input); !added) {
      // Inputs of one name but for the extension are kept apart by their whole names.
      const bool apart = path_of(at->second).filename() != path_of(j.input).filename();
      refusal += "zolkdf: " + shown_name(at->second) + " and " + shown_name(j.input) +
                 " would both write " + shown_name(j.output) +
                 (apart && !s.keep_extension ? "; give --keep-extension\n" : "\n");
    } else if (const auto in = inputs.find(id); in != inputs.end())
      refusal += "zolkdf: " + shown_name(j.output) + ": the output of " + shown_name(j.input) +
                 " would replace the input " + shown_name(in->second) + "; give -d or -o\n";
  }
  return jobs;
}

std::string numbered(const std::string& output, std::size_t i, std::size_t count) {
  const std::string digits = std::to_string(count);
  std::string number = std::to_string(i + 1);
  number.insert(0, digits.size() - number.size(), '0');
  fs::path p = path_of(output);
  const fs::path extension = p.extension();
  p.replace_filename(utf8_of(p.stem()) + "-" + number);
  p += extension;
  return utf8_of(p);
}

}  // namespace cli
