// csv/csv.hpp: the CSV file as spreadsheets, pandas and R read and write it: a header row, then
// one row per point, x and the y of each spectrum in columns.
#pragma once

#include "recio/recio.hpp"
#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"

namespace csv {

// The format's row of the table of formats.
extern const spectrum::file_format format;

// Whether the bytes begin as a table: rows that a comma, semicolon or tab separates alike into
// the same number of columns (two at least), or a header row of names so separated. Numbers
// separated by blanks only (an XY file), and labelled records (JCAMP-DX), are not CSV.
// recognises("x;y\r\n1;0,5\r\n") == true; recognises("  1.0  2.0\r\n") == false
bool recognises(spectrum::byte_view head);

// Reads a table: blank lines and lines starting with '#' are passed over, a first row that is
// not all numbers is the header, the separator is the one the first row uses (semicolon, tab,
// comma), and with a semicolon or tab a decimal comma is a decimal point. x is the column that the
// options name, and each other column with a number in the first row of numbers is a spectrum's
// y, or only the y column that the options name. The header's names give the units and each
// spectrum's z: "y [Absorbance] z=0.5 [Minutes]". A row with a field that is not a number is
// refused with its line.
// "x;y\n400;0,5\n" reads the point (400, 0.5).
spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                           spectrum::document& doc);

// Writes the spectra of the document, which share one x, as a header and a row for each point:
// x, then each spectrum's y, each number in the fewest digits that read back to the same double.
// The header names the units in brackets where the document has them, and each spectrum's z where
// there are several or z is not 0. Spectra on different x are refused.
// A point (400, 0.5) with x in "Wavenumber (cm-1)" gives "x [Wavenumber (cm-1)],y" and "400,0.5";
// two spectra at z 0 and 1 give "x,y z=0,y z=1".
spectrum::outcome write_file(const spectrum::document& doc, recio::unit_number unit,
                            const spectrum::write_options& options);

}  // namespace csv
