// recio/paths.cpp: UTF-8 names as paths, names folded, and the places of names.
#include "recio/paths.hpp"

#include "recio/identity.hpp"

namespace recio {

namespace fs = std::filesystem;

namespace {

// The lower-case letter of a letter of the Latin, Greek or Cyrillic alphabets; any other code
// point as it is. Where the capitals and small letters of a block alternate, the capital comes
// first of its pair.
char32_t lower_letter(char32_t c) {
  if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x4C1 && c <= 0x4CE))
    return c + (c & 1);
  if (c == 0x178) return 0xFF;
  if ((c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F)) return c + 32;
  if (c == 0x386) return 0x3AC;
  if (c == 0x38C) return 0x3CC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
    return c | 1;
  return c;
}

}  // namespace

fs::path path_of(const std::string& utf8_name) {
  return fs::path{std::u8string{utf8_name.begin(), utf8_name.end()}};
}

std::string utf8_of(const fs::path& p) {
  const std::u8string s = p.generic_u8string();
  return {s.begin(), s.end()};
}

std::string folded(std::string_view utf8_name) {
  std::string f;
  f.reserve(utf8_name.size());
  for (std::size_t i = 0; i < utf8_name.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8_name[i]);
    const unsigned next =
        i + 1 < utf8_name.size() ? static_cast<unsigned char>(utf8_name[i + 1]) : 0;
    // Every letter that folds, and its small letter, takes two bytes in UTF-8 or one.
    if (b >= 0xC2 && b <= 0xDF && (next & 0xC0) == 0x80) {
      const char32_t c = lower_letter(char32_t{b & 0x1Fu} << 6 | char32_t{next & 0x3Fu});
      f += static_cast<char>(0xC0 | c >> 6);
      f += static_cast<char>(0x80 | (c & 0x3F));
      ++i;
    } else {
      f += static_cast<char>(b < 0x80 ? lower_letter(b) : b);
    }
  }
  return f;
}

std::string identity(const std::string& name) {
  os::file_identity id;
  return os::identity_of(name, id) ? std::to_string(id.volume) + ":" + std::to_string(id.file)
                                   : std::string{};
}

places::places() {
  std::error_code ec;
  here_ = fs::current_path(ec);
}

// The identity of the folder p, or of the nearest folder above it that exists followed by the
// names below it, folded as that folder folds them: the folders that the batch creates find
// names as the folder they are created in does.
const places::folder_place& places::folder(const fs::path& p) {
  if (const auto known = folders_.find(p); known != folders_.end()) return known->second;
  folder_place f{identity(utf8_of(p))};
  if (!f.identity.empty()) {
    f.folds = os::folds_names(utf8_of(p));
  } else if (p.has_relative_path()) {
    const folder_place& above = folder(p.parent_path());
    const std::string name = utf8_of(p.filename());
    f = {above.identity + "/" + (above.folds ? folded(name) : name), above.folds};
  } else {
    f = {utf8_of(p), false};
  }
  return folders_.emplace(p, std::move(f)).first->second;
}

place places::operator()(const std::string& name) {
  if (name == "-") return {name, name, name};
  const fs::path p = (here_ / path_of(name)).lexically_normal();
  const folder_place& f = folder(p.parent_path());
  place at{{}, f.identity, utf8_of(p.filename())};
  if (f.folds) at.name = folded(at.name);
  at.file = identity(utf8_of(p));
  if (at.file.empty()) at.file = at.folder + "/" + at.name;
  return at;
}

}  // namespace recio
