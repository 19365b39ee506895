// spc/spc_output.cpp: the bytes of SPC files on a unit, and the header values that the program
// makes itself.
#include "spc/spc_output.hpp"

#include <algorithm>
#include <cmath>

#include "recio/recio.hpp"

namespace spc {

namespace {

constexpr recio::layout resolution_text{"(F4.1,I1,3X)"};

// Values on their way to the file go a block at a time through a buffer of the caller's own, so
// that writers on several threads share nothing.
constexpr std::size_t block_points = 1 << 12;

// Writes the values, each as the size bytes that put lays out.
template <std::size_t size = 4, class real, typename encode>
void write_values(recio::unit_number unit, std::span<const real> values, encode put) {
  std::array<std::uint8_t, size * block_points> block;
  for (std::size_t first = 0; first < values.size(); first += block_points) {
    const std::size_t m = std::min(block_points, values.size() - first);
    for (std::size_t i = 0; i < m; ++i) put(byte_span{block}, size * i, values[first + i]);
    recio::write_bytes(unit, {block.data(), size * m});
  }
}

// A value as a float, rounded to the nearest: the writers refuse finite values beyond the range of
// single precision before they get here.
void put_float(byte_span b, std::size_t at, float v) { put_f32le(b, at, v); }
void put_float(byte_span b, std::size_t at, double v) {
  put_f32le(b, at, static_cast<float>(v));
}

// y values as the encoding stores them.
template <class real>
void write_y(recio::unit_number unit, std::span<const real> y, const y_encoding& e) {
  if (e.exponent == float_y && !e.sixteen_bit) {
    write_values(unit, y, [](byte_span b, std::size_t at, real v) { put_float(b, at, v); });
  } else if (e.sixteen_bit) {
    write_values<2>(unit, y, [&e](byte_span b, std::size_t at, real v) {
      put_i16le(
          b, at,
          static_cast<std::int16_t>(integer_of_y(static_cast<double>(v), e.exponent) / 65536));
    });
  } else {
    write_values(unit, y, [&e](byte_span b, std::size_t at, real v) {
      put_i32le(b, at, integer_of_y(static_cast<double>(v), e.exponent));
    });
  }
}

}  // namespace

void stamp_date(header_record& h) {
  std::int16_t hour = 0, minute = 0, second = 0, hundredths = 0, year = 0, month = 0, day = 0;
  recio::local_time(hour, minute, second, hundredths);
  recio::local_date(year, month, day);
  h.year = year;
  h.month = static_cast<std::uint8_t>(month);
  h.day = static_cast<std::uint8_t>(day);
  h.hour = static_cast<std::uint8_t>(hour);
  h.minute = static_cast<std::uint8_t>(minute);
}

void build_fresh_header(header_record& h) {
  h.ftflags = 0;
  h.fversn = new_version;
  h.fexper = 0;
  h.fnsub = 1;
  h.fztype = 0;
  h.fpost = 0;
  stamp_date(h);
  SPCDATE(h.fdate, h.year, h.month, h.day, h.hour, h.minute, 'C');
  h.fres.fill('\0');
  h.fsource.fill('\0');
  h.fpeakpt = 0;
  h.fspare.fill(0);
  h.fcatxt.fill('\0');
  h.flogoff = 0;
  h.fmods = 0;
  h.fprocs = 0;
  h.flevel = 0;
  h.fsampin = 0;
  h.ffactor.fill(0);
  h.fmethod.fill('\0');
  h.fzinc.fill(0);
  h.fwplanes = 0;
  h.fwinc.fill(0);
  h.fwtype = 0;
  h.subheader[sub_header::subflgs] = 0;
  std::fill(h.subheader.begin() + 2, h.subheader.end(), std::uint8_t{0});
}

void cut_memo(spectrum::memo_text& memo) {
  const std::string_view text = memo.view();
  if (const std::size_t p = text.find("   "); p != std::string_view::npos && p < 127)
    std::fill(memo.chars.begin() + static_cast<std::ptrdiff_t>(p), memo.chars.end(), '\0');
}

template <class real>
bool choose_exponent(std::span<const real> y, std::int16_t& e) {
  double a = 0.0;
  for (const real v : y)
    if (std::isfinite(v)) a = std::max(a, std::fabs(static_cast<double>(v)));
  if (!(a > 0.0)) return false;
  int exponent = 0;
  if (a >= 0.5) {
    while (std::ldexp(a, -exponent) >= 0.5) ++exponent;
  } else if (2.0 * a <= 0.5) {
    exponent = -1;
    while (!(std::ldexp(a, -(exponent - 1)) > 0.5)) --exponent;
  }
  e = static_cast<std::int16_t>(exponent);
  return true;
}

std::array<char, old_header::ores_size> resolution_text_of(float resolution) {
  recio::fixed_text<old_header::ores_size> res;
  recio::write(res.ref(), resolution_text, {resolution, 0});
  return res.chars;
}

void write_old_header(recio::unit_number unit, const old_header_record& h) {
  std::array<std::uint8_t, old_header::size> header{};
  encode_header(h, header);
  recio::write_bytes(unit, header);
}

template <class real>
void write_old_y(recio::unit_number unit, std::span<const real> y, std::int16_t exponent) {
  write_values(unit, y, [exponent](byte_span b, std::size_t at, real v) {
    put_i32_high_half_first(b, at, integer_of_y(static_cast<double>(v), exponent));
  });
}

template <class real>
void write_new_layout(recio::unit_number unit, const header_record& h, std::span<const real> x,
                      std::span<const sub_file_out<real>> subs, bool directory,
                      byte_view log_parameters, byte_view log_text) {
  const auto put_x = [](byte_span b, std::size_t at, real v) { put_float(b, at, v); };
  std::array<std::uint8_t, new_header::size> header{};
  encode_header(h, header);
  recio::write_bytes(unit, header);
  write_values(unit, x, put_x);
  for (const sub_file_out<real>& sub : subs) {
    recio::write_bytes(unit, sub.header);
    write_values(unit, sub.x, put_x);
    write_y(unit, sub.y, sub.encoding);
  }
  if (directory) {
    auto at = static_cast<std::int64_t>(new_header::size + 4 * x.size());
    for (const sub_file_out<real>& sub : subs) {
      std::array<std::uint8_t, directory_entry::size> entry{};
      put_i32le(entry, directory_entry::ssfposn, static_cast<std::int32_t>(at));
      put_i32le(entry, directory_entry::ssfsize, static_cast<std::int32_t>(sub.bytes()));
      put_f32le(entry, directory_entry::ssftime, get_f32le(sub.header, sub_header::subtime));
      recio::write_bytes(unit, entry);
      at += sub.bytes();
    }
  }
  if (h.flogoff != 0) {
    std::array<std::uint8_t, log_block::words_size> words{};
    encode_log_words(h, words);
    recio::write_bytes(unit, words);
    recio::write_bytes(unit, log_parameters);
    recio::write_bytes(unit, log_text);
  }
}

template bool choose_exponent(std::span<const float>, std::int16_t&);
template bool choose_exponent(std::span<const double>, std::int16_t&);
template void write_old_y(recio::unit_number, std::span<const float>, std::int16_t);
template void write_old_y(recio::unit_number, std::span<const double>, std::int16_t);
template void write_new_layout(recio::unit_number, const header_record&, std::span<const float>,
                               std::span<const sub_file_out<float>>, bool, byte_view, byte_view);
template void write_new_layout(recio::unit_number, const header_record&, std::span<const double>,
                               std::span<const sub_file_out<double>>, bool, byte_view, byte_view);

}  // namespace spc
