// bench/file_reads.cpp: reads files as the command line reads them, each a given number of times,
// and prints the seconds that the reads took, so that other ways of reading the same files can be
// timed against it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/formats.hpp"

namespace {

// Reads the file whole into a document, as `zolkdf convert` does, and drops it; says on standard
// error why a file cannot be read and gives false then.
bool read_once(const std::string& path, const spectrum::read_options& reading) {
  const formats::loaded in = formats::load(path, "", reading);
  if (in.format != nullptr && !in.trouble) return true;
  const std::string reason = in.trouble ? in.trouble->reason : "cannot tell the format";
  std::fprintf(stderr, "zolkdf: %s: %s\n", path.c_str(), reason.c_str());
  return false;
}

}  // namespace

// file_reads TIMES FILE...: each file read once untimed, so that the files are cached and the
// memory touched, then each read TIMES times in turn; prints the seconds of the timed reads.
int main(int argc, char** argv) {
  if (argc < 3 || std::atoi(argv[1]) < 1) {
    std::fputs("usage: file_reads TIMES FILE...\n", stderr);
    return 2;
  }
  const int times = std::atoi(argv[1]);
  const std::vector<std::string> paths(argv + 2, argv + argc);
  const spectrum::read_options reading{};
  for (const std::string& path : paths)
    if (!read_once(path, reading)) return 1;
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path : paths)
    for (int i = 0; i < times; ++i)
      if (!read_once(path, reading)) return 1;
  const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
  std::printf("%.6f\n", taken.count());
  return 0;
}
