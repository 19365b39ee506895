// jcamp/jcamp_units.hpp: the unit names of ##XUNITS= and ##YUNITS=, and the SPC unit codes that
// they stand for.
#pragma once

#include <string>
#include <string_view>

#include "spectrum/document.hpp"

namespace jcamp {

// The unit that a ##XUNITS= value names: the name as the file gives it, without its comment, and
// the code of that name in any letter case where it is one of ours.
// x_unit_of("1/cm") gives the code 1 and the name "1/cm".
spectrum::axis_unit x_unit_of(std::string_view value);
// The same for ##YUNITS=: y_unit_of("Absorbance") gives the code 2.
spectrum::axis_unit y_unit_of(std::string_view value);

// The ##XUNITS= value for a unit: the name of its code, else its own name, else ARBITRARY UNITS.
// x_units_value({1, "Wavenumber (cm-1)"}) == "1/CM"
std::string x_units_value(const spectrum::axis_unit& u);
// The same for ##YUNITS=: y_units_value({-1, ""}) == "ARBITRARY UNITS"
std::string y_units_value(const spectrum::axis_unit& u);

}  // namespace jcamp
