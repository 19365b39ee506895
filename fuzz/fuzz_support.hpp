// fuzz/fuzz_support.hpp: what the fuzz targets share: a private scratch folder that each input
// runs in, a quiet console, and a record layer made fresh for every input.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "recio/recio.hpp"
#include "spectrum/file_format.hpp"
#include "spectrum/fixed_spectrum.hpp"

namespace fuzz_support {

using bytes = std::span<const std::uint8_t>;

// Every target but the list run starts with set_up and no keys: fuzz_support gives them that
// LLVMFuzzerInitialize, and a target that needs keys defines its own.

// Called from LLVMFuzzerInitialize, before libFuzzer reads its flags: makes the scratch folder
// (with its working folder, where every input runs), points standard input at keys, and adds
// -close_fd_mask=3 (the program's console goes to /dev/null, libFuzzer's reports do not) and an
// absolute -artifact_prefix, so that findings land where the fuzzer was started.
void set_up(int* argc, char*** argv, std::string_view keys = {});

// Runs body on a clean slate in the emptied working folder: standard input at the start of the
// keys, the spectrum and the shared SPC header zeroed, the array capacity set as the driver sets
// it. A stop ends body as it ends a run; the layer is then closed and reset, and the process
// goes back to the folder it was started in.
void run(const std::function<void()>& body);

// Writes the bytes to the named file of the working folder; only within run.
void write_file(const std::string& name, bytes data);
// The file's whole content; only within run.
std::string read_file(const std::string& name);

// Writes the document as CSV, which must read back to the very same spectra, points and z; a
// document that CSV cannot write (of no points) is passed over unless always_written. Only within
// run.
void back_through_csv(const spectrum::document& doc, bool always_written);
// Reads the input as the format's row reads a file of that name; whatever it reads goes through
// back_through_csv. Only within run.
void read_and_back_through_csv(const spectrum::file_format& format, bytes input,
                               const std::string& name);

// The spectrum that the routines work on, as the driver's is.
extern spectrum::fixed_spectrum held;

// A file name as the program holds it: 12 characters, blank-padded.
spectrum::file_name name_of(std::string_view name);

// The input's first n bytes, taken off the front (fewer when it is shorter).
bytes take_front(bytes& data, std::size_t n);

// The most variables a statement of the input targets reads.
inline constexpr std::size_t most_targets = 8;

// The variables a statement reads into, of every kind the program reads: both integer widths,
// reals of both precisions, and texts as long as the program's (a reply, a file name, a memo) and
// longer.
struct variables {
  std::array<std::int16_t, most_targets> short_integers{};
  std::array<std::int32_t, most_targets> integers{};
  std::array<float, most_targets> reals{};
  std::array<double, most_targets> doubles{};
  std::array<recio::fixed_text<1>, most_targets> replies{};
  std::array<recio::fixed_text<12>, most_targets> names{};
  std::array<recio::fixed_text<130>, most_targets> memos{};
  std::array<recio::fixed_text<260>, most_targets> long_texts{};

  // Variable i of the kind that the byte gives.
  recio::target of_kind(std::uint8_t kind, std::size_t i);
};

using target_list = std::array<recio::target, most_targets>;

// Calls statement with the first n of the targets (at most most_targets) as the initializer list
// that the read statements take; such a list has a fixed length, so it is spelt out here once.
template <typename statement>
recio::io_code with_first(const target_list& t, std::size_t n, statement s) {
  switch (n) {
    case 0:
      return s({});
    case 1:
      return s({t[0]});
    case 2:
      return s({t[0], t[1]});
    case 3:
      return s({t[0], t[1], t[2]});
    case 4:
      return s({t[0], t[1], t[2], t[3]});
    case 5:
      return s({t[0], t[1], t[2], t[3], t[4]});
    case 6:
      return s({t[0], t[1], t[2], t[3], t[4], t[5]});
    case 7:
      return s({t[0], t[1], t[2], t[3], t[4], t[5], t[6]});
    default:
      return s({t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]});
  }
}

}  // namespace fuzz_support
