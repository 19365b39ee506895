// opus/opus.hpp: the FTIR block file (saved with numbered extensions .0, .1, ...): a directory of
// blocks, data blocks of y values each with a block of its status (count, first and last x, y
// scale), and parameter blocks of the instrument, the acquisition and the sample. It is only read.
#pragma once

#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"

namespace opus {

// The format's row of the table of formats.
extern const spectrum::file_format format;

// Whether the bytes begin with the magic number 0A 0A FE FE and a header whose directory could
// be one: at or after the header, with at least one block and no more than it has room for.
bool recognises(spectrum::byte_view head);

// Reads every spectrum result (absorbance, transmittance, Kubelka-Munk, ...), then the sample's
// single channel, then the reference's, each a spectrum with its own evenly spaced x; leaves out
// interferograms and phases. The title is the sample's name; the date, instrument, resolution,
// laser wavenumber, scans and the like come from the parameter blocks; `info` gets every block of
// the directory and what was made of it. A directory entry past the end of the file, a data block
// shorter than its count or a status block without its count or ends is refused with its offset.
spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc);

}  // namespace opus
