// spectrum/units.cpp: the table of units and kinds of experiment.
#include "spectrum/units.hpp"

#include <array>
#include <cctype>

namespace spectrum {

namespace {

struct unit_row {
  axis which;  // x also stands for z
  int code;
  std::string_view name;    // as SPC names it, and a person reads it
  std::string_view jcamp;   // as JCAMP-DX names it; empty where it names none
  std::string_view others;  // further names, separated by '|'
};

// clang-format off
constexpr std::array<unit_row, 60> units{{
    {axis::x, 0,   "Arbitrary",               "ARBITRARY UNITS", "arbitrary units|a.u.|au|arb. units"},
    {axis::x, 1,   "Wavenumber (cm-1)",       "1/CM",            "cm-1|cm^-1|1/cm|wavenumber|wavenumbers"},
    {axis::x, 2,   "Micrometers (um)",        "MICROMETERS",     "um|µm|micrometer|micron|microns"},
    {axis::x, 3,   "Nanometers (nm)",         "NANOMETERS",      "nm|nanometer|wavelength"},
    {axis::x, 4,   "Seconds",                 "SECONDS",         "s|sec|second|time"},
    {axis::x, 5,   "Minutes",                 "MINUTES",         "min|minute"},
    {axis::x, 6,   "Hertz (Hz)",              "HZ",              "hz|hertz"},
    {axis::x, 7,   "Kilohertz (KHz)",         "KHZ",             "khz|kilohertz"},
    {axis::x, 8,   "Megahertz (MHz)",         "MHZ",             "mhz|megahertz"},
    {axis::x, 9,   "Mass (M/z)",              "M/Z",             "m/z|mass"},
    {axis::x, 10,  "Parts per million (PPM)", "PPM",             "ppm"},
    {axis::x, 11,  "Days",                    "DAYS",            "d|day"},
    {axis::x, 12,  "Years",                   "YEARS",           "year"},
    {axis::x, 13,  "Raman Shift (cm-1)",      "1/CM",            "raman shift|raman shift (1/cm)"},
    {axis::x, 14,  "Electron Volt (eV)",      "EV",              "ev|electron volts"},
    {axis::x, 15,  "XYZ text labels",         "",                ""},
    {axis::x, 16,  "Diode Number",            "",                "diode"},
    {axis::x, 17,  "Channel",                 "",                "channels"},
    {axis::x, 18,  "Degrees",                 "DEGREES",         "deg|degree|2theta|2-theta"},
    {axis::x, 19,  "Temperature (F)",         "",                "°f|degrees f"},
    {axis::x, 20,  "Temperature (C)",         "",                "°c|degrees c|celsius"},
    {axis::x, 21,  "Temperature (K)",         "",                "kelvin"},
    {axis::x, 22,  "Data Points",             "POINTS",          "points|point|index"},
    {axis::x, 23,  "Milliseconds (mSec)",     "MILLISECONDS",    "ms|msec|millisecond"},
    {axis::x, 24,  "Microseconds (uSec)",     "MICROSECONDS",    "us|µs|usec|microsecond"},
    {axis::x, 25,  "Nanoseconds (nSec)",      "NANOSECONDS",     "ns|nsec|nanosecond"},
    {axis::x, 26,  "Gigahertz (GHz)",         "GHZ",             "ghz|gigahertz"},
    {axis::x, 27,  "Centimeters (cm)",        "CENTIMETERS",     "cm|centimeter"},
    {axis::x, 28,  "Meters (m)",              "METERS",          "m|meter|metre"},
    {axis::x, 29,  "Millimeters (mm)",        "MILLIMETERS",     "mm|millimeter"},
    {axis::x, 30,  "Hours",                   "HOURS",           "h|hr|hour"},
    {axis::x, 255, "Double Interferogram",    "",                ""},
    {axis::y, 0,   "Arbitrary Intensity",     "ARBITRARY UNITS", "arbitrary units|arbitrary|a.u.|au|arb. units"},
    {axis::y, 1,   "Interferogram",           "",                "igram"},
    {axis::y, 2,   "Absorbance",              "ABSORBANCE",      "abs|a|absorbance units"},
    {axis::y, 3,   "Kubelka-Munk",            "KUBELKA-MUNK",    "kubelka munk|km"},
    {axis::y, 4,   "Counts",                  "COUNTS",          "count|cts"},
    {axis::y, 5,   "Volts",                   "VOLTS",           "v|volt"},
    {axis::y, 6,   "Degrees",                 "DEGREES",         "deg|degree"},
    {axis::y, 7,   "Milliamps",               "MILLIAMPS",       "ma|milliampere|milliamperes"},
    {axis::y, 8,   "Millimeters",             "MILLIMETERS",     "mm|millimeter"},
    {axis::y, 9,   "Millivolts",              "MILLIVOLTS",      "mv|millivolt"},
    {axis::y, 10,  "Log(1/R)",                "LOG(1/R)",        "log 1/r"},
    {axis::y, 11,  "Percent",                 "PERCENT",         "%"},
    {axis::y, 12,  "Intensity",               "INTENSITY",       ""},
    {axis::y, 13,  "Relative Intensity",      "RELATIVE INTENSITY", "rel. intensity"},
    {axis::y, 14,  "Energy",                  "ENERGY",          ""},
    {axis::y, 16,  "Decibel",                 "DECIBELS",        "db|decibels"},
    {axis::y, 19,  "Temperature (F)",         "",                "°f|degrees f"},
    {axis::y, 20,  "Temperature (C)",         "",                "°c|degrees c|celsius"},
    {axis::y, 21,  "Temperature (K)",         "",                "kelvin"},
    {axis::y, 22,  "Index of Refraction [N]", "",                "refractive index|index of refraction|n"},
    {axis::y, 23,  "Extinction Coeff. [K]",   "",                "extinction coefficient|k"},
    {axis::y, 24,  "Real",                    "",                ""},
    {axis::y, 25,  "Imaginary",               "",                ""},
    {axis::y, 26,  "Complex",                 "",                ""},
    {axis::y, 128, "Transmission",            "TRANSMITTANCE",   "%t|transmittance|%transmittance"},
    {axis::y, 129, "Reflectance",             "REFLECTANCE",     "%r|reflection"},
    {axis::y, 130, "Arbitrary or Single Beam with Valley Peaks", "", "single beam"},
    {axis::y, 131, "Emission",                "EMISSION",        ""},
}};

struct experiment_row {
  int code;
  std::string_view name;       // as SPC names it
  std::string_view data_type;  // as JCAMP-DX's ##DATA TYPE= names it
  std::string_view others;     // words of other names that stand for it, separated by '|'
};
constexpr std::array<experiment_row, 14> experiments{{
    {0,  "General SPC",                               "",                           ""},
    {1,  "Gas Chromatogram",                          "GAS CHROMATOGRAM",           "gc"},
    {2,  "General Chromatogram",                      "CHROMATOGRAM",               "chromatogram"},
    {3,  "HPLC Chromatogram",                         "HPLC CHROMATOGRAM",          "hplc"},
    {4,  "FT-IR, FT-NIR, FT-Raman Spectrum or Igram", "INFRARED SPECTRUM",          "infrared|ir spectrum|ftir|ft-ir"},
    {5,  "NIR Spectrum",                              "NEAR INFRARED SPECTRUM",     "near infrared|nir"},
    {7,  "UV-VIS Spectrum",                           "UV/VIS SPECTRUM",            "uv/vis|uv-vis|uv/visible|ultraviolet"},
    {8,  "X-ray Diffraction Spectrum",                "X-RAY DIFFRACTION SPECTRUM", "x-ray|xrd"},
    {9,  "Mass Spectrum",                             "MASS SPECTRUM",              "mass"},
    {10, "NMR Spectrum or FID",                       "NMR SPECTRUM",               "nmr"},
    {11, "Raman Spectrum",                            "RAMAN SPECTRUM",             "raman"},
    {12, "Fluorescence Spectrum",                     "FLUORESCENCE SPECTRUM",      "fluorescence"},
    {13, "Atomic Spectrum",                           "ATOMIC SPECTRUM",            "atomic"},
    {14, "Chromatography Diode Array Spectra",        "DIODE ARRAY SPECTRA",        "diode array"},
}};
// clang-format on

// A name as names are compared: in lower case, without blanks.
std::string folded(std::string_view s) {
  std::string out;
  for (const char c : s)
    if (c != ' ' && c != '\t')
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Whether one of the '|'-separated names of list is the folded name.
bool among(std::string_view list, std::string_view key) {
  while (!list.empty()) {
    const std::size_t bar = list.find('|');
    if (folded(list.substr(0, bar)) == key) return true;
    if (bar == std::string_view::npos) break;
    list.remove_prefix(bar + 1);
  }
  return false;
}

bool of_axis(const unit_row& row, axis which) {
  return row.which == (which == axis::y ? axis::y : axis::x);
}

}  // namespace

axis_unit unit_of_code(int code, axis which) {
  for (const unit_row& row : units)
    if (of_axis(row, which) && row.code == code) return {code, std::string{row.name}};
  return {};
}

axis_unit unit_named(std::string_view name, axis which) {
  const std::string key = folded(name);
  if (key.empty()) return {-1, std::string{name}};
  // The names SPC and JCAMP-DX give first, then the others: "1/CM" is the wavenumber, not the
  // Raman shift.
  for (const unit_row& row : units)
    if (of_axis(row, which) && (folded(row.name) == key || folded(row.jcamp) == key))
      return {row.code, std::string{row.name}};
  for (const unit_row& row : units)
    if (of_axis(row, which) && among(row.others, key)) return {row.code, std::string{row.name}};
  return {-1, std::string{name}};
}

std::string jcamp_units(const axis_unit& u, axis which) {
  for (const unit_row& row : units)
    if (of_axis(row, which) && row.code == u.code && !row.jcamp.empty() &&
        (u.name.empty() || u.name == row.name))
      return std::string{row.jcamp};
  if (!u.name.empty()) {
    const axis_unit named = unit_named(u.name, which);
    for (const unit_row& row : units)
      if (of_axis(row, which) && row.code == named.code && !row.jcamp.empty())
        return std::string{row.jcamp};
    return u.name;
  }
  return "ARBITRARY UNITS";
}

std::string_view experiment_name(int code) {
  for (const experiment_row& row : experiments)
    if (row.code == code) return row.name;
  return {};
}

std::string_view experiment_data_type(int code) {
  for (const experiment_row& row : experiments)
    if (row.code == code) return row.data_type;
  return {};
}

int experiment_of(std::string_view name) {
  const std::string key = folded(name);
  if (key.empty()) return -1;
  for (const experiment_row& row : experiments)
    if (folded(row.name) == key || (!row.data_type.empty() && folded(row.data_type) == key))
      return row.code;
  // A name that holds one of the words: "FT-IR SPECTRUM", "UV-VIS ABSORPTION SPECTRUM"; the
  // later rows first, as "NIR" holds "IR".
  for (auto it = experiments.rbegin(); it != experiments.rend(); ++it) {
    const experiment_row& row = *it;
    std::string_view list = row.others;
    while (!list.empty()) {
      const std::size_t bar = list.find('|');
      const std::string word = folded(list.substr(0, bar));
      if (!word.empty() && key.find(word) != std::string::npos) return row.code;
      if (bar == std::string_view::npos) break;
      list.remove_prefix(bar + 1);
    }
  }
  return -1;
}

}  // namespace spectrum
