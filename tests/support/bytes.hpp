// tests/support/bytes.hpp: little-endian values laid into byte strings at explicit offsets, for
// building and checking binary files in tests independently of the program's own layout code.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"

namespace test_support {

inline void put_le(std::string& b, std::size_t at, std::uint64_t v, int size) {
  if (b.size() < at + static_cast<std::size_t>(size)) b.resize(at + static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}
inline void put_f32(std::string& b, std::size_t at, float v) {
  put_le(b, at, std::bit_cast<std::uint32_t>(v), 4);
}
inline void put_f64(std::string& b, std::size_t at, double v) {
  put_le(b, at, std::bit_cast<std::uint64_t>(v), 8);
}
inline void put_text(std::string& b, std::size_t at, const std::string& text) {
  if (b.size() < at + text.size()) b.resize(at + text.size());
  std::memcpy(b.data() + at, text.data(), text.size());
}
inline std::uint64_t get_le(const std::string& b, std::size_t at, int size) {
  std::uint64_t v = 0;
  for (int i = size - 1; i >= 0; --i)
    v = v << 8 | static_cast<std::uint8_t>(b.at(at + static_cast<std::size_t>(i)));
  return v;
}
// Differing bytes, shown as offsets with both values in hex, for a readable failure.
std::string byte_differences(const std::string& actual, const std::string& expected);

// A file's bytes read by a format's row: the document and the trouble, if any.
struct read_result {
  spectrum::document doc;
  spectrum::outcome trouble;
};
inline read_result read_as(const spectrum::file_format& format, const std::string& bytes,
                           const std::string& name, const spectrum::read_options& options = {}) {
  read_result r;
  r.trouble = format.read(
      {{reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, name}, options, r.doc);
  return r;
}

}  // namespace test_support
