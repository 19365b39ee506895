// spectrum/file_format.hpp: a format's row of the table of formats: its names, how its files are
// recognised, read into a document and written from one. Each format's folder defines its rows;
// the table only lists them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "recio/values.hpp"
#include "spectrum/document.hpp"

namespace spectrum {

struct file_format {
  std::string_view name;                         // as -f and -t take it: "xy", "spc"
  std::string_view title;                        // as info shows it: "XY (two columns)"
  std::span<const std::string_view> extensions;  // the first is the one written
  bool binary = false;           // read and written as a byte stream, not as text records
  bool several_spectra = false;  // one file holds several spectra
  bool several_on_one_x = false;  // one file holds several spectra where they share their x
  std::uint32_t holds = 0;       // the fields beyond the points that a file holds (spectrum::field)
  bool reads_even_x = true;  // its writer reads each x of evenly spaced spectra, not only the ends
  // From the first bytes of a file; null for a row that is only written.
  bool (*recognises)(byte_view head) = nullptr;
  // A whole file in memory into the document; null for a row that is only written. The record
  // layer's stops and fatal reports may end it: the table turns them into troubles.
  outcome (*read)(const input_file&, const read_options&, document&) = nullptr;
  // The document on a unit that the table has opened and will close.
  outcome (*write)(const document&, recio::unit_number, const write_options&) = nullptr;
};

}  // namespace spectrum
