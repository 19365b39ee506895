// textfmt/textfmt.hpp: the readers and writers of the text spectrum files.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "recio/values.hpp"
#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"
#include "spectrum/fixed_spectrum.hpp"

using spectrum::file_name;
using spectrum::point_array;

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

namespace textfmt {

// The routines above on a unit that is open already, with arrays of any size: the capacity is
// the most points read, and no more than the arrays hold. The dialogue's reals are float; the
// command line's double, read to the nearest double and written in the digits that the layout's
// fields show of the double itself.
template <class real>
void read_y(recio::unit_number unit, std::span<real> x, std::span<real> y, real& first_x,
            real& last_x, std::int32_t& count, std::int32_t capacity);
template <class real>
void write_y(recio::unit_number unit, std::span<const real> y, real first_x, real last_x,
             std::int32_t count);
template <class real>
void read_xy(recio::unit_number unit, std::span<real> x, std::span<real> y, real& first_x,
             real& last_x, std::int32_t& count, std::int32_t capacity);
template <class real>
void write_xy(recio::unit_number unit, std::span<const real> x, std::span<const real> y,
              std::int32_t count);
// name is the file's name for the console line about records left unread.
template <class real>
void read_6xy(recio::unit_number unit, std::string_view name, std::span<real> x, std::span<real> y,
              real& first_x, real& last_x, std::int32_t& count, std::int32_t capacity);
template <class real>
void write_6xy(recio::unit_number unit, std::span<const real> x, std::span<const real> y,
               std::int32_t count);

// The command line's side: a whole file in memory read into a document, and the first spectrum
// of a document written on a unit opened for text. Every point is read, however many.
spectrum::outcome read_y_file(const spectrum::input_file& in, const spectrum::read_options& options,
                              spectrum::document& doc);
spectrum::outcome read_xy_file(const spectrum::input_file& in,
                               const spectrum::read_options& options, spectrum::document& doc);
spectrum::outcome read_6xy_file(const spectrum::input_file& in,
                                const spectrum::read_options& options, spectrum::document& doc);
// A Y file of a spectrum whose x is not evenly spaced is refused: the head cannot say it. So is
// any file whose x (or Y count) a fixed field cannot show whole.
spectrum::outcome write_y_file(const spectrum::document& doc, recio::unit_number unit,
                               const spectrum::write_options& options);
spectrum::outcome write_xy_file(const spectrum::document& doc, recio::unit_number unit,
                                const spectrum::write_options& options);
spectrum::outcome write_6xy_file(const spectrum::document& doc, recio::unit_number unit,
                                 const spectrum::write_options& options);

// The formats' rows of the table of formats.
extern const spectrum::file_format y_format;
extern const spectrum::file_format xy_format;
extern const spectrum::file_format six_column_format;

// Whether the first records of a file have the shape of the format: a Y head of three single
// values then one a record; two values a record; six values a record (fewer in a last one).
// recognises_xy("1800.0  0.5\r\n1750.0  0.7\r\n") is true.
bool recognises_y(spectrum::byte_view head);
bool recognises_xy(spectrum::byte_view head);
bool recognises_6xy(spectrum::byte_view head);

}  // namespace textfmt
