// tests/support/run_program.cpp: files and scratch folders for the tests that run the real zolkdf
// binary; starting it is the work of process_posix.cpp or process_windows.cpp.
#include "tests/support/run_program.hpp"

#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace test_support {

namespace fs = std::filesystem;

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path scratch_folder(const std::string& name) {
  // Tests run side by side, each its own process: the clock and the device's randomness keep
  // their folders apart.
  static std::mt19937_64 random{
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  fs::path p = fs::temp_directory_path() /
               ("zolkdf-" + name + "-" + std::to_string(random() % 1000000000000));
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

std::string visible(const std::string& bytes) {
  std::string v;
  for (const char c : bytes) {
    if (c == '\r') {
      v += "\\r";
    } else if (c == '\n') {
      v += "\\n\n";
    } else if (static_cast<unsigned char>(c) < 32 || c == 127) {
      v += "\\x" + std::to_string(static_cast<unsigned char>(c));
    } else {
      v += c;
    }
  }
  return v;
}

}  // namespace test_support
