// ramantext/ramantext.hpp: the text tables that a Raman microscope's software exports: "#key=value"
// header lines, then either one point a row (x and y) or a first row of x and a row for each
// spectrum, its position first.
#pragma once

#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"

namespace ramantext {

// The format's row of the table of formats.
extern const spectrum::file_format format;

// Whether the bytes begin with a header line "#key=value": a single '#', a key, '='.
// recognises("#Acq. time (s)=\t60\r\n") == true; recognises("##TITLE= a") == false
bool recognises(spectrum::byte_view head);

// Reads the header's keys into the document (the title, the instrument, the date acquired, the
// axes' kinds and units; every other key as a label) and the table: one spectrum of two columns,
// or a spectrum for each row after the row of x, each row's first number its z. Text beyond ASCII
// is taken as Latin-1. A row that is not all numbers, or whose count differs, is refused with
// its line.
spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc);

}  // namespace ramantext
