// fuzz/list_run_fuzz.cpp: a whole list-file run (control::run_list_file) whose list file is the
// input, over a folder of small files of every format, made afresh for every input.
//
// The run opens, creates and replaces the files that the list names. Every input runs in the
// private working folder of the scratch folder, and an input that could name a file elsewhere
// (one holding "/", "\" or "..") is not run, so a name can only reach a file of that folder.
// Neither is one that could ask for more than a hundred passes.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "control/list_file.hpp"
#include "fuzz/fuzz_support.hpp"
#include "spc/spc.hpp"
#include "textfmt/textfmt.hpp"

namespace {

using fuzz_support::name_of;

constexpr std::string_view list_name = "list.lst";

// The folder's files: name and bytes.
std::vector<std::pair<std::string, std::string>> folder;

// Five points of each format, made by the program's own writers, and a few files that no writer
// makes: a new-variant file with integer y values, a cut-off SPC file and a text file that holds
// no numbers.
void make_folder() {
  fuzz_support::run([] {
    spectrum::fixed_spectrum& s = fuzz_support::held;
    s.count = 5;
    for (std::size_t i = 0; i < 5; ++i) {
      s.x[i] = 1000.0f - 100.0f * static_cast<float>(i);
      s.y[i] = 0.5f * static_cast<float>(i) - 0.75f;
    }
    s.first_x = s.x[0];
    s.last_x = s.x[4];
    s.memo.assign("a memo");
    WRITE1(name_of("a.y"), s.y, s.first_x, s.last_x, s.count);
    WRITE2(name_of("b.xy"), s.x, s.y, s.count);
    WRITE3(name_of("c.6xy"), s.x, s.y, s.count);
    WRITE5(name_of("d.spc"), s.x, s.y, s.count, s.memo);
    WRITE6(name_of("e.spc"), s.x, s.y, s.count, s.memo);
    for (const char* name : {"a.y", "b.xy", "c.6xy", "d.spc", "e.spc"})
      folder.emplace_back(name, fuzz_support::read_file(name));
  });
  std::string integer_y = folder.back().second;
  integer_y[3] = 16;  // fexp: the float bits now read as integers scaled by 2^(16-32)
  folder.emplace_back("f.spc", integer_y);
  folder.emplace_back("g.spc", integer_y.substr(0, 530));
  folder.emplace_back("h.xy", "x y\r\n1,2,,\r\n");
}

bool reaches_elsewhere(std::string_view list) {
  return list.find_first_of("/\\") != std::string_view::npos ||
         list.find("..") != std::string_view::npos;
}

// A count of passes above this makes an input too slow to try: the passes after the last entry
// repeat its conversion, as they should, and a count in the millions would take hours.
constexpr std::uint64_t most_passes = 100;

// Whether some run of digits stands for a number above most_passes; the count can only be one.
bool has_large_number(std::string_view list) {
  std::uint64_t n = 0;
  for (const char c : list) {
    if (c < '0' || c > '9') {
      n = 0;
      continue;
    }
    n = std::min<std::uint64_t>(n * 10 + static_cast<std::uint64_t>(c - '0'), most_passes + 1);
    if (n > most_passes) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // The keyboard gives the list file's name, then ends: a blank name met later is asked for,
  // and the end of the keys ends the run.
  fuzz_support::set_up(argc, argv, "list.lst\r\n");
  make_folder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view list{reinterpret_cast<const char*>(data), size};
  if (reaches_elsewhere(list) || has_large_number(list)) return -1;  // not run, nor kept
  fuzz_support::run([&] {
    for (const auto& [name, bytes] : folder)
      fuzz_support::write_file(name,
                               {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    fuzz_support::write_file(std::string{list_name}, {data, size});
    // The entries work on one conversion state, which starts empty.
    static control::conversion state;
    state.input_name = state.output_name = {};
    state.input_code = state.output_code = 0;
    state.data.x = state.data.y = fuzz_support::held.x;  // zero: run has just cleared it
    state.data.first_x = state.data.last_x = 0.0f;
    state.data.count = 0;
    state.data.memo = {};
    control::run_list_file(state);
  });
  return 0;
}
