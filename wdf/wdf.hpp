// wdf/wdf.hpp: the Raman microscope's .wdf file: a chain of blocks, the header block WDF1 first,
// then the spectra (DATA), their x (XLST), each spectrum's time and position (ORGN), the map's
// shape (WMAP), the measurement's text (TEXT) and others.
#pragma once

#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"

namespace wdf {

// The format's row of the table of formats.
extern const spectrum::file_format format;

// Whether the bytes begin with the header block: the id "WDF1", then a number and a size.
// recognises("WDF1\1\0\0\0\0\2\0\0...") == true
bool recognises(spectrum::byte_view head);

// Reads the collected spectra in the order stored, each with the file's one x list, their units
// from the file's codes, each spectrum's z and title from its origin lists, and the header's title,
// date, operator, software, laser and measurement. A block or a count that runs past the bytes,
// counts that disagree with the data block, and values that are not finite numbers are refused
// with the byte offset where they were found.
spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc);

}  // namespace wdf
