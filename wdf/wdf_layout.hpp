// wdf/wdf_layout.hpp: the Raman .wdf file's blocks, the header block's fields by offset, and the
// file's codes of units and of kinds of data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wdf {

// Every block begins with its id (four letters), a number, and its size in bytes, this head
// included.
namespace block_head {
inline constexpr std::size_t id = 0;    // char[4]
inline constexpr std::size_t uid = 4;   // u32
inline constexpr std::size_t size = 8;  // u64
inline constexpr std::size_t bytes = 16;
}  // namespace block_head

// The header block WDF1, the first of the file: 512 bytes.
namespace header {
inline constexpr std::size_t bytes = 512;
inline constexpr std::size_t npoints = 60;        // u32: points of each spectrum
inline constexpr std::size_t nspectra = 64;       // u64: spectra the data block has room for
inline constexpr std::size_t ncollected = 72;     // u64: spectra collected, the first ones
inline constexpr std::size_t naccum = 80;         // u32: accumulations of each spectrum
inline constexpr std::size_t ylistcount = 84;     // u32
inline constexpr std::size_t xlistcount = 88;     // u32
inline constexpr std::size_t origincount = 92;    // u32: origin lists
inline constexpr std::size_t appname = 96;        // char[24]
inline constexpr std::size_t appversion = 120;    // u16[4]: major, minor, patch, build
inline constexpr std::size_t scantype = 128;      // u32
inline constexpr std::size_t type = 132;          // u32: the measurement
inline constexpr std::size_t time_start = 136;    // u64: 100 ns ticks since 1601, UTC
inline constexpr std::size_t time_end = 144;      // u64
inline constexpr std::size_t units = 152;         // u32: the unit of the data's values
inline constexpr std::size_t laserwavenum = 156;  // f32: 1/cm
inline constexpr std::size_t user = 208;          // char[32]
inline constexpr std::size_t title = 240;         // char[160]
}  // namespace header

// The x list (XLST) and y list (YLST) blocks: after the head, the kind of data, its unit, then the
// values as f32.
namespace value_list {
inline constexpr std::size_t type = 16;
inline constexpr std::size_t unit = 20;
inline constexpr std::size_t values = 24;
}  // namespace value_list

// The origin block (ORGN): after the head, the count of lists; each list is its kind of data (the
// top bit marks the primary one), its unit, its name (char[16]), then 8 bytes for each spectrum
// the data block has room for: a 64-bit whole number for times, flags and checksums, else f64.
namespace origin_list {
inline constexpr std::size_t count = 16;
inline constexpr std::size_t first = 20;
inline constexpr std::size_t type = 0;
inline constexpr std::size_t unit = 4;
inline constexpr std::size_t name = 8;
inline constexpr std::size_t values = 24;
inline constexpr std::uint32_t primary = 0x8000'0000u;
}  // namespace origin_list

// The map block (WMAP): after the head, flags and a spare word, then the first point (x, y, z as
// f32), the steps (f32) and the counts of points along each (u32).
namespace map_area {
inline constexpr std::size_t offset = 24;
inline constexpr std::size_t step = 36;
inline constexpr std::size_t size = 48;
inline constexpr std::size_t bytes = 64;
}  // namespace map_area

// Kinds of data of the x list and of origin lists.
namespace data_type {
inline constexpr std::uint32_t spatial_x = 3;
inline constexpr std::uint32_t spatial_y = 4;
inline constexpr std::uint32_t spatial_z = 5;
inline constexpr std::uint32_t time = 11;
inline constexpr std::uint32_t checksum = 16;
inline constexpr std::uint32_t flags = 17;
}  // namespace data_type

// The unit code of times as 100 ns ticks since 1601.
inline constexpr std::uint32_t file_time_unit = 24;

// The name of a kind of data: data_type_name(3) == "X"; "" for a code without one.
std::string_view data_type_name(std::uint32_t code);
// The name of a measurement type ("single", "series", "map") or of a scan type.
std::string_view measurement_name(std::uint32_t code);
std::string_view scan_name(std::uint32_t code);

// A unit code of the file: its name, its symbol in a title ("µm"), and the SPC codes that stand
// for it on x (and z) and on y, -1 where there is none.
struct unit_row {
  std::string_view name;
  std::string_view symbol;
  int x_code;
  int y_code;
};
// The row of a unit code: unit_of(5) == {"Micrometers (um)", "µm", 2, -1}; a code that names none
// gives no name and no codes.
unit_row unit_of(std::uint32_t code);

}  // namespace wdf
