// tests/support/run_program.hpp: runs the real zolkdf binary as a user would, for the end-to-end
// tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

struct program_result {
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error
  int status = -1;  // exit status; -1 when the process did not exit normally
};

// Runs zolkdf in the folder work, with standard input from the bytes keys (through a file, so
// it is not a terminal) and the command-line arguments args. A file_size_limit above 0 keeps every
// file the program writes below that many bytes: a write beyond it fails (EFBIG), as on a full
// disk.
program_result run_zolkdf(const std::filesystem::path& work, const std::string& keys,
                          const std::vector<std::string>& args = {},
                          std::uint64_t file_size_limit = 0);

// Starts zolkdf in the folder work on a new pseudo-terminal, which is its standard input, output
// and error and its controlling terminal. The terminal passes the program's bytes on unchanged and
// echoes the keys only when echo is set. Gives back the process; controller receives the
// terminal's other end, where the keys are typed and the screen is read. args are the
// command-line arguments. columns above 0: the terminal says that it is that many characters wide.
int start_on_terminal(const std::filesystem::path& work, bool echo, int& controller,
                      const std::vector<std::string>& args = {}, unsigned short columns = 0);

#ifndef _WIN32
// Starts zolkdf in the folder work with the command-line arguments args, its standard input from
// /dev/null and its output discarded, and gives back the process without waiting for it.
int spawn_zolkdf(const std::filesystem::path& work, const std::vector<std::string>& args);
// Waits for a process that spawn_zolkdf started: its exit status, or -1 when a signal ended it.
int wait_for_zolkdf(int process);
#endif

std::string read_file(const std::filesystem::path& p);
void write_file(const std::filesystem::path& p, const std::string& bytes);
// A fresh empty folder under the system's temporary folder.
std::filesystem::path scratch_folder(const std::string& name);
// A fresh scratch folder named for name, removed with all that it holds at the end of its scope.
struct scratch {
  explicit scratch(const std::string& name) : work(scratch_folder(name)) {}
  ~scratch() { std::filesystem::remove_all(work); }
  scratch(const scratch&) = delete;
  scratch& operator=(const scratch&) = delete;
  const std::filesystem::path work;
};
// Shows \r and other control bytes, so that a failed comparison says where they differ.
std::string visible(const std::string& bytes);

}  // namespace test_support
