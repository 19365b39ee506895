// recio/paths.hpp: the names of files as the command line compares them: UTF-8 names as the
// system's paths, and one place for every name of one file.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace recio {

// Names are UTF-8 on every system.
std::filesystem::path path_of(const std::string& utf8_name);
std::string utf8_of(const std::filesystem::path& p);

// A name as a folder that finds names whatever their letter case takes it: the letters of the
// Latin, Greek and Cyrillic alphabets in lower case, every other byte as it is.
// folded("Ärger.XY") == "ärger.xy"
std::string folded(std::string_view utf8_name);

// The identity of the file of a name, links followed: "volume:file", or empty where there is none.
std::string identity(const std::string& name);

// Where a name leads. Two names of one file have one file; a name that no file has yet is known by
// its folder and its last part, so that it meets the other names that would make the same file.
struct place {
  std::string file;    // the identity of the file, or else of its folder followed by its name
  std::string folder;  // the identity of its folder, or of the nearest one above that exists
                       // followed by the names below it
  std::string name;    // the last part, folded where the folder finds names whatever their case
};

// The places of names: each name made absolute from the folder the program runs in and without
// "." and ".."; each folder looked at once. "-" is its own place.
class places {
 public:
  places();
  place operator()(const std::string& name);

 private:
  struct folder_place {
    std::string identity;
    bool folds = false;
  };
  const folder_place& folder(const std::filesystem::path& p);

  std::filesystem::path here_;
  std::map<std::filesystem::path, folder_place> folders_;
};

}  // namespace recio
