// spectrum/fields.hpp: the fields of a document beyond its points, for the table of what each
// format holds, and the names of those that a format cannot hold.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "spectrum/document.hpp"

namespace spectrum {

// One bit a field; a format's row of the table of formats says which it holds.
namespace field {
inline constexpr std::uint32_t title = 1u << 0;
inline constexpr std::uint32_t date = 1u << 1;
inline constexpr std::uint32_t origin = 1u << 2;
inline constexpr std::uint32_t owner = 1u << 3;
inline constexpr std::uint32_t instrument = 1u << 4;
inline constexpr std::uint32_t resolution = 1u << 5;
inline constexpr std::uint32_t experiment = 1u << 6;
inline constexpr std::uint32_t x_unit = 1u << 7;
inline constexpr std::uint32_t y_unit = 1u << 8;
inline constexpr std::uint32_t z_unit = 1u << 9;
inline constexpr std::uint32_t z = 1u << 10;  // the z of each spectrum among several
inline constexpr std::uint32_t log = 1u << 11;
inline constexpr std::uint32_t labels = 1u << 12;  // labelled records that no writer interprets
inline constexpr std::uint32_t peaks = 1u << 13;   // a table of peaks, with widths and assignments
inline constexpr std::uint32_t all = (1u << 14) - 1;
}  // namespace field

// A field's bit and its name as messages and the contributors' page give it: ("x unit").
struct field_name {
  std::uint32_t bit;
  std::string_view name;
};
// Every field, in the order of the bits.
std::span<const field_name> field_names();

// The fields that the document has and a format holding only holds cannot, by name, in the order
// of the bits: {"date", "log"}.
std::vector<std::string_view> fields_not_held(const document& doc, std::uint32_t holds);

}  // namespace spectrum
