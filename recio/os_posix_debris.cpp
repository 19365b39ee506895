// recio/os_posix_debris.cpp: the temporary files that a run ended by a kill has left beside its
// outputs, removed by the next run that writes into their folder.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "recio/os.hpp"
#include "recio/os_posix.hpp"

namespace recio::os {

namespace {

std::mutex removed_lock;
std::vector<std::string> removed;

// The process number in a temporary file's name, as temporary_name makes it: the target's own
// name, ".zolkdf-", the number, an attempt's "-" and number if any, ".tmp". 0 for any other name.
long process_of(std::string_view name) {
  constexpr std::string_view mark = ".zolkdf-", tail = ".tmp";
  const std::size_t at = name.rfind(mark);
  if (at == std::string_view::npos || at == 0 || !name.ends_with(tail)) return 0;
  const std::string_view number =
      name.substr(at + mark.size(), name.size() - at - mark.size() - tail.size());
  if (number.empty() || number.front() == '-') return 0;
  long process = 0;
  const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), process);
  if (ec != std::errc{}) return 0;
  std::string_view rest{end, static_cast<std::size_t>(number.data() + number.size() - end)};
  if (!rest.empty()) {
    int attempt = 0;
    const auto [last, ec2] = std::from_chars(rest.data() + 1, rest.data() + rest.size(), attempt);
    if (rest.front() != '-' || rest.size() < 2 || ec2 != std::errc{} ||
        last != rest.data() + rest.size() || attempt <= 0)
      return 0;
  }
  return process;
}

// Whether a file is one that a run now ended left: the runner's own plain file with one name,
// named by a process that no longer exists. A number that another process has taken since keeps
// the file until that process is gone too.
bool left_by_ended_run(int fd, const char* name) {
  const long process = process_of(name);
  if (process <= 0 || process == ::getpid()) return false;
  struct stat st {};
  if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
      st.st_uid != ::geteuid() || st.st_nlink != 1)
    return false;
  return ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
}

}  // namespace

void remove_left_temporaries(int fd, const std::string& shown) {
  const int listed = open_at(fd, ".", O_RDONLY | O_DIRECTORY);
  if (listed < 0) return;
  DIR* folder = ::fdopendir(listed);
  if (folder == nullptr) {
    ::close(listed);
    return;
  }
  std::vector<std::string> gone;
  while (const dirent* entry = ::readdir(folder)) {
    if (left_by_ended_run(fd, entry->d_name) && ::unlinkat(fd, entry->d_name, 0) == 0)
      gone.push_back(shown == "." ? entry->d_name : shown + "/" + entry->d_name);
  }
  ::closedir(folder);
  if (gone.empty()) return;
  const std::lock_guard lock{removed_lock};
  removed.insert(removed.end(), gone.begin(), gone.end());
}

std::vector<std::string> take_removed_temporaries() {
  const std::lock_guard lock{removed_lock};
  std::vector<std::string> taken;
  taken.swap(removed);
  return taken;
}

}  // namespace recio::os
