// spc/spc.hpp: the SPC reading and writing routines.
#pragma once

#include <cstdint>

#include "spectrum/fixed_spectrum.hpp"

using spectrum::file_name;
using spectrum::memo_text;
using spectrum::point_array;

// Reads an SPC file of either variant, chosen by its version byte, into the y array, the point
// count, first and last x, the unit codes, the resolution value and the memo. A file with more
// points than the array capacity is reported and returned unread; a file that cannot be read
// ends the run.
void READSC(const file_name& name, point_array& y, std::int32_t& count, float& first_x,
            float& last_x, std::uint8_t& x_type, std::uint8_t& y_type, float& resolution,
            memo_text& memo, std::int32_t& status);
// Reads the rest of an old-variant file whose first two bytes have been read from unit.
void READSC1(const file_name& name, const std::int16_t& unit, point_array& y, std::int32_t& count,
             float& first_x, float& last_x, std::uint8_t& x_type, std::uint8_t& y_type,
             float& resolution, memo_text& memo, std::int32_t& status);
// Reads the rest of a new-variant file whose first two bytes have been read from unit, into the
// shared header record and the y array.
void READSC2(const file_name& name, const std::int16_t& unit, point_array& y, std::int32_t& status);

// The converter's SPC input: reads the file, makes the x values from first x, last x and the
// count, and reports how the computed last x agrees with the one read.
void READ5(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count);

// The converter's SPC outputs: the old variant (version byte 77) and the new one (75). The memo
// is cut in place at its first run of three blanks.
void WRITE5(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count, memo_text& memo);
void WRITE6(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count, memo_text& memo);
// Cuts the memo and writes the variant that the shared header record's version byte names.
void WRITESPC(const file_name& name, const point_array& y, const std::int32_t& count,
              const float& first_x, const float& last_x, const std::uint8_t& x_type,
              const std::uint8_t& y_type, const float& resolution, memo_text& memo,
              std::int32_t& status);
// Writes a new-variant file from the shared header record and the y array, y as floats.
void WRITESC(const file_name& name, const point_array& y, std::int32_t& status);
// Writes an old-variant file, y scaled to integers by an exponent chosen from the values.
void WRITESC1(const file_name& name, const point_array& y, const std::int32_t& count,
              const float& first_x, const float& last_x, const std::uint8_t& x_type,
              const std::uint8_t& y_type, const float& resolution, const memo_text& memo,
              std::int32_t& status);
// The greatest and the least of y(first) to y(last), counting from 1.
void MAXMIN(const point_array& y, const std::int32_t& first, const std::int32_t& last,
            float& largest, float& smallest);
