// formats/formats.hpp: the table of formats, which lists the row that each format's folder
// defines, and whole files read and written through it, every failure given back as a trouble.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "spectrum/document.hpp"
#include "spectrum/file_format.hpp"

namespace formats {

using spectrum::file_format;

// Every format, in the order in which they are tried on a file's first bytes.
std::span<const file_format* const> all();
// The format of a name as -f and -t take it ("xy"), or null.
const file_format* named(std::string_view name);
// The format that a file name's extension names, in any letter case ("A.XY" is XY), or null.
const file_format* of_extension(std::string_view file_name);
// The format that a file's first bytes show, or null when no format knows them.
const file_format* of_contents(spectrum::byte_view head);
// The names of the formats that read (or, for_output, write) files: "spc, jcamp, y".
std::string names(bool for_output);

// A file read whole: the document and the format it was read as, or the trouble that stopped it.
// A format is null when none was named and neither the contents nor the extension tell one.
struct loaded {
  spectrum::document doc;
  const file_format* format = nullptr;
  const file_format* seen = nullptr;  // the format that the contents show, or null
  spectrum::outcome trouble;
};
// The most bytes read of an input that is not a regular file (a device, a pipe, standard input):
// 64 KiB and 64 bytes for each point that a spectrum may have, and no more than 1 GiB.
std::uint64_t most_stream_bytes(std::size_t most_points);
// Reads the file of a path ("-": standard input) whole into bytes, or says why not: a regular file
// that grows while it is read, anything else of more than most bytes, memory that cannot be had.
spectrum::outcome read_bytes(const std::string& path, std::uint64_t most,
                             std::vector<std::uint8_t>& bytes);
// Reads the file of a path ("-": standard input) as the named format, else as the one that its
// contents or else its extension show. A file of no bytes, or one whose spectra have no points, is
// refused ("no points"), and so is one of more bytes than can be read (see read_whole_file) or
// one whose reading runs out of memory.
loaded load(const std::string& path, std::string_view from, const spectrum::read_options& reading);
// The same of a file's bytes held in memory, reported by the name, whose extension tells the
// format where neither from nor the contents do.
loaded load_bytes(spectrum::byte_view bytes, const std::string& name, std::string_view from,
                  const spectrum::read_options& reading);
// Reads a file held in memory as the format.
spectrum::outcome read(const file_format& format, const spectrum::input_file& in,
                       const spectrum::read_options& reading, spectrum::document& doc);
// Writes the document as the format on path ("-": standard output). The file takes the new bytes
// whole, or keeps what it held when the writing fails.
spectrum::outcome write(const file_format& format, const spectrum::document& doc,
                        const std::string& path, const spectrum::write_options& writing);
// Writes bytes that are not a spectrum file (a picture) on path ("-": standard output), as write
// does: the file takes them whole, or keeps what it held when the writing fails.
spectrum::outcome write_bytes(std::string_view bytes, const std::string& path);

}  // namespace formats
