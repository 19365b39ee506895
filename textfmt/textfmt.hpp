// textfmt/textfmt.hpp: the readers and writers of the text spectrum files.
#pragma once

#include <cstdint>

#include "spectrum/spectrum.hpp"

using spectra::file_name;
using spectra::point_array;

// Reads a Y file: first x, last x and the point count, then y values; the x values follow from
// the head. At most capacity points; a larger count moves last x to the last point kept.
void READ1(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity);
// Writes a Y file: first x and last x as F9.3, the count as I6, then each y as 1X, E14.7.
void WRITE1(const file_name& name, const point_array& y, const float& first_x, const float& last_x,
            const std::int32_t& count);

// Reads an XY file, one point per record, x then y, read free-form: at most capacity points;
// a last record with only an x does not count.
void READ2(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity);
// Writes an XY file: x as F11.5, two blanks, y as E14.7, one point per record.
void WRITE2(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count);

// Reads a 6XY file, three points per record read free-form, at most capacity / 3 records.
void READ3(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity);
// Writes a 6XY file: three points per record, each x as F9.3, 1X, y as E14.7, 10X.
void WRITE3(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count);
