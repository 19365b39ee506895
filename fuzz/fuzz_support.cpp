// fuzz/fuzz_support.cpp: the scratch folder, the quiet console and the fresh layer of every fuzz
// target.
#include "fuzz/fuzz_support.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "csv/csv.hpp"
#include "recio/recio.hpp"
#include "spc/spc_header.hpp"

namespace fuzz_support {

spectrum::fixed_spectrum held;

namespace {

namespace fs = std::filesystem;

fs::path scratch_root;
fs::path work_folder;
int home_folder = -1;  // the folder the fuzzer was started in, open for fchdir
int keys_fd = -1;      // standard input: the keys file or /dev/null

[[noreturn]] void give_up(const char* what) {
  std::perror(what);
  std::abort();
}

bool has_flag(int argc, char** argv, std::string_view flag) {
  for (int i = 1; i < argc; ++i)
    if (std::string_view{argv[i]}.starts_with(flag)) return true;
  return false;
}

// A flag whose value is a path is made absolute: inputs run in another folder.
std::string absolute_flag(std::string_view arg, std::string_view flag) {
  if (!arg.starts_with(flag) || arg.substr(flag.size()).starts_with("/")) return std::string{arg};
  return std::string{flag} + (fs::current_path() / std::string{arg.substr(flag.size())}).string();
}

void add_flags(int* argc, char*** argv) {
  static std::vector<std::string> words;
  static std::vector<char*> pointers;
  for (int i = 0; i < *argc; ++i) {
    std::string word = absolute_flag((*argv)[i], "-artifact_prefix=");
    word = absolute_flag(word, "-exact_artifact_path=");
    words.push_back(word);
  }
  if (!has_flag(*argc, *argv, "-close_fd_mask=")) words.emplace_back("-close_fd_mask=3");
  if (!has_flag(*argc, *argv, "-artifact_prefix="))
    words.push_back("-artifact_prefix=" + fs::current_path().string() + "/");
  for (std::string& w : words) pointers.push_back(w.data());
  pointers.push_back(nullptr);
  *argc = static_cast<int>(words.size());
  *argv = pointers.data();
}

void empty_work_folder() {
  std::error_code e;
  for (const fs::directory_entry& entry : fs::directory_iterator(work_folder, e))
    fs::remove_all(entry.path(), e);
}

}  // namespace

void set_up(int* argc, char*** argv, std::string_view keys) {
  add_flags(argc, argv);
  home_folder = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (home_folder < 0) give_up("fuzz: the current folder");
  std::string root = (fs::temp_directory_path() / "zolkdf-fuzz-XXXXXX").string();
  if (::mkdtemp(root.data()) == nullptr) give_up("fuzz: mkdtemp");
  // The inputs run in work; the keys lie beside it, out of reach of the names an input gives.
  scratch_root = root;
  std::atexit([] {
    std::error_code e;
    fs::remove_all(scratch_root, e);
  });
  work_folder = scratch_root / "work";
  fs::create_directory(work_folder);
  const std::string keys_path = keys.empty() ? "/dev/null" : root + "/keys";
  if (!keys.empty()) {
    std::ofstream out{keys_path, std::ios::binary};
    out.write(keys.data(), static_cast<std::streamsize>(keys.size()));
  }
  keys_fd = ::open(keys_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (keys_fd < 0 || ::dup2(keys_fd, STDIN_FILENO) < 0) give_up("fuzz: standard input");
  recio::set_command_line(0, nullptr);
}

void run(const std::function<void()>& body) {
  if (::chdir(work_folder.c_str()) != 0) give_up("fuzz: chdir to the working folder");
  empty_work_folder();
  ::lseek(STDIN_FILENO, 0, SEEK_SET);  // the keys again from their start
  std::fill(held.x.begin(), held.x.end(), 0.0f);
  std::fill(held.y.begin(), held.y.end(), 0.0f);
  held.first_x = held.last_x = 0.0f;
  held.count = 0;
  held.memo = {};
  spc::shared_header = {};
  spectrum::array_capacity = spectrum::max_points;
  recio::exit_status status = recio::exit_status::normal;
  try {
    body();
  } catch (const recio::run_ended& end) {
    status = end.status;  // a stop is one of the ways a run may end
  }
  recio::finish_run(status);
  recio::begin_new_run();
  if (::fchdir(home_folder) != 0) give_up("fuzz: chdir back");
}

void write_file(const std::string& name, bytes data) {
  std::ofstream out{name, std::ios::binary | std::ios::trunc};
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!out) give_up("fuzz: writing an input file");
}

std::string read_file(const std::string& name) {
  std::ifstream in{name, std::ios::binary};
  return {std::istreambuf_iterator<char>{in}, std::istreambuf_iterator<char>{}};
}

spectrum::file_name name_of(std::string_view name) {
  spectrum::file_name n;
  n.assign(name);
  return n;
}

recio::target variables::of_kind(std::uint8_t kind, std::size_t i) {
  switch (kind % 8) {
    case 0:
      return &short_integers[i];
    case 1:
      return &integers[i];
    case 2:
      return &reals[i];
    case 3:
      return replies[i].ref();
    case 4:
      return names[i].ref();
    case 5:
      return memos[i].ref();
    case 6:
      return long_texts[i].ref();
    default:
      return &doubles[i];
  }
}

bytes take_front(bytes& data, std::size_t n) {
  const bytes front = data.first(std::min(n, data.size()));
  data = data.subspan(front.size());
  return front;
}

void back_through_csv(const spectrum::document& doc, bool always_written) {
  std::int16_t unit = 0;
  std::int32_t status = 0;
  GETCHAN(unit, status);
  recio::open(unit, "out.csv", recio::open_mode::text_write);
  const spectrum::outcome written = csv::write_file(doc, unit, {});
  PUTCHAN(unit, status);
  if (written && always_written) __builtin_trap();
  if (written) return;  // no points: CSV holds none
  const std::string text = read_file("out.csv");
  spectrum::document back;
  if (csv::read_file({{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, "out.csv"},
                     {}, back) ||
      back.spectra.size() != doc.spectra.size())
    __builtin_trap();
  for (std::size_t k = 0; k < doc.spectra.size(); ++k)
    if (back.spectra[k].x != doc.spectra[k].x || back.spectra[k].y != doc.spectra[k].y ||
        back.spectra[k].z != doc.spectra[k].z)
      __builtin_trap();
}

void read_and_back_through_csv(const spectrum::file_format& format, bytes input,
                               const std::string& name) {
  format.recognises(input);
  spectrum::document doc;
  if (format.read({input, name}, {}, doc) || doc.spectra.empty()) return;
  back_through_csv(doc, false);
}

}  // namespace fuzz_support

// Weak, so that a target's own definition takes its place.
extern "C" [[gnu::weak]] int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz_support::set_up(argc, argv);
  return 0;
}
