// wdf/wdf_layout.cpp: the names of the .wdf file's codes: units, kinds of data, measurements and
// scans.
#include "wdf/wdf_layout.hpp"

#include <array>

namespace wdf {

namespace {

// clang-format off
constexpr std::array<unit_row, 34> units{{
    {"Arbitrary",             "",      0,  0},
    {"Raman shift (cm-1)",    "cm-1",  13, -1},
    {"Wavenumber (cm-1)",     "cm-1",  1,  -1},
    {"Nanometers (nm)",       "nm",    3,  -1},
    {"Electron volts (eV)",   "eV",    14, -1},
    {"Micrometers (um)",      "µm",    2,  -1},
    {"Counts",                "",      -1, 4},
    {"Electrons",             "e-",    -1, -1},
    {"Millimeters (mm)",      "mm",    29, 8},
    {"Meters (m)",            "m",     28, -1},
    {"Kelvin",                "K",     21, 21},
    {"Pascals (Pa)",          "Pa",    -1, -1},
    {"Seconds",               "s",     4,  -1},
    {"Milliseconds (ms)",     "ms",    23, -1},
    {"Hours",                 "h",     30, -1},
    {"Days",                  "d",     11, -1},
    {"Pixels",                "px",    -1, -1},
    {"Intensity",             "",      -1, 12},
    {"Relative intensity",    "",      -1, 13},
    {"Degrees",               "°",     18, 6},
    {"Radians",               "rad",   -1, -1},
    {"Degrees Celsius",       "°C",    20, 20},
    {"Degrees Fahrenheit",    "°F",    19, 19},
    {"Kelvin per minute",     "K/min", -1, -1},
    {"Time of day",           "",      -1, -1},
    {"Microseconds (us)",     "µs",    24, -1},
    {"Volts",                 "V",     -1, 5},
    {"Amperes",               "A",     -1, -1},
    {"Milliamperes",          "mA",    -1, 7},
    {"Strain",                "",      -1, -1},
    {"Ohms",                  "Ω",     -1, -1},
    {"Degrees Rankine",       "°R",    -1, -1},
    {"Coulombs",              "C",     -1, -1},
    {"Picocoulombs",          "pC",    -1, -1},
}};
constexpr std::array<std::string_view, 19> data_types{
    "Arbitrary", "Spectral", "Intensity", "X", "Y", "Z", "R", "Theta", "Phi", "Temperature",
    "Pressure", "Time", "Derived", "Polarization", "Focus track Z", "Ramp rate", "Checksum",
    "Flags", "Elapsed time"};
constexpr std::array<std::string_view, 4> measurements{"unspecified", "single", "series", "map"};
constexpr std::array<std::string_view, 9> scans{
    "unspecified", "static", "continuous", "step and repeat", "filter scan", "filter image",
    "line focus", "line focus, high resolution", "point detector"};
// clang-format on

// The name of code in a table of names, "" beyond it.
template <std::size_t n>
std::string_view name_in(const std::array<std::string_view, n>& names, std::uint32_t code) {
  return code < names.size() ? names[code] : std::string_view{};
}

}  // namespace

std::string_view data_type_name(std::uint32_t code) { return name_in(data_types, code); }
std::string_view measurement_name(std::uint32_t code) { return name_in(measurements, code); }
std::string_view scan_name(std::uint32_t code) { return name_in(scans, code); }

unit_row unit_of(std::uint32_t code) {
  return code < units.size() ? units[code] : unit_row{"", "", -1, -1};
}

}  // namespace wdf
