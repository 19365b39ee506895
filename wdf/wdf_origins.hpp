// wdf/wdf_origins.hpp: the .wdf file's origin lists (the time and the position of each spectrum)
// made each spectrum's z and title, and the file's times made dates.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "spectrum/document.hpp"

namespace wdf {

// The trouble of a file with its reason and the byte offset where it was found.
inline spectrum::trouble trouble_at(std::string reason, std::size_t offset) {
  return spectrum::trouble{.reason = std::move(reason),
                           .offset = static_cast<std::int64_t>(offset)};
}

// A number in the fewest digits that read back as it: shortest(0.1f) == "0.1".
template <typename number>
std::string shortest(number v) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, v).ptr;
  return std::string(text, end);
}

// What the origin lists give each collected spectrum: its z with z's unit, its title naming the
// other lists' values ("X=12.5 µm, Y=-3 µm"), and the time of the first spectrum (100 ns ticks
// since 1601, 0 for none).
struct origins {
  std::vector<double> z;
  std::vector<std::string> titles;
  spectrum::axis_unit z_unit;
  std::uint64_t first_time = 0;
  std::vector<std::string> lists;  // for `info`: each list's name, unit and use
};

// Reads the ORGN block from block_at, of block_size bytes, whose lists hold room values each, of
// which the first collected are read. z is the list marked primary, else the first whose values
// differ, else the time, else the first list; times are seconds from time_start (or from the first
// spectrum's time where the file has no start); flags and checksums are not positions and are
// passed over. Refuses lists
// that run past the block, and values that are not finite numbers.
spectrum::outcome read_origins(spectrum::byte_view b, std::size_t block_at, std::size_t block_size,
                               std::uint64_t room, std::size_t collected, std::uint64_t time_start,
                               origins& out);

// The date and time of a count of 100 ns ticks since 1601 in UTC; false for 0 or one past 9999.
bool date_of_ticks(std::uint64_t ticks, spectrum::date_time& date);
// The same as text to the millisecond: "2017-05-16T14:49:43.492Z"; "" where date_of_ticks fails.
std::string iso_of_ticks(std::uint64_t ticks);

}  // namespace wdf
