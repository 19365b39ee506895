// fuzz/fuzz_support.hpp: what the fuzz targets share: a private scratch folder that each input
// runs in, a quiet console, and a record layer made fresh for every input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "control/spectrum.hpp"

namespace fuzz_support {

using bytes = std::span<const std::uint8_t>;

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

// The spectrum that the routines work on, as the driver's is.
extern control::spectrum spectrum;

// A file name as the program holds it: 12 characters, blank-padded.
control::file_name name_of(std::string_view name);

// The input's first n bytes, taken off the front (fewer when it is shorter).
bytes take_front(bytes& data, std::size_t n);

}  // namespace fuzz_support
