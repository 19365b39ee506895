// cli/formats.hpp: the table of formats through which the command line reaches every format: one
// row a format, with its names, how it is recognised, read and written.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "recio/values.hpp"
#include "spectrum/document.hpp"

namespace cli {

struct file_format {
  std::string_view name;                         // as -f and -t take it: "xy", "spc"
  std::string_view title;                        // as info shows it: "XY (two columns)"
  std::span<const std::string_view> extensions;  // the first is the one written
  bool binary = false;           // read and written as a byte stream, not as text records
  bool several_spectra = false;  // one file holds several spectra
  // From the first bytes of a file; null for a row that is only written.
  bool (*recognises)(spectrum::byte_view head) = nullptr;
  spectrum::outcome (*read)(const spectrum::input_file&, const spectrum::read_options&,
                           spectrum::document&) = nullptr;
  spectrum::outcome (*write)(const spectrum::document&, recio::unit_number,
                            const spectrum::write_options&) = nullptr;
};

// Every format, in the order in which they are tried on a file's first bytes.
std::span<const file_format> formats();
// The format of a name as -f and -t take it, or null.
const file_format* format_named(std::string_view name);
// The format that a file name's extension names, in any letter case ("A.XY" is XY), or null.
const file_format* format_of_extension(std::string_view file_name);
// The format that a file's first bytes show, or null when no format knows them.
const file_format* format_of_contents(spectrum::byte_view head);
// The names that -f and -t take, for the help and the checks.
std::string format_names(bool for_output);

}  // namespace cli
