// recio/identity.hpp: what a file is, whatever the name it is reached by: its identity on its
// volume, and whether a folder finds names whatever their letter case. One implementation per
// system: os_posix_identity.cpp, os_windows_identity.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace recio::os {

// A file as its volume knows it: the volume, and the file's number on it.
struct file_identity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
};

// Every name is UTF-8, whatever the system.
// The identity of the file or folder that the name stands for, links followed; false when there is
// none, or it cannot be looked at.
bool identity_of(const std::string& name, file_identity& id);
// Whether the folder finds a name whatever its letter case, so that "A.xy" and "a.xy" are one
// file in it.
bool folds_names(const std::string& folder);
// Whether the system takes the name as a file's name: any bytes on POSIX, UTF-8 on Windows.
bool usable_name(const std::string& name);

}  // namespace recio::os
