// cli/load.hpp: one input file read into a document, for `convert` and `info` alike, and the
// lines that report a file's trouble.
#pragma once

#include <string>

#include "formats/formats.hpp"
#include "spectrum/document.hpp"

namespace cli {

using formats::file_format;

// An input read, or the line that says why not: "zolkdf: PATH: reason".
struct loaded {
  spectrum::document doc;
  const file_format* format = nullptr;
  std::string error;  // empty when the file was read
  spectrum::trouble trouble{};  // what the error says, field by field
  // The lines of damage that the reader passed over: "zolkdf: PATH: warning: line 9: reason".
  std::string warnings{};
};

// Reads the file of a path ("-": standard input) with the named format, or the one that its
// contents or else its extension show.
loaded load(const std::string& path, const std::string& from,
            const spectrum::read_options& reading);
// The same of a file's bytes held in memory, reported by the name.
loaded load_bytes(spectrum::byte_view bytes, const std::string& name, const std::string& from,
                  const spectrum::read_options& reading);
// The JSON object that `info --json` shows for a file read, as text.
std::string info_json(const std::string& path, const loaded& in);
// A file's name as messages show it: escaped, and cut at recio::shown_line_length characters.
// shown_name("a\nb.xy") == "a\\nb.xy"
std::string shown_name(const std::string& name);
// "zolkdf: PATH: line 12: invalid real", from a trouble of the file at path (or of the file that
// the trouble names).
std::string report(const std::string& path, const spectrum::trouble& t);

}  // namespace cli
