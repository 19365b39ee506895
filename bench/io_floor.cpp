// bench/io_floor.cpp: the floor that a conversion is measured against: reads a whole input file
// and writes a given number of bytes to an output file, in 64 KiB blocks, and does nothing else.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  std::array<char, 1 << 16> block{};
  const int in = ::open(argv[1], O_RDONLY);
  if (in < 0) return 1;
  ssize_t n = 0;
  while ((n = ::read(in, block.data(), block.size())) > 0) {
  }
  ::close(in);
  const int out = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) return 1;
  long long left = std::atoll(argv[3]);
  std::memset(block.data(), ' ', block.size());
  while (left > 0) {
    const auto chunk = static_cast<std::size_t>(left < 65536 ? left : 65536);
    if (::write(out, block.data(), chunk) != static_cast<ssize_t>(chunk)) return 1;
    left -= static_cast<long long>(chunk);
  }
  return ::close(out) == 0 ? 0 : 1;
}
