// tests/support/capture.cpp: what a piece of the program writes to standard output or error.
#include "tests/support/capture.hpp"

#include <unistd.h>

#include <cstdio>

#include "recio/console.hpp"

namespace test_support {

std::string caught(int fd, const std::function<void()>& body) {
  std::FILE* file = std::tmpfile();
  const int saved = ::dup(fd);
  ::dup2(::fileno(file), fd);
  body();
  recio::console_io::flush();
  ::dup2(saved, fd);
  ::close(saved);
  std::string bytes;
  std::rewind(file);
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) bytes += static_cast<char>(c);
  std::fclose(file);
  return bytes;
}

}  // namespace test_support
