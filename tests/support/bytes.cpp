// tests/support/bytes.cpp: readable differences between byte strings.
#include "tests/support/bytes.hpp"

#include <cstdio>

namespace test_support {

std::string byte_differences(const std::string& actual, const std::string& expected) {
  std::string out;
  if (actual.size() != expected.size())
    out += "size " + std::to_string(actual.size()) + " instead of " +
           std::to_string(expected.size()) + "\n";
  int shown = 0;
  for (std::size_t i = 0; i < std::min(actual.size(), expected.size()) && shown < 16; ++i) {
    if (actual[i] == expected[i]) continue;
    char line[64];
    std::snprintf(line, sizeof line, "offset %zu: %02x instead of %02x\n", i,
                  static_cast<unsigned>(static_cast<std::uint8_t>(actual[i])),
                  static_cast<unsigned>(static_cast<std::uint8_t>(expected[i])));
    out += line;
    ++shown;
  }
  return out;
}

}  // namespace test_support
