// recio/os_windows.cpp: the operating system's side of the record layer on Windows: the standard
// streams in binary mode, files and their bytes by their UTF-8 names, outputs staged in a temporary
// file beside the file they replace and flushed to the disk before they take its place, the command
// line in UTF-8, and the local clock.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
// clang-format off: sorting would put it first
#include <shellapi.h>  // after windows.h, which it needs
// clang-format on

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "recio/os.hpp"
#include "recio/os_shared.hpp"

namespace recio::os {

namespace {

constexpr std::size_t largest_transfer = INT_MAX / 2;  // the C runtime counts in an int

// A name in UTF-8 as the system's wide characters, and back.
std::wstring wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(std::min<std::size_t>(utf8.size(), INT_MAX));
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring w(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, w.data(), n);
  return w;
}
std::string narrow(std::wstring_view w) {
  if (w.empty()) return {};
  const int size = static_cast<int>(std::min<std::size_t>(w.size(), INT_MAX));
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), size, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<std::size_t>(std::max(n, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, w.data(), size, s.data(), n, nullptr, nullptr);
  return s;
}

// The full path of a name, as some calls need it.
std::wstring full_path(const std::wstring& path) {
  const DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  full.resize(::GetFullPathNameW(path.c_str(), n, full.data(), nullptr));
  return full;
}

// A name the system takes whatever its length: a long one as a full path in the "\\?\" form, which
// is not held to MAX_PATH characters. Room is left for a temporary file's longer name.
std::wstring long_path(const std::string& utf8) {
  std::wstring path = wide(utf8);
  if (path.size() + 40 < MAX_PATH || path.rfind(L"\\\\?\\", 0) == 0 ||
      path.rfind(L"\\\\.\\", 0) == 0)
    return path;
  const std::wstring full = full_path(path);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// The report of a system call that failed with why.
io_error error_of_system(DWORD why, io_error otherwise = io_error::cannot_open) {
  switch (why) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return io_error::file_not_found;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return io_error::permission_denied;
    case ERROR_WRITE_PROTECT:
      return io_error::read_only_file_system;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return io_error::no_space;
    case ERROR_BUSY:
      return io_error::busy;
    case ERROR_TOO_MANY_LINKS:
      return io_error::too_many_links;
    case ERROR_FILENAME_EXCED_RANGE:
      return io_error::name_too_long;
    case ERROR_CANT_RESOLVE_FILENAME:
      return io_error::link_loop;
    default:
      return otherwise;
  }
}

// Opens path with CreateFileW and gives it a C runtime descriptor; 0 or the system's error.
DWORD open_file(const std::wstring& path, DWORD access, DWORD sharing, DWORD creation, int flags,
                int& fd) {
  fd = -1;
  const HANDLE h = ::CreateFileW(path.c_str(), access, sharing, nullptr, creation,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) {
    ::CloseHandle(h);
    return ERROR_INVALID_HANDLE;
  }
  return 0;
}

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool is_folder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A device (NUL, CON, COM1) has a full path in the device space: "\\.\NUL".
bool is_device(const std::wstring& path) {
  wchar_t full[MAX_PATH + 1] = {};
  const DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return n >= 4 && n <= MAX_PATH && std::wstring_view{full, 4} == L"\\\\.\\";
}

// The file that the symbolic link path finally stands for, so that the file is replaced and the
// link stays a link: 0, or the system's error (a loop of links, a link to no file).
DWORD final_path(const std::wstring& path, std::wstring& final) {
  const HANDLE h = ::CreateFileW(path.c_str(), 0, share_all, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  final.assign(32768, L'\0');
  const DWORD n = ::GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  const DWORD why = n == 0 || n >= final.size() ? ::GetLastError() : 0;
  ::CloseHandle(h);
  final.resize(why == 0 ? n : 0);
  return why == 0 && n > 0 ? 0 : ERROR_INVALID_NAME;
}

// A failure that a test makes happen at step, as ZOLKDF_TEST_FAIL says.
bool failure_made(std::string_view step) { return !failure_made_for(step).empty(); }

// The output's bytes reach the disk.
bool flush_to_disk(const output_file& out) {
  if (failure_made("flush") ||
      ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(out.fd))) == 0)
    return false;
  trace_step("flush", out.target);
  return true;
}

void close_all_of(output_file& out) {
  if (out.source_fd >= 0) ::_close(out.source_fd);
  if (out.fd >= 0) ::_close(out.fd);
  out.source_fd = out.fd = -1;
}

io_error put_in_place(output_file& out, bool flushed);

io_error open_directly(const std::wstring& name, bool read_too, bool truncate, output_file& out) {
  const DWORD access = GENERIC_WRITE | (read_too ? GENERIC_READ : 0);
  if (const DWORD why = open_file(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS,
                                  read_too ? _O_RDWR : _O_WRONLY, out.fd);
      why != 0)
    return error_of_system(why);
  if (truncate && ::_chsize_s(out.fd, 0) != 0) {
    close_all_of(out);
    return io_error::write_failed;
  }
  struct _stat64 st {};
  out.regular = ::_fstat64(out.fd, &st) != 0 || (st.st_mode & _S_IFREG) != 0;
  out.target = narrow(name);
  trace_step("in-place", out.target);
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

int terminal_columns(int fd) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE || ::GetConsoleScreenBufferInfo(handle, &info) == 0) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
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

bool regular_file_size(int fd, std::uint64_t& size) {
  const auto h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  LARGE_INTEGER bytes{};
  if (h == INVALID_HANDLE_VALUE || ::GetFileType(h) != FILE_TYPE_DISK ||
      ::GetFileSizeEx(h, &bytes) == 0)
    return false;
  size = static_cast<std::uint64_t>(bytes.QuadPart);
  return true;
}

clock_reading local_clock() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

io_error open_input(const char* name, int& fd) {
  fd = -1;
  const std::wstring path = long_path(name);
  if (is_folder(path)) return io_error::cannot_open;  // a folder is no file to read
  // An input lets others replace or delete its name while it is read, as on POSIX systems: a list
  // file may name itself as an output and still be read to its end.
  if (const DWORD why = open_file(path, GENERIC_READ, share_all, OPEN_EXISTING, _O_RDONLY, fd);
      why != 0)
    return error_of_system(why);
  return io_error::none;
}

io_error open_output(const char* name, bool read_too, bool truncate, output_file& out,
                     const output_options& options) {
  out = output_file{};
  const std::wstring given = long_path(name);
  if (is_folder(given)) return io_error::cannot_open;
  const DWORD given_attributes = ::GetFileAttributesW(given.c_str());
  std::wstring target = given;
  if (given_attributes != INVALID_FILE_ATTRIBUTES &&
      (given_attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A link is never replaced: a loop is refused, and a link to no file yet, or one that cannot
    // be followed to a path, is written through.
    const DWORD why = final_path(given, target);
    if (why == ERROR_CANT_RESOLVE_FILENAME) return io_error::link_loop;
    if (why != 0) return open_directly(given, read_too, truncate, out);
  }
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  // A device (NUL, CON) or anything else that is no disk file is written directly, where it is
  // not refused.
  if (is_device(target) || (exists && (attributes & FILE_ATTRIBUTE_DEVICE) != 0)) {
    if (options.regular_only) return io_error::not_regular_file;
    return open_directly(given, read_too, truncate, out);
  }
  out.target = narrow(target);

  // The temporary file is shared with nobody until it is complete.
  DWORD why = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < 100 && why == ERROR_FILE_EXISTS; ++attempt) {
    std::string temporary = temporary_name(out.target, "/\\:", ::_getpid(), attempt);
    why = open_file(wide(temporary), GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, _O_RDWR, out.fd);
    if (why == 0) out.temporary = std::move(temporary);
  }
  if (why == 0) trace_step("named", out.target);
  if (why != 0) {
    // A folder that refuses a new file: an existing file is opened as it stands.
    if (exists && why == ERROR_ACCESS_DENIED) return open_directly(given, read_too, truncate, out);
    return error_of_system(why);
  }
  out.staged = true;
  out.existed = exists;
  out.kept_attributes = exists ? attributes : 0;
  if (exists && read_too)
    open_file(target, GENERIC_READ, share_all, OPEN_EXISTING, _O_RDONLY, out.source_fd);
  return io_error::none;
}

io_error commit_output(output_file& out) {
  if (!out.staged) {
    // A plain file written in place is on the disk before the run reports success.
    const bool flushed = !out.regular || flush_to_disk(out);
    const bool closed = ::_close(out.fd) == 0;
    out.fd = -1;
    if (!flushed) return io_error::write_failed;
    return closed ? io_error::none : io_error::close_failed;
  }
  if (out.source_fd >= 0) ::_close(out.source_fd);
  out.source_fd = -1;
  return put_in_place(out, flush_to_disk(out));
}

void commit_together(std::span<output_file> outs, std::span<io_error> errors) {
  // The files are flushed one after the other, then put in place: the flushes reach the disk
  // together as far as the system lets them.
  std::vector<char> flushed(outs.size(), 0);
  for (std::size_t i = 0; i < outs.size(); ++i) flushed[i] = flush_to_disk(outs[i]) ? 1 : 0;
  for (std::size_t i = 0; i < outs.size(); ++i) errors[i] = put_in_place(outs[i], flushed[i] != 0);
}

bool may_wait(const output_file& out) { return out.staged; }

void ready_to_wait(output_file& out) {
  if (out.source_fd >= 0) ::_close(out.source_fd);
  out.source_fd = -1;
}

void close_output_folders() {}  // each name is opened whole

std::vector<std::string> take_removed_temporaries() { return {}; }

std::error_code create_folders(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(std::u8string{path.begin(), path.end()}, ec);
  return ec;
}

namespace {

// The staged file, flushed or not, takes its name's place and is closed. Returns the outcome that
// commit_output reports.
io_error put_in_place(output_file& out, bool flushed) {
  const bool closed = ::_close(out.fd) == 0;
  out.fd = -1;
  if (!flushed || !closed) {
    discard_output(out);
    return flushed ? io_error::close_failed : io_error::write_failed;
  }
  const std::wstring target = full_path(wide(out.target)),
                     temporary = full_path(wide(out.temporary));
  // Another program holds the file open without letting it be replaced: it keeps what it held.
  // Asked first, as a replace that fails may leave its own temporary file behind.
  if (out.existed) {
    const HANDLE probe = ::CreateFileW(target.c_str(), DELETE, share_all, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (probe == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_SHARING_VIOLATION) {
      discard_output(out);
      return io_error::file_in_use;
    }
    if (probe != INVALID_HANDLE_VALUE) ::CloseHandle(probe);
  }
  // A read-only file cannot be replaced; the new one takes its attributes, read-only included.
  const DWORD kept = static_cast<DWORD>(out.kept_attributes);
  const bool read_only = out.existed && (kept & FILE_ATTRIBUTE_READONLY) != 0;
  if (read_only)
    ::SetFileAttributesW(target.c_str(), kept & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  // An existing file is replaced with its attributes and ACL kept; a new name is made with the
  // move written through to the disk.
  BOOL placed = FALSE;
  if (!failure_made("rename")) {
    placed = out.existed ? ::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                          REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                         : ::MoveFileExW(temporary.c_str(), target.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  const DWORD why = placed ? 0 : ::GetLastError();
  if (placed) trace_step("rename", out.target);
  if (read_only && ::SetFileAttributesW(target.c_str(), kept) != 0)
    trace_step("attributes", out.target);
  if (!placed) {
    discard_output(out);
    // Another program holds the file open: it keeps what it held.
    if (why == ERROR_SHARING_VIOLATION || why == ERROR_LOCK_VIOLATION ||
        why == ERROR_ACCESS_DENIED || why == ERROR_UNABLE_TO_REMOVE_REPLACED)
      return io_error::file_in_use;
    const io_error e = error_of_system(why, io_error::write_failed);
    return e == io_error::file_not_found || e == io_error::permission_denied
               ? io_error::write_failed
               : e;
  }
  out.staged = false;
  return io_error::none;
}

}  // namespace

void discard_output(output_file& out) {
  close_all_of(out);
  if (out.staged && !out.temporary.empty()) ::DeleteFileW(wide(out.temporary).c_str());
  out.staged = false;
}

std::vector<std::string> command_line(int argc, char** argv) {
  std::vector<std::string> words;
  int n = 0;
  if (LPWSTR* wide_words = ::CommandLineToArgvW(::GetCommandLineW(), &n); wide_words != nullptr) {
    for (int i = 0; i < n; ++i) words.push_back(narrow(wide_words[i]));
    ::LocalFree(wide_words);
  }
  if (words.empty())
    for (int i = 0; i < argc; ++i) words.emplace_back(argv[i]);
  return words;
}

}  // namespace recio::os
