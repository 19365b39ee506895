// recio/paths.hpp: the names of files as the command line compares them: UTF-8 names as the
// system's paths, and one identity for every name of one file.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace recio {

// Names are UTF-8 on every system.
std::filesystem::path path_of(const std::string& utf8_name);
std::string utf8_of(const std::filesystem::path& p);

// Identities of names for comparing: each name made absolute from the folder the program runs
// in and without "." and ".."; with links followed, every link in it followed too (a folder's
// once), so that two names of one file have one identity. "-" is its own identity.
class path_identities {
 public:
  explicit path_identities(bool follow_links);
  std::string operator()(const std::string& name);

 private:
  bool follow_links_;
  std::filesystem::path here_;
  std::map<std::filesystem::path, std::filesystem::path> folders_;
};

}  // namespace recio
