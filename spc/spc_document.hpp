// spc/spc_document.hpp: SPC files of every kind as documents: the format's rows, recognising,
// reading into a document and writing a document in either variant.
#pragma once

#include <cstdint>
#include <string_view>

#include "recio/recio.hpp"
#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"

namespace spc {

// The rows of the table of formats: spc reads either variant and writes the new one; spc-old only
// writes the old variant. .spc names the new variant.
extern const spectrum::file_format format;
extern const spectrum::file_format old_format;

// The flag byte ftflags, bit by bit.
namespace flag {
inline constexpr std::uint8_t tsprec = 0x01;  // y values are 16-bit integers
inline constexpr std::uint8_t tcgram = 0x02;  // a chromatogram (older programs' fexper)
inline constexpr std::uint8_t tmulti = 0x04;  // several sub-files
inline constexpr std::uint8_t trandm = 0x08;  // the sub-files' z values in no order
inline constexpr std::uint8_t tordrd = 0x10;  // the z values ordered but not evenly spaced
inline constexpr std::uint8_t talabs = 0x20;  // axis labels as text in fcatxt
inline constexpr std::uint8_t txyxys = 0x40;  // each sub-file has its own x values and count
inline constexpr std::uint8_t txvals = 0x80;  // x values stored as an array
}  // namespace flag

// True when the first bytes are an SPC file's (version byte 0x4B, 0x4C or 0x4D), or a compound
// document, which some programs save as .spc and which the reader refuses by name.
bool recognises(spectrum::byte_view head);

// Reads an SPC file of any kind into out: every spectrum with its x (stored, or made from first
// x, last x and the count as the dialogue makes it), y and z, the units, the texts and the
// facts that `info` shows. A file that cannot be read gives its trouble and the byte offset.
spectrum::outcome read_file(const spectrum::input_file& in, const spectrum::read_options& options,
                            spectrum::document& out);

// Write the document as a new-variant (version byte 0x4B) or an old-variant (0x4D) SPC file on a
// unit that the caller has opened as a byte stream and will close. A document of one evenly
// spaced spectrum without units gives the dialogue's bytes for the same spectrum and memo.
// write_old refuses, writing nothing, what the old variant cannot hold.
spectrum::outcome write_new(const spectrum::document& doc, recio::unit_number unit,
                            const spectrum::write_options& options);
spectrum::outcome write_old(const spectrum::document& doc, recio::unit_number unit,
                            const spectrum::write_options& options);

}  // namespace spc
