// recio/os_posix_folders.cpp: the folders that outputs go to, opened part by part from the start of
// their path, so that a link or folder that another user planted is never passed through and a
// link swapped in meanwhile is never followed; a batch's folders kept open for all its outputs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "recio/os.hpp"
#include "recio/os_posix.hpp"

namespace recio::os {

namespace {

// As many links as the kernel itself follows in one name.
constexpr int max_link_hops = 40;

// A folder with its status, as it was when opened.
struct open_folder {
  int fd = -1;
  struct stat st {};
};

// A link or folder that lies in a folder which others may write, or which has the sticky bit,
// may have been put there by another user: as the kernel does for a link in such a folder where
// links are protected, it is passed through only when it belongs to the runner or to root, or to
// the folder's owner where nobody else may write the folder.
bool planted(const struct stat& part, const struct stat& folder) {
  return (folder.st_mode & (S_ISVTX | S_IWOTH)) != 0 && part.st_uid != ::geteuid() &&
         part.st_uid != 0 && (part.st_uid != folder.st_uid || (folder.st_mode & S_IWOTH) != 0);
}

// The folder from which path starts: the root for an absolute one, else at. Returns 0 or errno.
int starting_folder(int at, std::string_view path, open_folder& f) {
  const bool absolute = !path.empty() && path.front() == '/';
  f.fd = open_at(absolute ? AT_FDCWD : at, absolute ? "/" : ".", O_RDONLY | O_DIRECTORY);
  if (f.fd < 0) return errno;
  if (::fstat(f.fd, &f.st) != 0) {
    const int e = errno;
    ::close(f.fd);
    f.fd = -1;
    return e;
  }
  return 0;
}

// Reads the link name in the folder fd, with its status, held open meanwhile where the system
// can, so that the link read is the link whose owner is judged. Returns 0, ENOTDIR when name is
// no link, or errno.
int read_link(int fd, const std::string& name, std::string& text, struct stat& st) {
  text.assign(4096, '\0');
#ifdef O_PATH
  const int link = open_at(fd, name.c_str(), O_PATH | O_NOFOLLOW);
  if (link < 0) return errno;
  ssize_t n = -1;
  if (::fstat(link, &st) == 0 && S_ISLNK(st.st_mode))
    n = ::readlinkat(link, "", text.data(), text.size());
  else
    errno = ENOTDIR;
  const int e = errno;
  ::close(link);
#else
  ssize_t n = -1;
  if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (!S_ISLNK(st.st_mode)) return ENOTDIR;
  n = ::readlinkat(fd, name.c_str(), text.data(), text.size());
  const int e = errno;
#endif
  if (n <= 0 || static_cast<std::size_t>(n) >= text.size()) return n < 0 ? e : ENAMETOOLONG;
  text.resize(static_cast<std::size_t>(n));
  return 0;
}

// The parts of a path, last first, so that the next is taken from the back.
void push_parts(std::string_view path, std::vector<std::string>& parts) {
  std::vector<std::string> ahead;
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t slash = std::min(path.find('/', at), path.size());
    if (slash > at) ahead.emplace_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  parts.insert(parts.end(), ahead.rbegin(), ahead.rend());
}

// Opens the folder path relative to the folder at (AT_FDCWD: the working folder), part by part,
// links followed by hand as the kernel would follow them, none refused by planted. f gets the
// folder. Returns 0 or errno.
int walk(int at, std::string_view path, int& hops, open_folder& f, bool create = false) {
  if (const int e = starting_folder(at, path, f); e != 0) return e;
  std::vector<std::string> parts;
  push_parts(path, parts);
  int e = 0;
  while (!parts.empty() && e == 0) {
    const std::string part = std::move(parts.back());
    parts.pop_back();
    if (part == ".") continue;
    const int next = open_at(f.fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (next >= 0) {
      struct stat st {};
      if (::fstat(next, &st) != 0)
        e = errno;
      else if (part != ".." && planted(st, f.st))
        e = EACCES;
      if (e != 0) {
        ::close(next);
        break;
      }
      ::close(f.fd);
      f = {next, st};
      continue;
    }
    e = errno;
    // A folder not there yet is made where it is asked for, and then walked into as any other.
    if (e == ENOENT && create && part != "..") {
      e = ::mkdirat(f.fd, part.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
      if (e == 0) parts.push_back(part);
      continue;
    }
    if (e != ELOOP && e != ENOTDIR) break;
    std::string link;
    struct stat st {};
    if ((e = read_link(f.fd, part, link, st)) != 0) break;
    if (planted(st, f.st)) e = EACCES;
    if (++hops > max_link_hops) e = ELOOP;
    if (e == 0 && link.front() == '/') {
      ::close(f.fd);
      e = starting_folder(AT_FDCWD, link, f);
    }
    push_parts(link, parts);
  }
  if (e != 0 && f.fd >= 0) {
    ::close(f.fd);
    f.fd = -1;
  }
  return e;
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string last_part(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folders opened in this run: those kept for the batch by the name of the folder, the first
// of them on each file system, and the identities of all, whose leftover temporary files have
// been looked for.
std::mutex folders_lock;
std::map<std::string, open_folder> kept_folders;
std::map<dev_t, int> first_kept;
std::set<std::pair<dev_t, ino_t> > swept;

// A folder opened for the first time in this run is swept of leftover temporary files.
void sweep_once(const open_folder& f, const std::string& shown) {
  {
    const std::lock_guard lock{folders_lock};
    if (!swept.emplace(f.st.st_dev, f.st.st_ino).second) return;
  }
  remove_left_temporaries(f.fd, shown);
}

// Opens the folder of an output name, from the batch's folders when kept. Returns 0 or errno.
int output_folder(const std::string& folder, bool kept, int& hops, open_folder& f, bool& borrowed) {
  borrowed = false;
  if (kept) {
    const std::lock_guard lock{folders_lock};
    if (const auto found = kept_folders.find(folder); found != kept_folders.end()) {
      f = found->second;
      borrowed = true;
      return 0;
    }
  }
  if (const int e = walk(AT_FDCWD, folder, hops, f); e != 0) return e;
  sweep_once(f, folder);
  if (!kept) return 0;
  const std::lock_guard lock{folders_lock};
  const auto [at, added] = kept_folders.emplace(folder, f);
  if (!added) ::close(f.fd);  // another thread opened it meanwhile
  first_kept.emplace(at->second.st.st_dev, at->second.fd);
  f = at->second;
  borrowed = true;
  return 0;
}

}  // namespace

int open_output_folder(const std::string& name, bool kept, output_file& out) {
  int hops = 0;
  open_folder f;
  bool borrowed = false;
  std::string path = name;
  if (const int e = output_folder(folder_of(path), kept, hops, f, borrowed); e != 0) return e;
  std::string last = last_part(path);
  for (;;) {
    std::string link;
    struct stat st {};
    int e = last.empty() ? EISDIR : read_link(f.fd, last, link, st);
    if (e == ENOTDIR || e == ENOENT) {
      out.folder_fd = f.fd;
      out.folder_kept = borrowed;
      out.name = std::move(last);
      out.target = std::move(path);
      return 0;
    }
    if (e == 0 && planted(st, f.st)) e = EACCES;
    if (e == 0 && ++hops > max_link_hops) e = ELOOP;
    // A relative link's target lies in the link's own folder.
    open_folder next;
    if (e == 0) e = walk(f.fd, folder_of(link.front() == '/' ? link : "./" + link), hops, next);
    if (!borrowed) ::close(f.fd);
    if (e != 0) return e;
    const std::size_t slash = path.rfind('/');
    path =
        link.front() == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
    sweep_once(next, folder_of(path));
    f = next;
    borrowed = false;
    last = last_part(link);
  }
}

std::error_code create_folders(const std::string& path) {
  int hops = 0;
  open_folder f;
  const int e = walk(AT_FDCWD, path, hops, f, true);
  if (f.fd >= 0) ::close(f.fd);
  return {e, std::generic_category()};
}

int first_kept_folder(dev_t device) {
  const std::lock_guard lock{folders_lock};
  const auto found = first_kept.find(device);
  return found != first_kept.end() ? found->second : -1;
}

void close_output_folders() {
  const std::lock_guard lock{folders_lock};
  for (auto& [name, f] : kept_folders) ::close(f.fd);
  kept_folders.clear();
  first_kept.clear();
}

}  // namespace recio::os
