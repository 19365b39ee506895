// recio/os_windows.cpp: the operating system's side of the record layer on Windows: the standard
// streams in binary mode, files and their bytes, outputs staged in a temporary file beside the file
// they replace, and the local clock.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "recio/os.hpp"
#include "recio/os_shared.hpp"

namespace recio::os {

namespace {

constexpr std::size_t largest_transfer = INT_MAX / 2;  // the C runtime counts in an int

int open_file(const char* path, int flags, int& fd) {
  fd = -1;
  return ::_sopen_s(&fd, path, flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, _S_IREAD | _S_IWRITE);
}

bool is_folder(const char* path) {
  struct _stat64 st {};
  return ::_stat64(path, &st) == 0 && (st.st_mode & _S_IFDIR) != 0;
}

// A device (NUL, CON, COM1) has a full path in the device space: "\\.\NUL".
bool is_device(const char* path) {
  char full[MAX_PATH + 1] = {};
  const DWORD n = ::GetFullPathNameA(path, MAX_PATH, full, nullptr);
  return n >= 4 && n <= MAX_PATH && std::string_view{full, 4} == "\\\\.\\";
}

void close_all_of(output_file& out) {
  if (out.source_fd >= 0) ::_close(out.source_fd);
  if (out.fd >= 0) ::_close(out.fd);
  out.source_fd = out.fd = -1;
}

io_error open_directly(const char* name, bool read_too, bool truncate, output_file& out) {
  const int flags = (read_too ? _O_RDWR : _O_WRONLY) | _O_CREAT | (truncate ? _O_TRUNC : 0);
  if (const int e = open_file(name, flags, out.fd); e != 0) return error_of_errno(e);
  struct _stat64 st {};
  out.regular = ::_fstat64(out.fd, &st) != 0 || (st.st_mode & _S_IFREG) != 0;
  return io_error::none;
}

}  // namespace

void prepare_standard_streams() {
  // The C runtime would otherwise put a CR before every LF written and drop the CR of CR LF read.
  ::_setmode(standard_input, _O_BINARY);
  ::_setmode(standard_output, _O_BINARY);
  ::_setmode(standard_error, _O_BINARY);
}

bool interactive_console() {
  return ::_isatty(standard_input) != 0 && ::_isatty(standard_output) != 0;
}

bool is_terminal(int fd) { return ::_isatty(fd) != 0; }

std::vector<std::string> command_line_words(int, char**) {
  // The narrow arguments are in the system's code page; the wide ones hold every letter.
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> words;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string word(static_cast<std::size_t>(std::max(n, 1)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, word.data(), n, nullptr, nullptr);
    word.resize(word.size() - 1);
    words.push_back(std::move(word));
  }
  ::LocalFree(wide);
  return words;
}

std::int64_t read_some(int fd, char* bytes, std::size_t n) {
  return ::_read(fd, bytes, static_cast<unsigned>(std::min(n, largest_transfer)));
}

std::int64_t read_at(int fd, char* bytes, std::size_t n, std::uint64_t at) {
  if (::_lseeki64(fd, static_cast<__int64>(at), SEEK_SET) < 0) return -1;
  return read_some(fd, bytes, n);
}

bool write_all(int fd, const char* bytes, std::size_t n) {
  while (n > 0) {
    const int w = ::_write(fd, bytes, static_cast<unsigned>(std::min(n, largest_transfer)));
    if (w <= 0) return false;
    bytes += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

bool cut_at(int fd, std::uint64_t size) {
  return ::_chsize_s(fd, static_cast<__int64>(size)) == 0 &&
         ::_lseeki64(fd, static_cast<__int64>(size), SEEK_SET) >= 0;
}

bool close_file(int fd) { return ::_close(fd) == 0; }

clock_reading local_clock() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

io_error open_input(const char* name, int& fd) {
  fd = -1;
  if (is_folder(name)) return io_error::cannot_open;  // a folder is no file to read
  // An input lets others replace or delete its name while it is read, as on POSIX systems: a list
  // file may name itself as an output and still be read to its end.
  const HANDLE h =
      ::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD why = ::GetLastError();
    if (why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND) return io_error::file_not_found;
    if (why == ERROR_ACCESS_DENIED || why == ERROR_SHARING_VIOLATION)
      return io_error::permission_denied;
    return io_error::cannot_open;
  }
  fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    ::CloseHandle(h);
    return io_error::cannot_open;
  }
  return io_error::none;
}

io_error open_output(const char* name, bool read_too, bool truncate, output_file& out) {
  out = output_file{};
  out.target = name;
  if (is_folder(name)) return io_error::cannot_open;
  const DWORD attributes = ::GetFileAttributesA(name);
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // A device (NUL, CON) or anything else that is no disk file is written directly.
  if (is_device(name) || (exists && (attributes & FILE_ATTRIBUTE_DEVICE) != 0))
    return open_directly(name, read_too, truncate, out);
  if (!exists && ::GetLastError() != ERROR_FILE_NOT_FOUND)
    return open_directly(name, read_too, truncate, out);

  int e = EEXIST;
  for (int attempt = 0; attempt < 100 && e == EEXIST; ++attempt) {
    std::string temporary = temporary_name(out.target, "/\\:", ::_getpid(), attempt);
    e = open_file(temporary.c_str(), _O_RDWR | _O_CREAT | _O_EXCL, out.fd);
    if (e == 0) out.temporary = std::move(temporary);
  }
  if (e != 0) {
    // A folder that refuses a new file, or that is not there: the file is opened as it stands.
    if (e == EACCES || e == ENOENT) return open_directly(name, read_too, truncate, out);
    return error_of_errno(e);
  }
  out.staged = true;
  out.existed = exists;
  out.kept_attributes = exists ? attributes : 0;
  if (exists && read_too) open_file(out.target.c_str(), _O_RDONLY, out.source_fd);
  return io_error::none;
}

io_error commit_output(output_file& out) {
  if (!out.staged) {
    const bool closed = ::_close(out.fd) == 0;
    out.fd = -1;
    return closed ? io_error::none : io_error::close_failed;
  }
  if (out.source_fd >= 0) ::_close(out.source_fd);
  out.source_fd = -1;
  const bool closed = ::_close(out.fd) == 0;
  out.fd = -1;
  if (!closed) {
    discard_output(out);
    return io_error::close_failed;
  }
  // A read-only file cannot be replaced; the new one takes its attributes, read-only included.
  const DWORD kept = static_cast<DWORD>(out.kept_attributes);
  if (out.existed && (kept & FILE_ATTRIBUTE_READONLY) != 0)
    ::SetFileAttributesA(out.target.c_str(), kept & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  if (!::MoveFileExA(out.temporary.c_str(), out.target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD why = ::GetLastError();
    if (out.existed) ::SetFileAttributesA(out.target.c_str(), kept);
    discard_output(out);
    // Another program holds the file open: it keeps what it held.
    if (why == ERROR_SHARING_VIOLATION || why == ERROR_LOCK_VIOLATION || why == ERROR_ACCESS_DENIED)
      return io_error::file_in_use;
    return io_error::write_failed;
  }
  if (out.existed) ::SetFileAttributesA(out.target.c_str(), kept);
  out.staged = false;
  return io_error::none;
}

void discard_output(output_file& out) {
  close_all_of(out);
  if (out.staged && !out.temporary.empty()) ::_unlink(out.temporary.c_str());
  out.staged = false;
}

}  // namespace recio::os
