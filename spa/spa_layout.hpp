// spa/spa_layout.hpp: the byte offsets of .spa and .spg files, named as the format names its
// parts, and the sections' keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace spa {

// The file begins with its magic text, its title and a directory of sections.
namespace file_header {
inline constexpr std::string_view magic = "Spectral Data File";
inline constexpr std::size_t title = 30;  // Latin-1, to the first NUL
inline constexpr std::size_t title_size = 256;
inline constexpr std::size_t sections = 294;   // u16: entries of the directory
inline constexpr std::size_t date = 296;       // u32: seconds since 1899-12-31 00:00 UTC
inline constexpr std::size_t directory = 304;  // the first entry
}  // namespace file_header

// An entry of the directory: the key of what its section holds, where it is and its size.
namespace entry {
inline constexpr std::size_t key = 0;     // u8
inline constexpr std::size_t offset = 2;  // u32, from the start of the file
inline constexpr std::size_t size = 6;    // u32, in bytes
inline constexpr std::size_t bytes = 16;
}  // namespace entry

// A spectrum's header section.
namespace spectrum_header {
inline constexpr std::size_t points = 4;    // u32
inline constexpr std::size_t x_unit = 8;    // u32 code
inline constexpr std::size_t y_unit = 12;   // u32 code
inline constexpr std::size_t first_x = 16;  // f32
inline constexpr std::size_t last_x = 20;   // f32
inline constexpr std::size_t least = 24;    // the bytes without which a header is no header
inline constexpr std::size_t scans = 36;    // u32
inline constexpr std::size_t laser = 80;    // f32: the laser's wavenumber, cm-1
}  // namespace spectrum_header

// The title section of a group's member: its title, then the date it was acquired.
namespace member_title {
inline constexpr std::size_t title_size = 256;  // Latin-1, to the first NUL
inline constexpr std::size_t date = 256;        // u32: seconds since 1899-12-31 00:00 UTC
}  // namespace member_title

// What a section holds, by its key.
namespace key {
inline constexpr std::uint8_t header = 2;
inline constexpr std::uint8_t data = 3;  // the header's count of f32 y values
inline constexpr std::uint8_t history = 27;
inline constexpr std::uint8_t interferogram_header = 100;
inline constexpr std::uint8_t interferogram = 102;
inline constexpr std::uint8_t member_title = 107;
}  // namespace key

}  // namespace spa
