// tests/support/reference_fields.hpp: the reference renderings of number fields that lie beside
// the project (shared/vectors/fields.tsv), for the tests that check fields against them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// One value and its renderings, each between brackets as the file holds them.
struct reference_row {
  std::uint32_t bits = 0;
  std::string value;                 // the shortest decimal that reads back to the bits
  std::array<std::string, 5> shown;  // F9.3, F10.2, F11.5, E14.7 and the free-form real
};

// The names of the five renderings, in their order.
inline constexpr std::array<const char*, 5> reference_field_names{"F9.3", "F10.2", "F11.5", "E14.7",
                                                                  "free"};

// Every row of the reference file, or none when the file is absent; a malformed line ends the
// reading with the rows before it and sets malformed.
std::vector<reference_row> reference_rows(bool& malformed);

}  // namespace test_support
