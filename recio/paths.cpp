// recio/paths.cpp: UTF-8 names as paths, and the identities of names.
#include "recio/paths.hpp"

namespace recio {

namespace fs = std::filesystem;

fs::path path_of(const std::string& utf8_name) {
  return fs::path{std::u8string{utf8_name.begin(), utf8_name.end()}};
}

std::string utf8_of(const fs::path& p) {
  const std::u8string s = p.generic_u8string();
  return {s.begin(), s.end()};
}

path_identities::path_identities(bool follow_links) : follow_links_{follow_links} {
  std::error_code ec;
  here_ = fs::current_path(ec);
}

std::string path_identities::operator()(const std::string& name) {
  if (name == "-") return name;
  fs::path p = (here_ / path_of(name)).lexically_normal();
  if (!follow_links_) return utf8_of(p);
  std::error_code ec;
  const auto [folder, added] = folders_.try_emplace(p.parent_path());
  if (added) folder->second = fs::weakly_canonical(p.parent_path(), ec);
  p = folder->second / p.filename();
  if (fs::is_symlink(p, ec)) p = fs::weakly_canonical(p, ec);
  return utf8_of(p);
}

}  // namespace recio
