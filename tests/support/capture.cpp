// tests/support/capture.cpp: what a piece of the program writes to standard output or error.
#include "tests/support/capture.hpp"

#include <unistd.h>

#include <cstdio>

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
  {
    const redirection to_file(fd, file);
    body();
  }
  std::string bytes;
  std::rewind(file);
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes += static_cast<char>(c);
  std::fclose(file);
  return bytes;
}

}  // namespace test_support
