// jcamp/jcamp_units.cpp: the unit names of ##XUNITS= and ##YUNITS=, and the SPC unit codes that
// they stand for.
#include "jcamp/jcamp_units.hpp"

#include <array>

#include "jcamp/jcamp_text.hpp"

namespace jcamp {
namespace {

struct unit_name {
  int code;
  std::string_view jcamp;
};
constexpr std::array<unit_name, 21> x_unit_names{{
    {0, "ARBITRARY UNITS"},
    {1, "1/CM"},
    {2, "MICROMETERS"},
    {3, "NANOMETERS"},
    {4, "SECONDS"},
    {5, "MINUTES"},
    {6, "HZ"},
    {7, "KHZ"},
    {8, "MHZ"},
    {9, "M/Z"},
    {10, "PPM"},
    {11, "DAYS"},
    {12, "YEARS"},
    {13, "1/CM"},
    {14, "EV"},
    {18, "DEGREES"},
    {23, "MILLISECONDS"},
    {24, "MICROSECONDS"},
    {25, "NANOSECONDS"},
    {26, "GHZ"},
    {29, "MILLIMETERS"},
}};
constexpr std::array<unit_name, 15> y_unit_names{{
    {0, "ARBITRARY UNITS"},
    {2, "ABSORBANCE"},
    {3, "KUBELKA-MUNK"},
    {4, "COUNTS"},
    {5, "VOLTS"},
    {6, "DEGREES"},
    {9, "MILLIVOLTS"},
    {10, "LOG(1/R)"},
    {11, "PERCENT"},
    {12, "INTENSITY"},
    {13, "RELATIVE INTENSITY"},
    {14, "ENERGY"},
    {128, "TRANSMITTANCE"},
    {129, "REFLECTANCE"},
    {131, "EMISSION"},
}};

template <std::size_t n>
spectrum::axis_unit unit_of(std::string_view value, const std::array<unit_name, n>& names) {
  spectrum::axis_unit u;
  u.name = std::string(recio::before_comment(value, comment_marker, blanks));
  const std::string key = uppercase(u.name);
  for (const unit_name& entry : names)
    if (entry.jcamp == key) {
      u.code = entry.code;
      break;
    }
  return u;
}

template <std::size_t n>
std::string units_value(const spectrum::axis_unit& u, const std::array<unit_name, n>& names) {
  for (const unit_name& entry : names)
    if (entry.code == u.code) return std::string(entry.jcamp);
  return u.name.empty() ? std::string("ARBITRARY UNITS") : u.name;
}

}  // namespace

spectrum::axis_unit x_unit_of(std::string_view value) { return unit_of(value, x_unit_names); }
spectrum::axis_unit y_unit_of(std::string_view value) { return unit_of(value, y_unit_names); }

std::string x_units_value(const spectrum::axis_unit& u) { return units_value(u, x_unit_names); }
std::string y_units_value(const spectrum::axis_unit& u) { return units_value(u, y_unit_names); }

}  // namespace jcamp
