// tests/support/capture.cpp: what a piece of the program writes to standard output or error.
#include "tests/support/capture.hpp"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

#include "recio/console.hpp"

namespace test_support {

namespace {
// Points fd at a file for as long as it lives, also when the body ends the run by throwing.
struct redirection {
  redirection(int fd, std::FILE* file) : fd(fd), saved(::dup(fd)) { ::dup2(::fileno(file), fd); }
  ~redirection() {
    recio::console_io::flush();
    ::dup2(saved, fd);
    ::close(saved);
  }
  int fd;
  int saved;
};
}  // namespace

std::string caught(int fd, const std::function<void()>& body) {
  std::FILE* file = std::tmpfile();
  // tmpfile may give none: Windows names its files by a count of each process's own, so that two
  // test programs at once may take the same name. A file of a name drawn by chance then.
  std::filesystem::path named;
  if (file == nullptr) {
    static std::atomic<int> count{0};
    named = std::filesystem::temp_directory_path() /
            ("zolkdf-caught-" + std::to_string(std::random_device{}()) + "-" +
             std::to_string(count++) + ".tmp");
    file = std::fopen(named.string().c_str(), "w+b");
    if (file == nullptr) throw std::runtime_error("no temporary file for " + named.string());
  }
  {
    const redirection to_file(fd, file);
    body();
  }
  std::string bytes;
  std::rewind(file);
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes += static_cast<char>(c);
  std::fclose(file);
  std::error_code ignored;
  if (!named.empty()) std::filesystem::remove(named, ignored);
  return bytes;
}

}  // namespace test_support
