// spc/spc_output.hpp: the bytes of an SPC file on a unit, which both writers lay out with: the
// old variant's header and integer y values, the new variant's header, sub-files, directory and
// log block, and the header values that the program makes itself.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "recio/values.hpp"
#include "spc/spc_header.hpp"
#include "spc/spc_layout.hpp"

namespace spc {

// The values that the dialogue always writes: x in wavenumbers (cm-1), arbitrary y units, no
// resolution; the command line's where a document has none.
inline constexpr std::uint8_t wavenumbers = 1;
inline constexpr std::uint8_t arbitrary_units = 0;
inline constexpr float no_resolution = 0.0f;

// The date parts from the local clock, time first.
void stamp_date(header_record& h);
// Every header field of a new-variant file that this program makes itself, the date from the
// clock; freserv keeps what the last new-variant file read left.
void build_fresh_header(header_record& h);
// The memo ends at its first run of three blanks: from there on it is NULs. A memo without such
// a run is written as it stands.
void cut_memo(spectrum::memo_text& memo);
// The old variant's y exponent e puts the largest magnitude A, divided by 2^e, in [0.25, 0.5)
// when A >= 0.5 and in (0.25, 0.5] below, so that the stored integers keep within 31 bits and a
// sign. Infinite and NaN values do not take part; false, with e unchanged, when no value has a
// magnitude. choose_exponent({1.0f}, e) sets e = 2.
template <class real>
bool choose_exponent(std::span<const real> y, std::int16_t& e);
// The resolution text of an old-variant header: the value as F4.1, the digit 0, three blanks.
// resolution_text_of(4.0f) holds " 4.00   ".
std::array<char, old_header::ores_size> resolution_text_of(float resolution);

// The old variant: its header, and y values as integers scaled by 2^(32-e), the high 16-bit half
// first.
void write_old_header(recio::unit_number unit, const old_header_record& h);
template <class real>
void write_old_y(recio::unit_number unit, std::span<const real> y, std::int16_t exponent);

// How a new-variant sub-file stores its y values: floats (float_y), or integers y x 2^(32-e), of
// 16 bits y x 2^(16-e).
struct y_encoding {
  bool sixteen_bit = false;
  int exponent = float_y;
  std::size_t value_size() const { return sixteen_bit ? 2 : 4; }
};

// One sub-file of a new-variant file as written: its header, its own x values (only where each
// sub-file has them, as floats) and its y values.
template <class real>
struct sub_file_out {
  std::array<std::uint8_t, sub_header::size> header{};
  std::span<const real> x;
  std::span<const real> y;
  y_encoding encoding;
  std::int64_t bytes() const {
    return static_cast<std::int64_t>(sub_header::size + 4 * x.size() +
                                     encoding.value_size() * y.size());
  }
};

// Writes a new-variant file: the main header of h, the x array of a file that has one, each
// sub-file, the sub-file directory where asked, and, when h.flogoff is not 0, the log block
// (h's five words, then the parameter bytes and the text given).
template <class real>
void write_new_layout(recio::unit_number unit, const header_record& h, std::span<const real> x,
                      std::span<const sub_file_out<real>> subs, bool directory,
                      byte_view log_parameters, byte_view log_text);

}  // namespace spc
