// textfmt/textfmt.hpp: the readers and writers of the text spectrum files.
#pragma once

#include <cstdint>

#include "control/spectrum.hpp"

using control::file_name;
using control::point_array;

// Reads an XY file, one point per record, x then y, read free-form: at most capacity points;
// a last record with only an x does not count.
void READ2(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity);
// Writes an XY file: x as F11.5, two blanks, y as E14.7, one point per record.
void WRITE2(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count);
