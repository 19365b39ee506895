// recio/os_shared.hpp: what the systems' files of the record layer (os_posix.cpp, os_windows.cpp)
// have in common: the names of temporary files, the reports of a failed open, the failures that
// the tests make happen and the record of steps that they read.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "recio/io_errors.hpp"

namespace recio::os {

// The report of a step that failed with the C library's error e; otherwise for an error that has
// no report of its own.
inline io_error error_of_errno(int e, io_error otherwise = io_error::cannot_open) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      return io_error::file_not_found;
    case EACCES:
    case EPERM:
      return io_error::permission_denied;
    case EROFS:
      return io_error::read_only_file_system;
    case ENOSPC:
      return io_error::no_space;
#ifdef EDQUOT
    case EDQUOT:
      return io_error::quota_exceeded;
#endif
    case EBUSY:
    case ETXTBSY:
      return io_error::busy;
    case EMLINK:
      return io_error::too_many_links;
    case ENAMETOOLONG:
      return io_error::name_too_long;
    case ELOOP:
      return io_error::link_loop;
    default:
      return otherwise;
  }
}

// The value of an environment variable, or an empty text.
inline std::string environment_text(const char* name) {
  const char* value = std::getenv(name);
  return std::string{value != nullptr ? value : ""};
}

// The failures that the tests of the file layer make happen: ZOLKDF_TEST_FAIL holds steps and the
// C library's names of their errors, "anonymous:EOPNOTSUPP,rename:EBUSY"; every attempt of such a
// step fails with its error. Read once. Gives the error's name for step, or an empty one.
inline std::string_view failure_made_for(std::string_view step) {
  static const std::string failures = environment_text("ZOLKDF_TEST_FAIL");
  std::string_view rest = failures;
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    const std::size_t colon = item.find(':');
    if (colon != std::string_view::npos && item.substr(0, colon) == step)
      return item.substr(colon + 1);
  }
  return {};
}

// The steps that the file layer takes on outputs, for the tests to see those that leave no other
// trace, such as a flush: ZOLKDF_TEST_TRACE names a file to which each step done appends a line,
// the step and the file that the output is for, "flush out.xy". Read once.
inline void trace_step(std::string_view step, std::string_view output) {
  static const std::string trace = environment_text("ZOLKDF_TEST_TRACE");
  if (trace.empty()) return;
  std::string line{step};
  line += ' ';
  line += output;
  line += '\n';
  // Appended in one write, so that the lines of outputs that other threads commit never mix.
  if (std::FILE* f = std::fopen(trace.c_str(), "ab"); f != nullptr) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  }
}

// The C library's error named name, among those that the tests make happen; 0 for none.
inline int errno_named(std::string_view name) {
  struct named {
    std::string_view name;
    int value;
  };
  static constexpr named known[] = {
      {"EACCES", EACCES}, {"EBUSY", EBUSY},           {"EEXIST", EEXIST},
      {"EIO", EIO},       {"EMLINK", EMLINK},         {"ENAMETOOLONG", ENAMETOOLONG},
      {"ENOSPC", ENOSPC}, {"EOPNOTSUPP", EOPNOTSUPP}, {"EPERM", EPERM},
      {"EROFS", EROFS},   {"EXDEV", EXDEV},
#ifdef EDQUOT
      {"EDQUOT", EDQUOT},
#endif
  };
  for (const named& n : known)
    if (n.name == name) return n.value;
  return name.empty() ? 0 : EIO;
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
