// spc/spc_layout.hpp: the bytes of both SPC variants: field offsets, little-endian helpers, the
// integer y rule and the old variant's half-swapped integers.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

#include "recio/byte_order.hpp"
#include "spectrum/fixed_spectrum.hpp"

namespace spc {

static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);

using byte_view = std::span<const std::uint8_t>;
using byte_span = std::span<std::uint8_t>;

inline constexpr std::uint8_t old_version = 77;  // "M"
inline constexpr std::uint8_t new_version = 75;  // "K"
inline constexpr std::int8_t float_y = -128;     // fexp 0x80: the y values are floats

// Bytes 0 and 1 of either variant.
namespace start {
inline constexpr std::size_t ftflags = 0;  // u8: must be 0
inline constexpr std::size_t fversn = 1;   // u8: 77 or 75
inline constexpr std::size_t size = 2;
}  // namespace start

namespace old_header {                      // 256 bytes, then the y values
inline constexpr std::size_t oexp = 2;      // i16: y exponent
inline constexpr std::size_t onpts = 4;     // f32: the point count
inline constexpr std::size_t ofirst = 8;    // f32
inline constexpr std::size_t olast = 12;    // f32
inline constexpr std::size_t oxtype = 16;   // u8
inline constexpr std::size_t oytype = 17;   // u8
inline constexpr std::size_t oyear = 18;    // i16
inline constexpr std::size_t omonth = 20;   // u8
inline constexpr std::size_t oday = 21;     // u8
inline constexpr std::size_t ohour = 22;    // u8
inline constexpr std::size_t ominute = 23;  // u8
inline constexpr std::size_t ores = 24;     // 8 characters: the resolution text
inline constexpr std::size_t ores_size = 8;
inline constexpr std::size_t unused = 32;  // 32 bytes
inline constexpr std::size_t ocmnt = 64;   // 130 characters: the memo
inline constexpr std::size_t ocmnt_size = 130;
inline constexpr std::size_t ocatxt = 194;  // 30 characters: the axis labels, as fcatxt
inline constexpr std::size_t ocatxt_size = 30;
inline constexpr std::size_t first_sub = 224;  // the first sub-file's header
inline constexpr std::size_t size = 256;
// What the reader reads before it tests the point count: oexp to oytype.
inline constexpr std::size_t counted_end = 18;
}  // namespace old_header

namespace new_header {                       // 512 bytes, then the sub-file header and the y values
inline constexpr std::size_t fexper = 2;     // u8
inline constexpr std::size_t fexp = 3;       // i8: -128 means the y values are floats
inline constexpr std::size_t fnpts = 4;      // i32
inline constexpr std::size_t ffirst = 8;     // f64
inline constexpr std::size_t flast = 16;     // f64
inline constexpr std::size_t fnsub = 24;     // i32
inline constexpr std::size_t fxtype = 28;    // u8
inline constexpr std::size_t fytype = 29;    // u8
inline constexpr std::size_t fztype = 30;    // u8
inline constexpr std::size_t fpost = 31;     // u8
inline constexpr std::size_t fdate = 32;     // i32: the packed date word
inline constexpr std::size_t fres = 36;      // 9 characters
inline constexpr std::size_t fsource = 45;   // 9 characters
inline constexpr std::size_t fpeakpt = 54;   // i16
inline constexpr std::size_t fspare = 56;    // 8 words of 4 bytes
inline constexpr std::size_t fcmnt = 88;     // 130 characters
inline constexpr std::size_t fcatxt = 218;   // 30 characters
inline constexpr std::size_t flogoff = 248;  // i32: not 0 when a log block follows the y values
inline constexpr std::size_t fmods = 252;    // i32
inline constexpr std::size_t fprocs = 256;   // u8
inline constexpr std::size_t flevel = 257;   // u8
inline constexpr std::size_t fsampin = 258;  // i16
inline constexpr std::size_t ffactor = 260;  // 4 bytes
inline constexpr std::size_t fmethod = 264;  // 48 characters
inline constexpr std::size_t fzinc = 312;    // 4 bytes
inline constexpr std::size_t fwplanes = 316;  // i32
inline constexpr std::size_t fwinc = 320;     // 4 bytes
inline constexpr std::size_t fwtype = 324;    // u8
inline constexpr std::size_t freserv = 325;   // 187 bytes
inline constexpr std::size_t size = 512;
// What the reader reads before it tests the point count: fexper to fytype.
inline constexpr std::size_t counted_end = 30;
}  // namespace new_header

namespace sub_header {  // 32 bytes before each sub-file's values
inline constexpr std::size_t subflgs = 0;
inline constexpr std::size_t subexp = 1;    // i8: this sub-file's exponent, -128 for floats
inline constexpr std::size_t subindx = 2;   // i16: its index, from 0
inline constexpr std::size_t subtime = 4;   // f32: its z value
inline constexpr std::size_t subnpts = 16;  // i32: its count, where each sub-file has its own x
inline constexpr std::size_t size = 32;
}  // namespace sub_header

// The sub-file directory, where each sub-file has its own x values: fnpts gives its place, and
// it holds 12 bytes for each sub-file.
namespace directory_entry {
inline constexpr std::size_t ssfposn = 0;  // i32: where the sub-file starts
inline constexpr std::size_t ssfsize = 4;  // i32: its size in bytes
inline constexpr std::size_t ssftime = 8;  // f32: its z value
inline constexpr std::size_t size = 12;
}  // namespace directory_entry

inline constexpr std::size_t new_y_offset = new_header::size + sub_header::size;  // 544

namespace log_block {                       // directly after the y values
inline constexpr std::size_t logsizd = 0;   // i32
inline constexpr std::size_t logsizm = 4;   // i32
inline constexpr std::size_t logtxto = 8;   // i32: where the log text starts in the block
inline constexpr std::size_t logbins = 12;  // i32
inline constexpr std::size_t logdsks = 16;  // i32
inline constexpr std::size_t words_size = 20;
inline constexpr std::size_t head_size = 64;  // the five words and 44 reserved bytes
inline constexpr std::int32_t max_parameters = 256;
inline constexpr std::int32_t max_text = 1000;
}  // namespace log_block

using recio::get_f32le;
using recio::get_f64le;
using recio::get_i16le;
using recio::get_i32le;
using recio::get_u16le;
using recio::get_u32le;
using recio::get_u64le;
// Old-variant y values store the high 16-bit half first, each half little-endian.
constexpr std::int32_t get_i32_high_half_first(byte_view b, std::size_t at) {
  return static_cast<std::int32_t>(std::uint32_t{get_u16le(b, at)} << 16 | get_u16le(b, at + 2));
}

using recio::put_f32le;
using recio::put_f64le;
using recio::put_i16le;
using recio::put_i32le;
using recio::put_u16le;
using recio::put_u32le;
using recio::put_u64le;
constexpr void put_i32_high_half_first(byte_span b, std::size_t at, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  put_u16le(b, at, static_cast<std::uint16_t>(u >> 16));
  put_u16le(b, at + 2, static_cast<std::uint16_t>(u));
}

// The x values that a file implies by first x, last x and the count: each formed afresh from
// first x in double precision, with the step held in single precision (positive when x falls),
// so that x(1) is first x exactly. x receives the first x.size() of them, at most count.
// even_x(4000.0f, 400.0f, 3601, x) gives 4000, 3999, ..., 400.
inline void even_x(float first_x, float last_x, std::int32_t count, std::span<float> x) {
  const std::size_t n = count < 1 ? 0 : std::min(x.size(), static_cast<std::size_t>(count));
  if (n == 0) return;
  x[0] = first_x;
  if (n == 1) return;
  const auto step = spectrum::to_single((static_cast<double>(first_x) - last_x) /
                                        (static_cast<double>(count) - 1.0));
  for (std::size_t i = 1; i < n; ++i)
    x[i] = spectrum::to_single(static_cast<double>(first_x) - static_cast<double>(i) * step);
}

// The old variant stores its point count as a float; truncating toward zero gives the count. One
// that is no number or beyond the 32-bit range counts as more points than any file holds.
inline std::int32_t count_of_stored(float stored) {
  const double t = std::trunc(static_cast<double>(stored));
  if (std::isnan(t) || t >= 2147483648.0 || t < -2147483648.0)
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(t);
}

// v x 2^k, as ldexp gives it. For k from -1022 to 1023, which holds every exponent an instrument
// writes, 2^k is a normal double built from its bits, and the product, rounded once, is the
// same, without a library call per value.
inline double times_power_of_two(double v, int k) {
  if (k < -1022 || k > 1023) return std::ldexp(v, k);
  return v * std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

// The integer y rule: y = n / D with D = 2 x 2147483647 / 2^e rounded to single precision, which
// is 2^(32-e) for every exponent from -95 to 127. So y = n x 2^(e-32), formed in double and
// rounded once to single precision; below -95, where D would leave the float range, the same.
// Beyond the single-precision range (the old variant's 16-bit exponent reaches far) y is an
// infinity, as the rounding gives, without converting a value that does not fit.
inline float y_of_integer(std::int32_t n, int e) {
  return spectrum::to_single(times_power_of_two(static_cast<double>(n), e - 32));
}

// The old variant stores n = y x 2^(32-e) truncated toward zero. A value that reaches 2^31 (a
// positive largest magnitude at exactly half the scale) is held at 2147483647; NaN is 0.
// The conversion to an integer truncates; the limits are judged before it, and a value between
// a limit and the next integer beyond it truncates to that limit anyway.
inline std::int32_t integer_of_y(double y, int e) {
  const double scaled = times_power_of_two(y, 32 - e);
  if (std::isnan(scaled)) return 0;
  if (scaled >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (scaled <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(scaled);
}

}  // namespace spc
