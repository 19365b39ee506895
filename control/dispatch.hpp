// control/dispatch.hpp: the readers and the writers, chosen by format code.
#pragma once

#include <cstdint>

#include "control/conversion.hpp"

namespace control {

// Calls the reader for the code: 1 Y, 2 XY, 3 6XY, 5 and 6 SPC (the file's version byte decides).
// Code 4 writes " option not available" and returns false; any other code reads nothing.
bool read_spectrum(std::int32_t code, const file_name& name, fixed_spectrum& s);
// Calls the writer for the code: 1 Y, 2 XY, 3 6XY, 5 old SPC, 6 new SPC (with the spectrum's
// memo). Code 4 writes " option not available"; any other code writes nothing.
void write_spectrum(std::int32_t code, const file_name& name, fixed_spectrum& s);

// The refusal of a spectrum with more points than the arrays hold: nothing is written.
void too_many_points(const file_name& input);

}  // namespace control
