// recio/byte_order.hpp: numbers stored little-endian in a file's bytes, read from and written to
// a given offset whatever the machine's own order; the caller checks that the bytes are there.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

namespace recio {

using byte_view = std::span<const std::uint8_t>;
using byte_span = std::span<std::uint8_t>;

constexpr std::uint16_t get_u16le(byte_view b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
constexpr std::uint32_t get_u32le(byte_view b, std::size_t at) {
  return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
         std::uint32_t{b[at + 3]} << 24;
}
constexpr std::uint64_t get_u64le(byte_view b, std::size_t at) {
  return std::uint64_t{get_u32le(b, at)} | std::uint64_t{get_u32le(b, at + 4)} << 32;
}
constexpr std::int16_t get_i16le(byte_view b, std::size_t at) {
  return static_cast<std::int16_t>(get_u16le(b, at));
}
constexpr std::int32_t get_i32le(byte_view b, std::size_t at) {
  return static_cast<std::int32_t>(get_u32le(b, at));
}
constexpr float get_f32le(byte_view b, std::size_t at) {
  return std::bit_cast<float>(get_u32le(b, at));
}
constexpr double get_f64le(byte_view b, std::size_t at) {
  return std::bit_cast<double>(get_u64le(b, at));
}
// A little-endian number whose place is not known to be aligned or present: false where the
// bytes from at on are too few for it.
template <typename T>
constexpr bool get_le(byte_view b, std::size_t at, T& value) {
  if (at > b.size() || b.size() - at < sizeof(T)) return false;
  if constexpr (sizeof(T) == 2)
    value = std::bit_cast<T>(get_u16le(b, at));
  else if constexpr (sizeof(T) == 4)
    value = std::bit_cast<T>(get_u32le(b, at));
  else
    value = std::bit_cast<T>(get_u64le(b, at));
  return true;
}

constexpr void put_u16le(byte_span b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
constexpr void put_u32le(byte_span b, std::size_t at, std::uint32_t v) {
  put_u16le(b, at, static_cast<std::uint16_t>(v));
  put_u16le(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
constexpr void put_u64le(byte_span b, std::size_t at, std::uint64_t v) {
  put_u32le(b, at, static_cast<std::uint32_t>(v));
  put_u32le(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}
constexpr void put_i16le(byte_span b, std::size_t at, std::int16_t v) {
  put_u16le(b, at, static_cast<std::uint16_t>(v));
}
constexpr void put_i32le(byte_span b, std::size_t at, std::int32_t v) {
  put_u32le(b, at, static_cast<std::uint32_t>(v));
}
constexpr void put_f32le(byte_span b, std::size_t at, float v) {
  put_u32le(b, at, std::bit_cast<std::uint32_t>(v));
}
constexpr void put_f64le(byte_span b, std::size_t at, double v) {
  put_u64le(b, at, std::bit_cast<std::uint64_t>(v));
}

}  // namespace recio
