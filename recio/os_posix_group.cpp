// recio/os_posix_group.cpp: outputs flushed to the disk, one by one or together: a group of a
// batch's outputs takes one flush of their file system, then their names, then one flush of each
// folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/utsname.h>
#endif

#include <cerrno>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "recio/os.hpp"
#include "recio/os_posix.hpp"
#include "recio/os_shared.hpp"

namespace recio::os {

namespace {

// Whether one syncfs(2) may stand for the flushes of many files: from Linux 5.8 on it reports a
// write that failed since the descriptor it is given was opened.
bool flush_of_file_system_reports_failures() {
#ifdef __linux__
  static const bool reports = [] {
    utsname u{};
    int major = 0, minor = 0;
    return ::uname(&u) == 0 && std::sscanf(u.release, "%d.%d", &major, &minor) == 2 &&
           (major > 5 || (major == 5 && minor >= 8));
  }();
  return reports;
#else
  return false;
#endif
}

// How many outputs of one file system make one flush of the whole file system cheaper than a
// flush of each.
constexpr std::size_t together_from = 2;

// Flushes the file system that the folder fd lies on: every byte written to it since fd was
// opened is on the disk, or a write failed. Returns 0 or errno.
int flush_file_system(int fd, const std::string& output) {
  if (const int e = failure_made("flush"); e != 0) return e;
#ifdef __linux__
  if (::syncfs(fd) != 0) return errno;
  trace_step("syncfs", output);
  return 0;
#else
  static_cast<void>(fd);
  static_cast<void>(output);
  return EOPNOTSUPP;
#endif
}

}  // namespace

bool flush_to_disk(int fd, std::string_view step, const std::string& output) {
  if (const int e = failure_made("flush"); e != 0) {
    errno = e;
    return false;
  }
  while (::fsync(fd) != 0) {
    if (errno == EINVAL || errno == EROFS) break;  // a file that keeps nothing to flush
    if (errno != EINTR) return false;
  }
  trace_step(step, output);
  return true;
}

void commit_together(std::span<output_file> outs, std::span<io_error> errors) {
  std::vector<int> failed(outs.size(), 0);
  // The bytes reach the disk: one flush for each file system where the batch kept a folder open
  // from before the first of its outputs there, else one for each file.
  std::map<dev_t, std::vector<std::size_t> > by_file_system;
  for (std::size_t i = 0; i < outs.size(); ++i) {
    struct stat st {};
    const int sentinel =
        outs[i].folder_kept && ::fstat(outs[i].fd, &st) == 0 ? first_kept_folder(st.st_dev) : -1;
    if (sentinel >= 0 && flush_of_file_system_reports_failures())
      by_file_system[st.st_dev].push_back(i);
    else if (!flush_to_disk(outs[i].fd, "flush", outs[i].target))
      failed[i] = errno;
  }
  for (const auto& [device, members] : by_file_system) {
    if (members.size() >= together_from) {
      const int e = flush_file_system(first_kept_folder(device), outs[members.front()].target);
      for (const std::size_t i : members) failed[i] = e;
      continue;
    }
    for (const std::size_t i : members)
      if (!flush_to_disk(outs[i].fd, "flush", outs[i].target)) failed[i] = errno;
  }
  // Then the names, and each folder once.
  for (std::size_t i = 0; i < outs.size(); ++i)
    if (failed[i] == 0) failed[i] = put_in_place(outs[i]);
  std::map<int, int> folders;  // the folder's descriptor and its flush's outcome
  for (std::size_t i = 0; i < outs.size(); ++i) {
    if (failed[i] != 0) continue;
    const auto [at, first] = folders.emplace(outs[i].folder_fd, 0);
    if (first && !flush_to_disk(outs[i].folder_fd, "flush-folder", outs[i].target))
      at->second = errno;
    failed[i] = at->second;
  }
  for (std::size_t i = 0; i < outs.size(); ++i) errors[i] = close_committed(outs[i], failed[i]);
}

}  // namespace recio::os
