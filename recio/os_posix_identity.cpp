// recio/os_posix_identity.cpp: the identities of files on POSIX systems, and how a folder's
// volume compares names.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#endif

#include <cstring>
#include <string>

#include "recio/identity.hpp"
#include "recio/os_posix.hpp"

namespace recio::os {

namespace {

// Whether the folder's file system, or the folder itself, is marked as finding names whatever
// their case: FAT, exFAT, NTFS and SMB shares, or an ext4 or f2fs folder with the casefold flag.
bool marked_as_folding(const std::string& folder) {
#ifdef __linux__
  struct statfs volume {};
  if (::statfs(folder.c_str(), &volume) == 0) {
    constexpr unsigned long folding_types[] = {MSDOS_SUPER_MAGIC,        EXFAT_SUPER_MAGIC,
                                               0x7366746eUL /* ntfs3 */, CIFS_SUPER_MAGIC,
                                               SMB2_SUPER_MAGIC,         SMB_SUPER_MAGIC};
    for (const unsigned long type : folding_types)
      if (static_cast<unsigned long>(volume.f_type) == type) return true;
  }
  const int fd = open_retrying(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int flags = 0;
  const bool folding = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
  ::close(fd);
  return folding;
#else
  (void)folder;
  return false;
#endif
}

// A name with the letter case of its ASCII letters turned round: "Ab.xy" gives "aB.XY".
std::string case_turned(const char* name) {
  std::string turned{name};
  for (char& c : turned) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return turned;
}

// Whether a name of the folder, asked for in the other letter case, finds the same file: the
// test of any volume, whatever it is, as long as the folder holds a name with a letter.
bool found_in_other_case(const std::string& folder) {
  DIR* d = ::opendir(folder.c_str());
  if (d == nullptr) return false;
  bool folding = false;
  for (int looked = 0; looked < 64; ++looked) {
    const dirent* e = ::readdir(d);
    if (e == nullptr) break;
    const std::string turned = case_turned(e->d_name);
    if (turned == e->d_name) continue;
    struct stat as_named {};
    struct stat as_turned {};
    folding = ::fstatat(::dirfd(d), e->d_name, &as_named, AT_SYMLINK_NOFOLLOW) == 0 &&
              ::fstatat(::dirfd(d), turned.c_str(), &as_turned, AT_SYMLINK_NOFOLLOW) == 0 &&
              as_named.st_dev == as_turned.st_dev && as_named.st_ino == as_turned.st_ino;
    break;
  }
  ::closedir(d);
  return folding;
}

}  // namespace

bool identity_of(const std::string& name, file_identity& id) {
  struct stat s {};
  if (::stat(name.c_str(), &s) != 0) return false;
  id = {static_cast<std::uint64_t>(s.st_dev), static_cast<std::uint64_t>(s.st_ino)};
  return true;
}

bool folds_names(const std::string& folder) {
  return marked_as_folding(folder) || found_in_other_case(folder);
}

bool usable_name(const std::string&) { return true; }

}  // namespace recio::os
