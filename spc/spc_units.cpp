// spc/spc_units.cpp: the names of SPC's unit codes and experiment codes.
#include <array>

#include "spc/spc_document.hpp"

namespace spc {

namespace {

// The names of the codes, each table from code 0 on; an empty name is a code without one.
// clang-format off
constexpr std::array<std::string_view, 31> x_names{
    "Arbitrary", "Wavenumber (cm-1)", "Micrometers (um)", "Nanometers (nm)", "Seconds",
    "Minutes", "Hertz (Hz)", "Kilohertz (KHz)", "Megahertz (MHz)", "Mass (M/z)",
    "Parts per million (PPM)", "Days", "Years", "Raman Shift (cm-1)", "Electron Volt (eV)",
    "XYZ text labels", "Diode Number", "Channel", "Degrees", "Temperature (F)",
    "Temperature (C)", "Temperature (K)", "Data Points", "Milliseconds (mSec)",
    "Microseconds (uSec)", "Nanoseconds (nSec)", "Gigahertz (GHz)", "Centimeters (cm)",
    "Meters (m)", "Millimeters (mm)", "Hours"};
constexpr std::array<std::string_view, 27> y_names{
    "Arbitrary Intensity", "Interferogram", "Absorbance", "Kubelka-Munk", "Counts", "Volts",
    "Degrees", "Milliamps", "Millimeters", "Millivolts", "Log(1/R)", "Percent", "Intensity",
    "Relative Intensity", "Energy", "", "Decibel", "", "", "Temperature (F)", "Temperature (C)",
    "Temperature (K)", "Index of Refraction [N]", "Extinction Coeff. [K]", "Real", "Imaginary",
    "Complex"};
// The y codes from 128 on.
constexpr std::array<std::string_view, 4> y_names_from_128{
    "Transmission", "Reflectance", "Arbitrary or Single Beam with Valley Peaks", "Emission"};
constexpr std::array<std::string_view, 15> experiment_names{
    "General SPC", "Gas Chromatogram", "General Chromatogram", "HPLC Chromatogram",
    "FT-IR, FT-NIR, FT-Raman Spectrum or Igram", "NIR Spectrum", "", "UV-VIS Spectrum",
    "X-ray Diffraction Spectrum", "Mass Spectrum", "NMR Spectrum or FID", "Raman Spectrum",
    "Fluorescence Spectrum", "Atomic Spectrum", "Chromatography Diode Array Spectra"};
// clang-format on

template <std::size_t n>
std::string_view name_in(const std::array<std::string_view, n>& names, int code) {
  return code >= 0 && code < static_cast<int>(n) ? names[static_cast<std::size_t>(code)] : "";
}

}  // namespace

std::string_view x_unit_name(int code) {
  return code == 255 ? "Double Interferogram" : name_in(x_names, code);
}

std::string_view y_unit_name(int code) {
  return code >= 128 ? name_in(y_names_from_128, code - 128) : name_in(y_names, code);
}

std::string_view experiment_name(int code) { return name_in(experiment_names, code); }

}  // namespace spc
