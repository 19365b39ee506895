// spa/spa.hpp: the FTIR files of one spectrum (.spa) or a group of spectra (.spg) that begin with
// the text "Spectral Data File": a directory of keyed sections, each spectrum a header, its y as
// floats, its title and its history.
#pragma once

#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"

namespace spa {

// The format's row of the table of formats.
extern const spectrum::file_format format;

// Whether the bytes begin with the text "Spectral Data File".
// recognises("Spectral Data File\r\n...") == true
bool recognises(spectrum::byte_view head);

// Reads each spectrum of the file in the order of its headers in the directory: y as stored, x
// evenly spaced from the header's first and last x, the units from its unit codes; the file's
// title as the memo, the date acquired (UTC), the resolution and the history text; a group's
// members each with their own title and, as z, the seconds since the group's first spectrum was
// acquired. A section that runs past the end of the file, a data section that does not hold the
// header's count of floats, or a value that is not a number is refused with its byte offset.
spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc);

}  // namespace spa
