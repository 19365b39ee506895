// jcamp/jcamp.hpp: the JCAMP-DX file, the exchange format of spectroscopy: labelled data records
// of text, with the data as plain or compressed numbers.
#pragma once

#include "recio/recio.hpp"
#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"

namespace jcamp {

// The format's row of the table of formats.
extern const spectrum::file_format format;

// Whether the bytes begin as a JCAMP-DX file: a first labelled record ##TITLE=, after any blank
// lines and $$ comment lines, with the label in any letter case and spelling.
// recognises("\r\n$$ exported\r\n##title= benzene\r\n") == true
bool recognises(spectrum::byte_view head);

// Reads a JCAMP-DX file, versions 4.24 and 5.x: every spectrum of its XYDATA, XYPOINTS,
// PEAK TABLE, PEAK ASSIGNMENTS and NTUPLES pages, in every block, with the file's texts, its
// comment lines as the log and its other labels; a file that is cut or damaged gives its trouble
// with the line where it was found.
// "##XYDATA=(X++(Y..Y))" then "1 A5J3%" reads the y values 15, 18, 18.
spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc);

// Writes the document as JCAMP-DX 4.24 on a unit open for text output: evenly spaced x as
// ##XYDATA=(X++(Y..Y)) in DIF/DUP form (AFFN when asked), other x as ##XYPOINTS=(XY..XY), peaks
// as ##PEAK TABLE= or ##PEAK ASSIGNMENTS=, several spectra as the blocks of one ##BLOCKS file,
// each with its z; the texts, labels and log with them. Records are at most 80 characters.
// The y values 10, 12, 12, 12, 7 at x 4000 to 3996 give the data lines "4000 A0K%Tn" (10, then
// the differences +2, 0 twice, -5) and "3996 G" (the last y again, the check value).
spectrum::outcome write_file(const spectrum::document& doc, recio::unit_number unit,
                             const spectrum::write_options& options);

}  // namespace jcamp
