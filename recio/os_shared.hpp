// recio/os_shared.hpp: what the systems' files of the record layer (os_posix.cpp, os_windows.cpp)
// have in common: the names of temporary files and the reports of a failed open.
#pragma once

#include <cerrno>
#include <string>
#include <string_view>

#include "recio/io_errors.hpp"

namespace recio::os {

// The report of an open that failed with the C library's error e.
inline io_error error_of_errno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      return io_error::file_not_found;
    case EACCES:
    case EPERM:
    case EROFS:
      return io_error::permission_denied;
    default:
      return io_error::cannot_open;
  }
}

// The name of the temporary file that stands in for target until it is complete: beside it, with
// ".zolkdf-", the process number and ".tmp" after the target's own name, so that a user who finds
// one left behind sees whose it is. The target's own name is kept short enough for the whole to
// stay a valid name; another attempt adds its number. separators are the characters that end a
// folder in a path.
// temporary_name("data/out.xy", "/", 1234, 0) == "data/out.xy.zolkdf-1234.tmp"
inline std::string temporary_name(const std::string& target, std::string_view separators,
                                  long process, int attempt) {
  constexpr std::size_t max_base = 200;
  const std::size_t separator = target.find_last_of(separators);
  const std::size_t base = separator == std::string::npos ? 0 : separator + 1;
  std::string name = target.substr(0, base);
  name += std::string_view{target}.substr(base, max_base);
  name += ".zolkdf-";
  name += std::to_string(process);
  if (attempt > 0) {
    name += '-';
    name += std::to_string(attempt);
  }
  name += ".tmp";
  return name;
}

}  // namespace recio::os
