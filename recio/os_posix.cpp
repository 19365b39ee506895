// recio/os_posix.cpp: the operating system's side of the record layer on POSIX systems: the
// standard streams, files and their bytes, outputs staged in a temporary file beside the file they
// replace, and the local clock.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <string>

#include "recio/os.hpp"
#include "recio/os_shared.hpp"

namespace recio::os {

namespace {

constexpr int max_link_hops = 40;

int open_retrying(const char* path, int flags, mode_t mode = 0666) {
  int fd = -1;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// The file that a name finally stands for: a symbolic link is followed, so that the file it
// points to is replaced and the link stays a link. A link to a name not in use yet gives that
// name, which the output then creates.
std::string follow_links(std::string path) {
  for (int hop = 0; hop < max_link_hops; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string link(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return path;
    link.resize(static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    path =
        link.front() == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
  }
  return path;  // a loop of links: the open that follows reports it
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Linux's anonymous files need /proc to be given a name at the commit.
bool anonymous_files_usable() {
#ifdef O_TMPFILE
  static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
  return usable;
#else
  return false;
#endif
}

// Creates the temporary file in the target's folder: an anonymous one where the system has them,
// so that a kill leaves nothing behind, else one with a name of its own. Returns 0 or errno.
int create_temporary(output_file& out) {
#ifdef O_TMPFILE
  if (anonymous_files_usable()) {
    out.fd = open_retrying(folder_of(out.target).c_str(), O_TMPFILE | O_RDWR);
    if (out.fd >= 0) {
      out.anonymous = true;
      return 0;
    }
    // A file system without anonymous files says so in one of these ways.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
  }
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = temporary_name(out.target, "/", ::getpid(), attempt);
    out.fd = open_retrying(name.c_str(), O_RDWR | O_CREAT | O_EXCL);
    if (out.fd >= 0) {
      out.temporary = std::move(name);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// Gives an anonymous temporary file a name in its folder, so that a rename can put it in place.
bool name_anonymous(output_file& out) {
  const std::string self = "/proc/self/fd/" + std::to_string(out.fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = temporary_name(out.target, "/", ::getpid(), attempt);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      out.temporary = std::move(name);
      out.anonymous = false;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// In a folder with the sticky bit (such as /tmp), only a file's owner may rename over it: another
// user's file, if it may be written, is written in place.
bool owned_by_another_in_sticky_folder(const std::string& target, const struct stat& st) {
  struct stat folder {};
  return ::geteuid() != 0 && st.st_uid != ::geteuid() &&
         ::stat(folder_of(target).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 &&
         folder.st_uid != ::geteuid();
}

void close_all_of(output_file& out) {
  if (out.source_fd >= 0) ::close(out.source_fd);
  if (out.fd >= 0) ::close(out.fd);
  out.source_fd = out.fd = -1;
}

io_error open_directly(const char* name, bool read_too, bool truncate, output_file& out) {
  const int flags = (read_too ? O_RDWR : O_WRONLY) | O_CREAT | (truncate ? O_TRUNC : 0);
  out.fd = open_retrying(name, flags);
  if (out.fd < 0) return error_of_errno(errno);
  struct stat st {};
  out.regular = ::fstat(out.fd, &st) != 0 || S_ISREG(st.st_mode);
  return io_error::none;
}

}  // namespace

void prepare_standard_streams() {}  // bytes pass unchanged already

bool interactive_console() {
  return ::isatty(standard_input) == 1 && ::isatty(standard_output) == 1;
}

bool is_terminal(int fd) { return ::isatty(fd) == 1; }

std::vector<std::string> command_line_words(int argc, char** argv) {
  return {argv + std::min(argc, 1), argv + argc};
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

io_error open_output(const char* name, bool read_too, bool truncate, output_file& out) {
  out = output_file{};
  out.target = follow_links(name);
  struct stat st {};
  const bool exists = ::stat(out.target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return open_directly(name, read_too, truncate, out);
  if (exists && owned_by_another_in_sticky_folder(out.target, st))
    return open_directly(name, read_too, truncate, out);

  if (const int e = create_temporary(out); e != 0) {
    // A folder that refuses a new file, or that is not there: the file is opened as it stands,
    // which either writes an existing file in place or fails as the open of the name would. Any
    // other trouble (no room for a new file) fails the open and leaves the file as it was.
    if (e == EACCES || e == EPERM || e == ENOENT || e == ENOTDIR)
      return open_directly(name, read_too, truncate, out);
    return error_of_errno(e);
  }
  out.staged = true;
  out.existed = exists;
  if (exists) {
    // The new file keeps the old one's owner, where the system lets it, and permission bits.
    if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
      static_cast<void>(::fchown(out.fd, st.st_uid, st.st_gid));
    static_cast<void>(::fchmod(out.fd, st.st_mode & 07777));
    if (read_too) out.source_fd = open_retrying(out.target.c_str(), O_RDONLY);
  }
  return io_error::none;
}

io_error commit_output(output_file& out) {
  if (!out.staged) {
    const bool closed = ::close(out.fd) == 0;
    out.fd = -1;
    return closed ? io_error::none : io_error::close_failed;
  }
  if (out.source_fd >= 0) ::close(out.source_fd);
  out.source_fd = -1;
  if (out.anonymous && !name_anonymous(out)) {
    discard_output(out);
    return io_error::write_failed;
  }
  // A file system may report a failed write only at the close: then the file is not put in place.
  const bool closed = ::close(out.fd) == 0;
  out.fd = -1;
  if (!closed || ::rename(out.temporary.c_str(), out.target.c_str()) != 0) {
    discard_output(out);
    return closed ? io_error::write_failed : io_error::close_failed;
  }
  out.staged = false;
  return io_error::none;
}

void discard_output(output_file& out) {
  close_all_of(out);
  if (out.staged && !out.temporary.empty()) ::unlink(out.temporary.c_str());
  out.staged = false;
}

}  // namespace recio::os
