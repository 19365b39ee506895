// recio/os_posix_outputs.cpp: outputs on POSIX systems: staged in a temporary file beside the file
// they replace, flushed to the disk before they take its name, the folder flushed after; links
// followed only where they are safe to follow (os_posix_folders.cpp); the old file's guards kept.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "recio/os.hpp"
#include "recio/os_posix.hpp"
#include "recio/os_shared.hpp"

namespace recio::os {

namespace {

// The permission bits that a new file gets from the process's umask, read before any thread runs:
// a named temporary file is made 0600 and given them only when it is complete.
mode_t read_new_file_mode() {
  const mode_t mask = ::umask(077);
  ::umask(mask);
  return 0666 & ~mask;
}
const mode_t new_file_mode = read_new_file_mode();

// A step that the tests may make fail: the error set, or the step's own outcome.
int open_made_to_fail(std::string_view step, int at, const char* path, int flags, mode_t mode) {
  if (const int e = failure_made(step); e != 0) {
    errno = e;
    return -1;
  }
  return open_at(at, path, flags, mode);
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

// An anonymous file in the folder at (AT_FDCWD: folder by its name), which nobody can open by a
// name: the descriptor, or -1 with errno. It gets the bits that a new file gets there (the umask,
// a default ACL).
int open_anonymous(int at, const std::string& folder) {
#ifdef O_TMPFILE
  if (anonymous_files_usable())
    return open_made_to_fail("anonymous", at, folder.c_str(), O_TMPFILE | O_RDWR, 0666);
  errno = EOPNOTSUPP;
#else
  static_cast<void>(at);
  static_cast<void>(folder);
  errno = EOPNOTSUPP;
#endif
  return -1;
}

// A file system without anonymous files says so in one of these ways.
bool no_anonymous_files(int e) { return e == EOPNOTSUPP || e == EISDIR || e == EINVAL; }

// Creates the temporary file in the target's folder: an anonymous one where the system has them,
// so that a kill leaves nothing behind, else one with a name of its own, which nobody else may
// open and which is never a link planted under that name. Returns 0 or errno.
int create_temporary(output_file& out) {
  out.fd = open_anonymous(out.folder_fd, ".");
  if (out.fd >= 0) {
    out.anonymous = true;
    trace_step("anonymous", out.target);
    return 0;
  }
  if (!no_anonymous_files(errno)) return errno;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = temporary_name(out.name, "/", ::getpid(), attempt);
    out.fd = open_made_to_fail("named", out.folder_fd, name.c_str(),
                               O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (out.fd >= 0) {
      out.temporary = std::move(name);
      trace_step("named", out.target);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// A temporary file for bytes that are copied into an existing file at the commit: it never takes
// a name, so it may lie anywhere; beside the file first, then in the temporary folder, where a
// named one loses its name at once. Returns 0 or errno.
int create_scratch(output_file& out) {
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  out.fd = open_anonymous(out.folder_fd, ".");
  if (out.fd < 0) out.fd = open_anonymous(AT_FDCWD, folder);
  if (out.fd >= 0) {
    trace_step("anonymous", out.target);
    return 0;
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = temporary_name(folder + "/zolkdf", "/", ::getpid(), attempt);
    out.fd = open_made_to_fail("named", AT_FDCWD, name.c_str(),
                               O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (out.fd >= 0) {
      ::unlink(name.c_str());
      trace_step("named", out.target);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// Gives an anonymous temporary file a name in its folder, so that a rename can put it in place.
// Returns 0 or errno.
int name_anonymous(output_file& out) {
  const std::string self = "/proc/self/fd/" + std::to_string(out.fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = temporary_name(out.name, "/", ::getpid(), attempt);
    if (const int e = failure_made("link"); e != 0) return e;
    if (::linkat(AT_FDCWD, self.c_str(), out.folder_fd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      out.temporary = std::move(name);
      out.anonymous = false;
      trace_step("link", out.target);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

// In a folder with the sticky bit (such as /tmp), only a file's owner may rename over it.
bool owned_by_another_in_sticky_folder(const output_file& out, const struct stat& st) {
  struct stat folder {};
  return ::geteuid() != 0 && st.st_uid != ::geteuid() && ::fstat(out.folder_fd, &folder) == 0 &&
         (folder.st_mode & S_ISVTX) != 0 && folder.st_uid != ::geteuid();
}

// A folder marked append-only (chattr +a) takes new names but lets none be removed or renamed
// over: a temporary name given there would stay for good.
bool folder_append_only(const output_file& out) {
#ifdef __linux__
  int flags = 0;
  return ::ioctl(out.folder_fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_APPEND_FL) != 0;
#else
  static_cast<void>(out);
  return false;
#endif
}

// Copies the extended attributes of the old file to the new one: ACLs (system.posix_acl_access)
// and the user's own. The old file is reached through its folder and held while it is read, where
// /proc names what is held. False when the ACL could not be copied.
bool copy_extended_attributes(const output_file& out) {
#ifdef __linux__
  const int old =
      anonymous_files_usable() ? open_at(out.folder_fd, out.name.c_str(), O_PATH | O_NOFOLLOW) : -1;
  const std::string path = old >= 0 ? "/proc/self/fd/" + std::to_string(old) : out.target;
  const auto list = old >= 0 ? ::listxattr : ::llistxattr;
  const auto get = old >= 0 ? ::getxattr : ::lgetxattr;
  const ssize_t size = list(path.c_str(), nullptr, 0);
  std::vector<char> names(size > 0 ? static_cast<std::size_t>(size) : 0);
  const ssize_t got = size > 0 ? list(path.c_str(), names.data(), names.size()) : 0;
  bool acl_kept = true;
  std::vector<char> value;
  for (std::size_t at = 0; got > 0 && at < static_cast<std::size_t>(got);) {
    const char* name = names.data() + at;
    at += std::char_traits<char>::length(name) + 1;
    const bool acl = std::string_view{name} == "system.posix_acl_access";
    const ssize_t n = get(path.c_str(), name, nullptr, 0);
    value.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    const ssize_t m = n > 0 ? get(path.c_str(), name, value.data(), value.size()) : n;
    if ((acl && failure_made("acl") != 0) || m < 0 ||
        ::fsetxattr(out.fd, name, value.data(), static_cast<std::size_t>(m), 0) != 0) {
      if (acl) acl_kept = false;  // others (security.*, trusted.*) may be the system's alone
    } else if (acl) {
      trace_step("acl", out.target);
    }
  }
  if (old >= 0) ::close(old);
  return acl_kept;
#else
  static_cast<void>(out);
  return true;
#endif
}

}  // namespace

// What guarded the old file guards the new one before anyone else may open it: its owner and
// group where the runner may keep them, its extended attributes and ACL, its permission bits. A
// file whose owner, group or ACL cannot be kept is written by nobody but its owner and sets no
// user or group id. A new name gets the bits that the umask leaves.
void guard_like_the_old_file(output_file& out) {
  if (!out.existed) {
    if (!out.anonymous && ::fchmod(out.fd, new_file_mode) == 0) trace_step("mode", out.target);
    return;
  }
  const auto uid = static_cast<uid_t>(out.owner);
  const auto gid = static_cast<gid_t>(out.group);
  bool owner_kept = uid == ::geteuid();
  bool group_kept = gid == ::getegid();
  if (!owner_kept || !group_kept) {
    if (::fchown(out.fd, uid, gid) == 0) {
      owner_kept = group_kept = true;
      trace_step("owner", out.target);
    } else if (!group_kept && ::fchown(out.fd, static_cast<uid_t>(-1), gid) == 0) {
      group_kept = true;
      trace_step("group", out.target);
    }
  }
  const bool acl_kept = copy_extended_attributes(out);
  auto mode = static_cast<mode_t>(out.kept_attributes & 07777);
  if (!owner_kept || !group_kept || !acl_kept)
    mode &= static_cast<mode_t>(~(S_IWGRP | S_IWOTH | S_ISUID | S_ISGID));
  if (::fchmod(out.fd, mode) == 0) trace_step("mode", out.target);
}

namespace {

// Copies the staged bytes into the existing file, which is cut to their length and flushed. The
// room is taken first where the system can, so that a full disk leaves the file as it was.
// Returns 0 or errno.
int copy_into_place(const output_file& out, int into) {
  const int from = out.fd;
  struct stat st {};
  if (::fstat(from, &st) != 0) return errno;
  const auto size = st.st_size;
#ifdef __linux__
  if (size > 0 && ::fallocate(into, FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
      (errno == ENOSPC || errno == EDQUOT))
    return errno;
#endif
  std::vector<char> bytes(1 << 16);
  for (off_t at = 0; at < size;) {
    const ssize_t got = ::pread(from, bytes.data(), bytes.size(), at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got < 0 ? errno : EIO;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put =
          ::pwrite(into, bytes.data() + done, static_cast<std::size_t>(got - done), at + done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return put < 0 ? errno : EIO;
      done += put;
    }
    at += got;
  }
  if (::ftruncate(into, size) != 0) return errno;
  trace_step("copy", out.target);
  return flush_to_disk(into, "flush", out.target) ? 0 : errno;
}

void close_all_of(output_file& out) {
  for (int* fd : {&out.source_fd, &out.target_fd, &out.fd}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

void close_folder_of(output_file& out) {
  if (out.folder_fd >= 0 && !out.folder_kept) ::close(out.folder_fd);
  out.folder_fd = -1;
}

io_error open_directly(bool read_too, bool truncate, output_file& out) {
  const int flags = (read_too ? O_RDWR : O_WRONLY) | O_CREAT | (truncate ? O_TRUNC : 0);
  out.fd = open_at(out.folder_fd, out.name.c_str(), flags | O_NOFOLLOW);
  const int e = errno;
  close_folder_of(out);
  if (out.fd < 0) return error_of_errno(e);
  struct stat st {};
  out.regular = ::fstat(out.fd, &st) != 0 || S_ISREG(st.st_mode);
  trace_step("in-place", out.target);
  return io_error::none;
}

// Opens the existing target itself, which must be a plain file: never a pipe, which would wait
// for its other end. Returns the descriptor, or -1 with errno.
int open_plain_target(const output_file& out, int flags) {
  const int fd =
      open_at(out.folder_fd, out.name.c_str(), flags | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK);
  struct stat st {};
  if (fd < 0 || (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))) return fd;
  ::close(fd);
  errno = EACCES;
  return -1;
}

}  // namespace

// The staged file takes the name: a new name is linked straight to an anonymous file; otherwise
// the file is named (if it has no name yet) and renamed over the old one at once. A target that
// cannot be renamed over, such as a file mounted over another, takes the bytes by a copy. The
// temporary name is gone in every case. Returns 0 or errno.
int put_in_place(output_file& out) {
  if (out.anonymous && !out.existed) {
    const std::string self = "/proc/self/fd/" + std::to_string(out.fd);
    int e = failure_made("link");
    if (e == 0 &&
        ::linkat(AT_FDCWD, self.c_str(), out.folder_fd, out.name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      trace_step("link", out.target);
      return 0;
    }
    if (e == 0) e = errno;
    if (e != EEXIST) return e;  // else the name came meanwhile: it is replaced as any other
  }
  if (out.anonymous) {
    if (const int e = name_anonymous(out); e != 0) return e;
  }
  int e = failure_made("rename");
  if (e == 0 &&
      ::renameat(out.folder_fd, out.temporary.c_str(), out.folder_fd, out.name.c_str()) == 0) {
    out.temporary.clear();
    trace_step("rename", out.target);
    return 0;
  }
  if (e == 0) e = errno;
  if (e == EBUSY && out.existed) {
    const int into = open_plain_target(out, O_WRONLY);
    e = into < 0 ? errno : copy_into_place(out, into);
    if (into >= 0) ::close(into);
  }
  ::unlinkat(out.folder_fd, out.temporary.c_str(), 0);
  out.temporary.clear();
  return e;
}

io_error open_output(const char* name, bool read_too, bool truncate, output_file& out,
                     const output_options& options) {
  out = output_file{};
  if (const int e = open_output_folder(name, options.kept_folders, out); e != 0)
    return error_of_errno(e);
  struct stat st {};
  const bool exists = ::fstatat(out.folder_fd, out.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    if (options.regular_only && !S_ISDIR(st.st_mode)) {
      close_folder_of(out);
      return io_error::not_regular_file;
    }
    return open_directly(read_too, truncate, out);
  }
  out.existed = exists;
  out.kept_attributes = exists ? static_cast<std::uint32_t>(st.st_mode) : 0;
  out.owner = exists ? static_cast<std::uint32_t>(st.st_uid) : 0;
  out.group = exists ? static_cast<std::uint32_t>(st.st_gid) : 0;

  const bool replaceable =
      !exists || (!owned_by_another_in_sticky_folder(out, st) && !folder_append_only(out));
  if (replaceable) {
    const int e = create_temporary(out);
    if (e == 0) {
      out.staged = true;
      if (exists && read_too) out.source_fd = open_plain_target(out, O_RDONLY);
      return io_error::none;
    }
    // A folder that takes no new names: an existing file there may still take the bytes. Any
    // other trouble (no room for a new file) fails the open and leaves the file as it was.
    if (!exists || (e != EACCES && e != EPERM)) {
      close_folder_of(out);
      return error_of_errno(e);
    }
  }
  // The existing file takes the bytes when they are complete: it must be writable now.
  out.target_fd = open_plain_target(out, read_too ? O_RDWR : O_WRONLY);
  if (out.target_fd < 0) {
    const int e = errno;
    close_folder_of(out);
    return error_of_errno(e);
  }
  if (const int e = create_scratch(out); e != 0) {
    if (e != EACCES && e != EPERM && e != EROFS) {
      close_all_of(out);
      close_folder_of(out);
      return error_of_errno(e);
    }
    // No temporary file anywhere: the file is written in place, as a failure then leaves it.
    out.fd = out.target_fd;
    out.target_fd = -1;
    if (truncate && ::ftruncate(out.fd, 0) != 0) {
      const int cut = errno;
      close_all_of(out);
      close_folder_of(out);
      return error_of_errno(cut);
    }
    trace_step("in-place", out.target);
    return io_error::none;
  }
  out.staged = true;
  out.copied = true;
  if (read_too) out.source_fd = open_plain_target(out, O_RDONLY);
  return io_error::none;
}

io_error commit_output(output_file& out) {
  if (!out.staged) {
    // A plain file written in place is on the disk before the run reports success.
    const bool flushed = !out.regular || flush_to_disk(out.fd, "flush", out.target);
    const bool closed = ::close(out.fd) == 0;
    out.fd = -1;
    close_folder_of(out);
    if (!flushed) return io_error::write_failed;
    return closed ? io_error::none : io_error::close_failed;
  }
  if (out.source_fd >= 0) ::close(out.source_fd);
  out.source_fd = -1;
  int e = 0;
  if (out.copied) {
    e = copy_into_place(out, out.target_fd);
  } else {
    // The bytes, the owner and the permission bits reach the disk before the file takes the name,
    // and the name with its folder after.
    guard_like_the_old_file(out);
    if (!flush_to_disk(out.fd, "flush", out.target)) {
      e = errno;
    } else if ((e = put_in_place(out)) == 0 &&
               !flush_to_disk(out.folder_fd, "flush-folder", out.target)) {
      e = errno;
    }
  }
  return close_committed(out, e);
}

io_error close_committed(output_file& out, int e) {
  const bool placed = e == 0;
  if (!placed) discard_output(out);
  const bool closed = out.fd < 0 || ::close(out.fd) == 0;
  out.fd = -1;  // closed once: another thread may be given the number next
  close_all_of(out);
  close_folder_of(out);
  out.staged = false;
  if (!placed) {
    // The system's reason where it is one of the file system's own (no space, read-only), else
    // the file was not written.
    const io_error why = error_of_errno(e, io_error::write_failed);
    return why == io_error::file_not_found || why == io_error::permission_denied
               ? io_error::write_failed
               : why;
  }
  return closed ? io_error::none : io_error::close_failed;
}

void discard_output(output_file& out) {
  close_all_of(out);
  if (out.staged && !out.temporary.empty()) ::unlinkat(out.folder_fd, out.temporary.c_str(), 0);
  out.temporary.clear();
  out.staged = false;
  close_folder_of(out);
}

bool may_wait(const output_file& out) { return out.staged && !out.copied; }

void ready_to_wait(output_file& out) {
  if (out.source_fd >= 0) ::close(out.source_fd);
  out.source_fd = -1;
  guard_like_the_old_file(out);
}

}  // namespace recio::os
