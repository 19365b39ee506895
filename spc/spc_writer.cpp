// spc/spc_writer.cpp: writing the spectrum as an SPC file: WRITE5 and WRITE6, WRITESPC, the
// variant writers WRITESC and WRITESC1, and MAXMIN.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "recio/recio.hpp"
#include "spc/spc.hpp"
#include "spc/spc_header.hpp"
#include "spc/spc_layout.hpp"

namespace {

// The values that the converter always writes: x in wavenumbers (cm-1), arbitrary y units, no
// resolution.
constexpr std::uint8_t wavenumbers = 1;
constexpr std::uint8_t arbitrary_units = 0;
constexpr float no_resolution = 0.0f;

constexpr recio::layout resolution_text{"(F4.1,I1,3X)"};

// The y values on their way to the file, a block at a time.
constexpr std::size_t block_points = 1 << 14;
std::array<std::uint8_t, 4 * block_points> y_block;

// Writes y(1) to y(n), each as the four bytes that put lays out.
template <typename encode>
void write_y_values(std::int16_t unit, const point_array& y, std::size_t n, encode put) {
  for (std::size_t first = 0; first < n; first += block_points) {
    const std::size_t m = std::min(block_points, n - first);
    for (std::size_t i = 0; i < m; ++i) put(spc::byte_span{y_block}, 4 * i, y[first + i]);
    recio::write_bytes(unit, {y_block.data(), 4 * m});
  }
}

std::size_t points_of(std::int32_t count) { return spectra::points_in_arrays(count); }

// The entries' common part: the values that the converter always writes, first and last x from
// the x array, then the dispatcher.
void write_with_fixed_values(const file_name& name, const point_array& x, const point_array& y,
                             std::int32_t count, memo_text& memo) {
  float first_x = 0.0f;
  float last_x = 0.0f;
  spectra::ends_of(x, points_of(count), first_x, last_x);
  std::int32_t status = 0;
  WRITESPC(name, y, count, first_x, last_x, wavenumbers, arbitrary_units, no_resolution, memo,
           status);
}

// The date parts from the local clock, time first.
void stamp_date(spc::header_record& h) {
  std::int16_t hour = 0, minute = 0, second = 0, hundredths = 0, year = 0, month = 0, day = 0;
  recio::local_time(hour, minute, second, hundredths);
  recio::local_date(year, month, day);
  h.year = year;
  h.month = static_cast<std::uint8_t>(month);
  h.day = static_cast<std::uint8_t>(day);
  h.hour = static_cast<std::uint8_t>(hour);
  h.minute = static_cast<std::uint8_t>(minute);
}

// Every header field of a new-variant file that this program makes itself; freserv keeps what
// the last new-variant file read left.
void build_fresh_header(spc::header_record& h) {
  h.ftflags = 0;
  h.fversn = spc::new_version;
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
  h.subheader[spc::sub_header::subflgs] = 0;
  std::fill(h.subheader.begin() + 2, h.subheader.end(), std::uint8_t{0});
}

// The old variant's y exponent e puts the largest magnitude A, divided by 2^e, in [0.25, 0.5)
// when A >= 0.5 and in (0.25, 0.5] below, so that the stored integers keep within 31 bits and a
// sign. Infinite and NaN values do not take part; none with a magnitude gives no exponent.
bool choose_exponent(const point_array& y, std::int32_t count, std::int16_t& e) {
  if (count <= 0) return false;
  float largest = 0.0f;
  float smallest = 0.0f;
  MAXMIN(y, 1, std::min(count, spectra::max_points), largest, smallest);
  double a =
      std::max(std::fabs(static_cast<double>(largest)), std::fabs(static_cast<double>(smallest)));
  if (!std::isfinite(a)) {
    a = 0.0;
    for (std::size_t i = 0; i < points_of(count); ++i)
      if (std::isfinite(y[i])) a = std::max(a, std::fabs(static_cast<double>(y[i])));
  }
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

void open_for_writing(const file_name& name, std::int16_t unit, std::string_view failure) {
  if (recio::open(unit, name.view(), recio::open_mode::binary_update, {.on_error = true}) != 0)
    recio::stop(failure, recio::exit_status::failure);
}

}  // namespace

void WRITE5(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count, memo_text& memo) {
  spc::shared_header.fversn = spc::old_version;
  write_with_fixed_values(name, x, y, count, memo);
}

void WRITE6(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count, memo_text& memo) {
  spc::shared_header.fversn = spc::new_version;
  spc::shared_header.origin = 'Y';
  write_with_fixed_values(name, x, y, count, memo);
}

void WRITESPC(const file_name& name, const point_array& y, const std::int32_t& count,
              const float& first_x, const float& last_x, const std::uint8_t& x_type,
              const std::uint8_t& y_type, const float& resolution, memo_text& memo,
              std::int32_t& status) {
  // The memo ends at its first run of three blanks: from there on it is NULs. A memo without
  // such a run is written as it stands.
  const std::string_view text = memo.view();
  if (const std::size_t p = text.find("   "); p != std::string_view::npos && p < 127)
    std::fill(memo.chars.begin() + static_cast<std::ptrdiff_t>(p), memo.chars.end(), '\0');

  spc::header_record& h = spc::shared_header;
  if (h.fversn != spc::new_version) {
    WRITESC1(name, y, count, first_x, last_x, x_type, y_type, resolution, memo, status);
    return;
  }
  h.fnpts = count;
  h.ffirst = first_x;
  h.flast = last_x;
  h.fxtype = x_type;
  h.fytype = y_type;
  std::copy(memo.chars.begin(), memo.chars.end(), h.fcmnt.begin());
  WRITESC(name, y, status);
}

void WRITESC(const file_name& name, const point_array& y, std::int32_t& status) {
  spc::header_record& h = spc::shared_header;
  h.fexp = spc::float_y;  // the y values are always written as floats
  h.subheader[spc::sub_header::subexp] = 0x80;
  if (h.origin == 'Y' || h.origin == 'y') build_fresh_header(h);

  std::int16_t unit = 0;
  GETCHAN(unit, status);
  open_for_writing(name, unit, "ERROR OPENING SPECTRA-CALC FILE IN WRITESC");
  std::array<std::uint8_t, spc::new_y_offset> header{};
  spc::encode_header(h, spc::byte_span{header}.first(spc::new_header::size));
  std::copy(h.subheader.begin(), h.subheader.end(), header.begin() + spc::new_header::size);
  recio::write_bytes(unit, header);
  write_y_values(unit, y, points_of(h.fnpts), spc::put_f32le);
  if (h.flogoff != 0) {
    namespace log = spc::log_block;
    std::array<std::uint8_t, log::words_size + log::max_parameters + log::max_text> block{};
    const spc::byte_span b{block};
    spc::put_i32le(b, log::logsizd, h.logsizd);
    spc::put_i32le(b, log::logsizm, h.logsizm);
    spc::put_i32le(b, log::logtxto, h.logtxto);
    spc::put_i32le(b, log::logbins, h.logbins);
    spc::put_i32le(b, log::logdsks, h.logdsks);
    const auto parameters = static_cast<std::size_t>(std::clamp(h.nlgspar, 0, log::max_parameters));
    const auto text = static_cast<std::size_t>(std::clamp(h.nlgdata, 0, log::max_text));
    std::copy_n(h.log_parameters.begin(), parameters, b.begin() + log::words_size);
    std::copy_n(h.log_text.begin(), text,
                b.begin() + static_cast<std::ptrdiff_t>(log::words_size + parameters));
    recio::write_bytes(unit, b.first(log::words_size + parameters + text));
  }
  PUTCHAN(unit, status);
}

void WRITESC1(const file_name& name, const point_array& y, const std::int32_t& count,
              const float& first_x, const float& last_x, const std::uint8_t& x_type,
              const std::uint8_t& y_type, const float& resolution, const memo_text& memo,
              std::int32_t& status) {
  namespace old = spc::old_header;
  status = 0;
  // The exponent is chosen before the file is opened: a spectrum of zeros leaves no file behind
  // and an existing file of that name as it was.
  std::int16_t exponent = 0;
  if (!choose_exponent(y, count, exponent))
    recio::stop("WRITESC: NO VALUE GT ZERO", recio::exit_status::failure);

  std::int16_t unit = 0;
  GETCHAN(unit, status);
  open_for_writing(name, unit, "ERROR OPENING SPECTRA-CALC FILE IN WRITESC1");
  std::array<std::uint8_t, old::size> header{};
  const spc::byte_span out{header};
  out[spc::start::ftflags] = 0;
  out[spc::start::fversn] = spc::old_version;
  spc::put_i16le(out, old::oexp, exponent);
  spc::put_f32le(out, old::onpts, static_cast<float>(count));
  spc::put_f32le(out, old::ofirst, first_x);
  spc::put_f32le(out, old::olast, last_x);
  out[old::oxtype] = x_type;
  out[old::oytype] = y_type;
  spc::header_record& h = spc::shared_header;
  stamp_date(h);
  spc::put_i16le(out, old::oyear, h.year);
  out[old::omonth] = h.month;
  out[old::oday] = h.day;
  out[old::ohour] = h.hour;
  out[old::ominute] = h.minute;
  recio::fixed_text<old::ores_size> res;
  recio::write(res.ref(), resolution_text, {resolution, 0});
  std::memcpy(&out[old::ores], res.chars.data(), old::ores_size);
  std::memcpy(&out[old::ocmnt], memo.chars.data(), memo_text::size());
  recio::write_bytes(unit, out);
  write_y_values(unit, y, points_of(count), [exponent](spc::byte_span b, std::size_t at, float v) {
    spc::put_i32_high_half_first(b, at, spc::integer_of_y(v, exponent));
  });
  PUTCHAN(unit, status);
}

void MAXMIN(const point_array& y, const std::int32_t& first, const std::int32_t& last,
            float& largest, float& smallest) {
  const auto from = static_cast<std::size_t>(std::clamp(first, 1, spectra::max_points) - 1);
  const auto to = static_cast<std::size_t>(std::clamp(last, 1, spectra::max_points));
  largest = smallest = y[from];
  for (std::size_t i = from + 1; i < to; ++i) {
    if (y[i] > largest) largest = y[i];
    if (y[i] < smallest) smallest = y[i];
  }
}
