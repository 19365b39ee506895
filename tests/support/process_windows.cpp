// tests/support/process_windows.cpp: starts the real zolkdf.exe on Windows, with its input from a
// file; Windows has no pseudo-terminals.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <stdexcept>

#include "tests/support/run_program.hpp"

namespace test_support {

namespace fs = std::filesystem;

namespace {

// One word of a command line, quoted so that the program's C runtime gives it back unchanged.
std::wstring quoted(const std::wstring& word) {
  if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos) return word;
  std::wstring q = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    q.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    q += c;
  }
  q.append(2 * backslashes, L'\\');
  return q + L"\"";
}

HANDLE inheritable(const fs::path& p, DWORD access, DWORD creation) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return ::CreateFileW(p.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, creation,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

program_result run_zolkdf(const fs::path& work, const std::string& keys,
                          const std::vector<std::string>& args, std::uint64_t) {
  const fs::path io = scratch_folder("io");
  write_file(io / "stdin", keys);
  const fs::path binary = fs::absolute(ZOLKDF_BINARY);
  std::wstring command = quoted(binary.wstring());
  for (const std::string& a : args)
    command += L" " + quoted(fs::path(std::u8string(a.begin(), a.end())).wstring());

  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = inheritable(io / "stdin", GENERIC_READ, OPEN_EXISTING);
  start.hStdOutput = inheritable(io / "stdout", GENERIC_WRITE, CREATE_ALWAYS);
  start.hStdError = inheritable(io / "stderr", GENERIC_WRITE, CREATE_ALWAYS);
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(binary.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, work.c_str(), &start, &process);
  program_result r;
  if (started) {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (::GetExitCodeProcess(process.hProcess, &code)) r.status = static_cast<int>(code);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  }
  for (HANDLE h : {start.hStdInput, start.hStdOutput, start.hStdError}) ::CloseHandle(h);
  if (!started) throw std::runtime_error("cannot start " ZOLKDF_BINARY);
  r.out = read_file(io / "stdout");
  r.err = read_file(io / "stderr");
  fs::remove_all(io);
  return r;
}

int start_on_terminal(const fs::path&, bool, int&, const std::vector<std::string>&,
                      unsigned short) {
  return -1;
}

}  // namespace test_support
