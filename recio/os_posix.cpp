// recio/os_posix.cpp: the operating system's side of the record layer on POSIX systems: the
// standard streams, files and their bytes, the command line and the local clock. Outputs are in
// os_posix_outputs.cpp.
#include "recio/os_posix.hpp"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>
#include <vector>

#include "recio/os.hpp"
#include "recio/os_shared.hpp"

namespace recio::os {

int open_retrying(const char* path, int flags, mode_t mode) {
  int fd = -1;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int open_at(int at, const char* name, int flags, mode_t mode) {
  int fd = -1;
  do {
    fd = ::openat(at, name, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int failure_made(std::string_view step) { return errno_named(failure_made_for(step)); }

void prepare_standard_streams() {}  // bytes pass unchanged already

bool interactive_console() {
  return ::isatty(standard_input) == 1 && ::isatty(standard_output) == 1;
}

bool is_terminal(int fd) { return ::isatty(fd) == 1; }

int terminal_columns(int fd) {
  winsize size{};
  return ::ioctl(fd, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

std::int64_t read_some(int fd, char* bytes, std::size_t n) {
  for (;;) {
    const ssize_t got = ::read(fd, bytes, n);
    if (got >= 0 || errno != EINTR) return got < 0 ? -1 : got;
  }
}

std::int64_t read_at(int fd, char* bytes, std::size_t n, std::uint64_t at) {
  for (;;) {
    const ssize_t got = ::pread(fd, bytes, n, static_cast<off_t>(at));
    if (got >= 0 || errno != EINTR) return got < 0 ? -1 : got;
  }
}

bool write_all(int fd, const char* bytes, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, bytes, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    bytes += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

bool cut_at(int fd, std::uint64_t size) {
  return ::ftruncate(fd, static_cast<off_t>(size)) == 0 &&
         ::lseek(fd, static_cast<off_t>(size), SEEK_SET) >= 0;
}

bool close_file(int fd) { return ::close(fd) == 0; }

bool regular_file_size(int fd, std::uint64_t& size) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

std::vector<std::string> command_line(int argc, char** argv) {
  return {argv, argv + argc};  // the bytes given, UTF-8 where the locale is
}

clock_reading local_clock() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::tm t{};
  ::localtime_r(&now.tv_sec, &t);
  return {t.tm_year + 1900,
          t.tm_mon + 1,
          t.tm_mday,
          t.tm_hour,
          t.tm_min,
          t.tm_sec,
          static_cast<int>(now.tv_nsec / 1000000)};
}

io_error open_input(const char* name, int& fd) {
  fd = open_retrying(name, O_RDONLY);
  if (fd < 0) return error_of_errno(errno);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    fd = -1;
    return io_error::cannot_open;  // a folder is no file to read
  }
  return io_error::none;
}

}  // namespace recio::os
