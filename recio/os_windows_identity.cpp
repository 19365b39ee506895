// recio/os_windows_identity.cpp: the identities of files on Windows, by their volume's serial
// number and their file index, and how Windows compares names.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <climits>
#include <filesystem>
#include <string>

#include "recio/identity.hpp"

namespace recio::os {

namespace {

// The name in the system's wide characters, empty when it is not UTF-8; a long one as a full path
// in the "\\?\" form, which is not held to MAX_PATH characters.
std::wstring system_name(const std::string& utf8) {
  if (utf8.empty() || utf8.size() > INT_MAX) return {};
  const int size = static_cast<int>(utf8.size());
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring name(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, name.data(), n);
  if (name.size() + 1 < MAX_PATH || name.rfind(L"\\\\", 0) == 0) return name;
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(name, ec).lexically_normal();
  return L"\\\\?\\" + full.make_preferred().wstring();
}

}  // namespace

bool identity_of(const std::string& name, file_identity& id) {
  const std::wstring wide = system_name(name);
  if (wide.empty()) return false;
  // Folders open only with backup semantics; no access is asked for, so that any file will do.
  const HANDLE h =
      ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = ::GetFileInformationByHandle(h, &info) != 0;
  ::CloseHandle(h);
  if (known)
    id = {info.dwVolumeSerialNumber,
          std::uint64_t{info.nFileIndexHigh} << 32 | std::uint64_t{info.nFileIndexLow}};
  return known;
}

// Windows finds names whatever their letter case on every volume it names files on (NTFS, FAT,
// exFAT, shares), but for folders made case-sensitive one by one, which are rare enough that
// comparing their names without case only refuses more.
bool folds_names(const std::string&) { return true; }

bool usable_name(const std::string& name) { return name.empty() || !system_name(name).empty(); }

}  // namespace recio::os
