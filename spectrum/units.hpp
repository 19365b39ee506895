// spectrum/units.hpp: units of the axes and kinds of experiment, one table for every format: the
// SPC code of each, the name a person reads, JCAMP-DX's name, and the other names files give it.
#pragma once

#include <string>
#include <string_view>

#include "spectrum/document.hpp"

namespace spectrum {

// Which axis a unit is of; z takes the codes of x.
enum class axis { x, y, z };

// The unit of an SPC code, with its name as a person reads it; code -1 and no name for a code
// that names none. unit_of_code(1, axis::x) == {1, "Wavenumber (cm-1)"}
axis_unit unit_of_code(int code, axis which);

// A unit by any name that a file gives it: SPC's ("Nanometers (nm)"), JCAMP-DX's ("NANOMETERS"),
// its symbol ("nm"), in any letter case and blanks aside. A name that the table knows gives its
// code and its name as a person reads it; any other keeps its own text and code -1.
// unit_named("cm-1", axis::x) == {1, "Wavenumber (cm-1)"}; unit_named("%T", axis::y) gives 128.
axis_unit unit_named(std::string_view name, axis which);

// The name that JCAMP-DX's ##XUNITS= or ##YUNITS= gives a unit: its code's where JCAMP-DX names
// the code, else its own name, else ARBITRARY UNITS. jcamp_units({1, ...}, axis::x) == "1/CM"
std::string jcamp_units(const axis_unit& u, axis which);

// The name of an SPC experiment code, "" for one without a name.
std::string_view experiment_name(int code);
// JCAMP-DX's ##DATA TYPE= for an experiment code: experiment_data_type(11) == "RAMAN SPECTRUM";
// empty where JCAMP-DX has no name for it.
std::string_view experiment_data_type(int code);
// The experiment code that a data type or an experiment's name stands for, -1 for none:
// experiment_of("INFRARED SPECTRUM") == 4, experiment_of("UV/VIS SPECTRUM") == 7.
int experiment_of(std::string_view name);

}  // namespace spectrum
