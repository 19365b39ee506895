// cli/batch_plan.cpp: the plan of a batch: the inputs expanded into jobs with their outputs'
// names, and the batch refused where two jobs would write one file or a job would replace an input.
#include "cli/batch_plan.hpp"

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>

#include "cli/load.hpp"
#include "recio/identity.hpp"
#include "recio/io_errors.hpp"
#include "recio/paths.hpp"
#include "spectrum/axis.hpp"

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

// A file found in a folder given, or a folder in it that cannot be read, with the line that says
// so.
struct found_file {
  fs::path path;
  std::string failure;
};

// Adds the files of a folder that a format's extension names, and with recursive those of the
// folders inside it; a folder that cannot be read is added as a failure of its own, and the rest
// is still taken. Linked folders are not entered, so that a loop of links ends.
void add_files_in(const fs::path& folder, bool recursive, std::vector<found_file>& found) {
  std::vector<fs::path> folders;
  std::error_code ec;
  for (fs::directory_iterator it{folder, ec}, end; !ec && it != end; it.increment(ec)) {
    std::error_code ignored;
    if (recursive && it->is_directory(ignored) && !it->is_symlink(ignored))
      folders.push_back(it->path());
    else if (it->is_regular_file(ignored) && known_extension(it->path()))
      found.push_back({it->path(), {}});
  }
  if (ec)
    found.push_back({folder, "zolkdf: " + shown_name(utf8_of(folder)) +
                                 ": cannot read the folder: " + reason_of(ec) + "\n"});
  for (const fs::path& f : folders) add_files_in(f, true, found);
}

// What the refusal of an output that would replace an input tells the user to give instead.
std::string other_output(const convert_settings& s) {
  return !s.output.empty()   ? "give a different -o"
         : !s.folder.empty() ? "give a different -d"
                             : "give -d or -o";
}

// The key under which a place's name is taken in its folder, among the names that the inputs and
// outputs of a batch take, so that the outputs of the spectra of a file of several, NAME-1.xy,
// NAME-2.xy, ..., can be found among them.
std::string name_key(const recio::place& p) { return p.folder + '\0' + p.name; }

// Whether rest is a number followed by extension: "12.xy" for ".xy".
bool is_number_then(std::string_view rest, std::string_view extension) {
  const std::size_t digits = rest.size() - std::min(rest.size(), extension.size());
  return digits > 0 && rest.substr(digits) == extension &&
         std::all_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(digits),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// The refusals of a batch's jobs: two jobs that would write one file, and an output that would
// replace an input. A job whose input may hold several spectra claims every name NAME-<number>.ext
// beside its output NAME.ext; a claimed name that another job writes or reads has the input read
// here, and its numbered outputs compared as the others are.
std::string refusals(const convert_settings& s, const file_format& to, const std::vector<job>& jobs,
                     input_identities* identities) {
  recio::places places;
  std::map<std::string, std::string> writers;  // file -> the input that writes it
  std::map<std::string, std::string> inputs;   // file -> the input's name
  std::map<std::string, std::string> names;  // folder and name -> the input that reads or writes it
  for (const job& j : jobs) {
    if (!j.failure.empty() || j.input == "-") continue;
    const recio::place p = places(j.input);
    inputs.emplace(p.file, j.input);
    names.emplace(name_key(p), j.input);
  }
  std::string refusal;
  const auto take = [&](const std::string& input, const std::string& output,
                        const recio::place& p) {
    if (const auto [at, added] = writers.emplace(p.file, input); !added) {
      // Inputs of one name but for the extension are kept apart by their whole names.
      const bool apart = path_of(at->second).filename() != path_of(input).filename();
      refusal += "zolkdf: " + shown_name(at->second) + " and " + shown_name(input) +
                 " would both write " + shown_name(output) +
                 (apart && !s.keep_extension ? "; give --keep-extension\n" : "\n");
    } else if (const auto in = inputs.find(p.file); in != inputs.end()) {
      refusal += "zolkdf: " + shown_name(output) + ": the output of " + shown_name(input) +
                 " would replace the input " + shown_name(in->second) + "; " + other_output(s) +
                 "\n";
    }
    names.emplace(name_key(p), input);
  };
  std::vector<std::pair<const job*, recio::place>> claims;
  const bool numbers = !s.spectrum && (s.split || !to.several_spectra);
  for (const job& j : jobs) {
    if (!j.failure.empty() || j.output == "-") continue;
    const recio::place p = places(j.output);
    take(j.input, j.output, p);
    if (numbers && j.input != "-") claims.emplace_back(&j, p);
  }
  for (const auto& [j, p] : claims) {
    const fs::path name = path_of(p.name);
    const std::string prefix = p.folder + '\0' + utf8_of(name.stem()) + "-";
    const std::string extension = utf8_of(name.extension());
    bool met = false;
    for (auto it = names.lower_bound(prefix);
         !met && it != names.end() && it->first.starts_with(prefix); ++it)
      met = it->second != j->input &&
            is_number_then(std::string_view{it->first}.substr(prefix.size()), extension);
    if (!met) continue;
    const loaded in = load(j->input, s.from, s.reading);
    if (!in.error.empty() || written_whole(s, to, in.doc.spectra)) continue;
    const std::size_t count = in.doc.spectra.size();
    for (std::size_t i = 0; i < count; ++i) {
      const std::string output = numbered(j->output, i, count);
      take(j->input, output, places(output));
    }
  }
  if (identities != nullptr) *identities = std::move(inputs);
  return refusal;
}

}  // namespace

bool exists(const std::string& name) {
  std::error_code ec;
  return name != "-" && fs::exists(path_of(name), ec);
}

bool is_folder(const std::string& name) {
  std::error_code ec;
  return name != "-" && recio::os::usable_name(name) && fs::is_directory(path_of(name), ec);
}

std::vector<job> plan(const convert_settings& s, const file_format& to, std::string& refusal,
                      std::string& empty_folders, input_identities* inputs) {
  std::vector<job> jobs;
  // Under -d the files of one folder given go straight into it, those of several folders each
  // under the folder's own name, so that their files of one name do not meet.
  const bool several_folders = std::count_if(s.inputs.begin(), s.inputs.end(), is_folder) > 1;
  for (const std::string& input : s.inputs) {
    if (!recio::os::usable_name(input)) {
      jobs.push_back({input, "-", "zolkdf: " + shown_name(input) + ": cannot be a file's name: not UTF-8\n"});
      continue;
    }
    const fs::path p = path_of(input);
    if (is_folder(input)) {
      if (!s.output.empty())
        refusal += "zolkdf: " + shown_name(input) + ": -o takes a file; give -d for a folder\n";
      std::vector<found_file> files;
      add_files_in(p, s.recursive, files);
      std::sort(files.begin(), files.end(),
                [](const found_file& a, const found_file& b) { return a.path < b.path; });
      if (files.empty()) empty_folders += "zolkdf: " + shown_name(input) + ": no file of a known format\n";
      const fs::path top = several_folders ? name_of_folder(p) : fs::path{};
      for (const found_file& f : files) {
        if (!f.failure.empty()) {
          jobs.push_back({utf8_of(f.path), "-", f.failure});
          continue;
        }
        fs::path below = s.recursive ? f.path.parent_path().lexically_relative(p) : fs::path{};
        if (below == ".") below.clear();
        jobs.push_back({utf8_of(f.path), output_for(s, to, f.path, top / below)});
      }
    } else if (!s.output.empty()) {
      jobs.push_back({input, s.output});
    } else if (input == "-") {
      jobs.push_back({input, "-"});
    } else {
      jobs.push_back({input, output_for(s, to, p, {})});
    }
  }
  // Nothing is written when two jobs would write one file, or a job would replace an input.
  refusal += refusals(s, to, jobs, inputs);
  return jobs;
}

bool written_whole(const convert_settings& s, const file_format& to,
                   const std::vector<spectrum::spectrum>& spectra) {
  // A file that holds one spectrum is written as a whole, and so is one of several where the
  // output holds them together (a table only where they share their x) and --split is not given.
  const bool together =
      to.several_spectra || (to.several_on_one_x && spectrum::one_x_axis(spectra));
  return spectra.size() == 1 || (together && !s.split);
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

// The system's reasons that a folder cannot be read or created.
constexpr std::pair<std::errc, recio::io_error> folder_errors[] = {
    {std::errc::no_such_file_or_directory, recio::io_error::file_not_found},
    {std::errc::permission_denied, recio::io_error::permission_denied},
    {std::errc::operation_not_permitted, recio::io_error::permission_denied},
    {std::errc::read_only_file_system, recio::io_error::read_only_file_system},
    {std::errc::no_space_on_device, recio::io_error::no_space},
    {std::errc::filename_too_long, recio::io_error::name_too_long},
    {std::errc::too_many_symbolic_link_levels, recio::io_error::link_loop},
};

std::string reason_of(const std::error_code& ec) {
  for (const auto& [condition, error] : folder_errors)
    if (ec == condition) return std::string{recio::error_text(error)};
  if (ec == std::errc::file_exists || ec == std::errc::not_a_directory)
    return "a file has that name";
  return ec.message();
}

}  // namespace cli
