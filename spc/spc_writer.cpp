// spc/spc_writer.cpp: writing SPC files: the dialogue's WRITE5 and WRITE6, WRITESPC, the variant
// writers WRITESC and WRITESC1 and MAXMIN, and the command line's write_new and write_old, which
// lay out the bytes with the same code.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "recio/recio.hpp"
#include "spc/spc.hpp"
#include "spc/spc_file.hpp"
#include "spc/spc_header.hpp"
#include "spc/spc_layout.hpp"

namespace {

// The values that the converter always writes: x in wavenumbers (cm-1), arbitrary y units, no
// resolution.
constexpr std::uint8_t wavenumbers = 1;
constexpr std::uint8_t arbitrary_units = 0;
constexpr float no_resolution = 0.0f;

constexpr recio::layout resolution_text{"(F4.1,I1,3X)"};

// Values on their way to the file go a block at a time through a buffer of the caller's own, so
// that writers on several threads share nothing.
constexpr std::size_t block_points = 1 << 12;

// Writes the values, each as the four bytes that put lays out.
template <typename encode>
void write_values(std::int16_t unit, std::span<const float> values, encode put) {
  std::array<std::uint8_t, 4 * block_points> block;
  for (std::size_t first = 0; first < values.size(); first += block_points) {
    const std::size_t m = std::min(block_points, values.size() - first);
    for (std::size_t i = 0; i < m; ++i) put(spc::byte_span{block}, 4 * i, values[first + i]);
    recio::write_bytes(unit, {block.data(), 4 * m});
  }
}

std::size_t points_of(std::int32_t count) { return spectrum::points_in_arrays(count); }

// The entries' common part: the values that the converter always writes, first and last x from
// the x array, then the dispatcher.
void write_with_fixed_values(const file_name& name, const point_array& x, const point_array& y,
                             std::int32_t count, memo_text& memo) {
  float first_x = 0.0f;
  float last_x = 0.0f;
  spectrum::ends_of(x, points_of(count), first_x, last_x);
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
bool choose_exponent(std::span<const float> y, std::int16_t& e) {
  double a = 0.0;
  for (const float v : y)
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

void open_for_writing(const file_name& name, std::int16_t unit, std::string_view failure) {
  if (recio::open(unit, name.view(), recio::open_mode::binary_update, {.on_error = true}) != 0)
    recio::stop(failure, recio::exit_status::failure);
}

// The memo ends at its first run of three blanks: from there on it is NULs. A memo without such
// a run is written as it stands.
void cut_memo(memo_text& memo) {
  const std::string_view text = memo.view();
  if (const std::size_t p = text.find("   "); p != std::string_view::npos && p < 127)
    std::fill(memo.chars.begin() + static_cast<std::ptrdiff_t>(p), memo.chars.end(), '\0');
}

// The resolution text of an old-variant header: the value as F4.1, the digit 0, three blanks.
std::array<char, spc::old_header::ores_size> resolution_text_of(float resolution) {
  recio::fixed_text<spc::old_header::ores_size> res;
  recio::write(res.ref(), resolution_text, {resolution, 0});
  return res.chars;
}

// What an old-variant header holds; every other byte is zero.
struct old_header_values {
  std::uint8_t flags = 0;
  std::int16_t exponent = 0;
  std::int32_t count = 0;
  float first_x = 0.0f;
  float last_x = 0.0f;
  std::uint8_t x_type = 0;
  std::uint8_t y_type = 0;
  std::array<char, spc::old_header::ores_size> resolution{};
  std::array<char, memo_text::size()> memo{};
  // The first sub-file's header, the header's last 32 bytes: zeros for a single spectrum.
  std::array<std::uint8_t, spc::sub_header::size> first_sub{};
};

// The date parts come from h.
void write_old_header(std::int16_t unit, const old_header_values& v, const spc::header_record& h) {
  namespace old = spc::old_header;
  std::array<std::uint8_t, old::size> header{};
  const spc::byte_span out{header};
  out[spc::start::ftflags] = v.flags;
  out[spc::start::fversn] = spc::old_version;
  spc::put_i16le(out, old::oexp, v.exponent);
  spc::put_f32le(out, old::onpts, static_cast<float>(v.count));
  spc::put_f32le(out, old::ofirst, v.first_x);
  spc::put_f32le(out, old::olast, v.last_x);
  out[old::oxtype] = v.x_type;
  out[old::oytype] = v.y_type;
  spc::put_i16le(out, old::oyear, h.year);
  out[old::omonth] = h.month;
  out[old::oday] = h.day;
  out[old::ohour] = h.hour;
  out[old::ominute] = h.minute;
  std::memcpy(&out[old::ores], v.resolution.data(), old::ores_size);
  std::memcpy(&out[old::ocmnt], v.memo.data(), memo_text::size());
  std::copy(v.first_sub.begin(), v.first_sub.end(), out.end() - spc::sub_header::size);
  recio::write_bytes(unit, out);
}

// Old-variant y values: integers scaled by 2^(32-e), the high 16-bit half first.
void write_old_y(std::int16_t unit, std::span<const float> y, std::int16_t exponent) {
  write_values(unit, y, [exponent](spc::byte_span b, std::size_t at, float v) {
    spc::put_i32_high_half_first(b, at, spc::integer_of_y(v, exponent));
  });
}

// One sub-file of a new-variant file as written: its header, its own x values (only where each
// sub-file has them) and its y values as floats.
struct sub_file_out {
  std::array<std::uint8_t, spc::sub_header::size> header{};
  std::span<const float> x;
  std::span<const float> y;
  std::int64_t bytes() const {
    return static_cast<std::int64_t>(spc::sub_header::size + 4 * (x.size() + y.size()));
  }
};

// Writes a new-variant file: the main header of h, the x array of a file that has one, each
// sub-file, the sub-file directory where asked, and, when h.flogoff is not 0, the log block
// (h's five words, then the parameter bytes and the text given).
void write_new_layout(std::int16_t unit, const spc::header_record& h, std::span<const float> x,
                      std::span<const sub_file_out> subs, bool directory,
                      spc::byte_view log_parameters, spc::byte_view log_text) {
  std::array<std::uint8_t, spc::new_header::size> header{};
  spc::encode_header(h, header);
  recio::write_bytes(unit, header);
  write_values(unit, x, spc::put_f32le);
  for (const sub_file_out& sub : subs) {
    recio::write_bytes(unit, sub.header);
    write_values(unit, sub.x, spc::put_f32le);
    write_values(unit, sub.y, spc::put_f32le);
  }
  if (directory) {
    auto at = static_cast<std::int64_t>(spc::new_header::size + 4 * x.size());
    for (const sub_file_out& sub : subs) {
      std::array<std::uint8_t, spc::directory_entry::size> entry{};
      spc::put_i32le(entry, spc::directory_entry::ssfposn, static_cast<std::int32_t>(at));
      spc::put_i32le(entry, spc::directory_entry::ssfsize, static_cast<std::int32_t>(sub.bytes()));
      spc::put_f32le(entry, spc::directory_entry::ssftime,
                     spc::get_f32le(sub.header, spc::sub_header::subtime));
      recio::write_bytes(unit, entry);
      at += sub.bytes();
    }
  }
  if (h.flogoff != 0) {
    namespace log = spc::log_block;
    std::array<std::uint8_t, log::words_size> words{};
    spc::put_i32le(words, log::logsizd, h.logsizd);
    spc::put_i32le(words, log::logsizm, h.logsizm);
    spc::put_i32le(words, log::logtxto, h.logtxto);
    spc::put_i32le(words, log::logbins, h.logbins);
    spc::put_i32le(words, log::logdsks, h.logdsks);
    recio::write_bytes(unit, words);
    recio::write_bytes(unit, log_parameters);
    recio::write_bytes(unit, log_text);
  }
}

// ---- The command line's writers.

using spectrum::document;
using spectrum::trouble;

// A unit code as the header holds it: the document's where it fits a byte, else the dialogue's.
std::uint8_t code_of(const spectrum::axis_unit& unit, std::uint8_t otherwise) {
  return unit.code >= 0 && unit.code <= 255 ? static_cast<std::uint8_t>(unit.code) : otherwise;
}

// The first and last x that a header gives for an evenly spaced trace: the ones that an SPC file
// gave where its x still agrees with them, else its first and last x values, as the dialogue
// writes them.
std::pair<double, double> ends_of(const spectrum::spectrum& t, bool from_spc) {
  if (t.x.empty() || (from_spc && spectrum::to_single(t.first_x) == t.x.front() &&
                      spectrum::to_single(t.last_x) == t.x.back()))
    return {t.first_x, t.last_x};
  return {t.x.front(), t.x.back()};
}

bool same_even_axis(const spectrum::spectrum& a, const spectrum::spectrum& b) {
  return !a.x_stored && !b.x_stored && a.y.size() == b.y.size() &&
         ends_of(a, true) == ends_of(b, true);
}

// What every spectrum must be before any byte is written: as many x values as y values where
// x is stored, and a count that the header's 32-bit fields hold.
spectrum::outcome check_spectra(const document& doc) {
  if (doc.spectra.empty()) return trouble{"no spectrum to write"};
  for (std::size_t i = 0; i < doc.spectra.size(); ++i) {
    const spectrum::spectrum& t = doc.spectra[i];
    if (t.x_stored && t.x.size() != t.y.size())
      return trouble{"spectrum " + std::to_string(i + 1) + " has " + std::to_string(t.x.size()) +
                     " x values and " + std::to_string(t.y.size()) + " y values"};
    if (t.y.size() > 0x1fffffff)
      return trouble{"spectrum " + std::to_string(i + 1) + " has more points than SPC holds"};
  }
  if (doc.spectra.size() > 0x7fffffff) return trouble{"more spectra than SPC holds"};
  return std::nullopt;
}

// A document holds its texts as UTF-8; a file stores them as Latin-1, the code page of the
// programs that write SPC files, and a letter beyond it as '?'.
std::string latin1_of(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const bool follows =
        i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && follows) {
      out += static_cast<char>((c & 0x03) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      out += '?';
      while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
    }
  }
  return out;
}

// The memo that a writer puts in the header, cut as the dialogue cuts it: the one given for the
// output as typed, else the document's.
memo_text memo_of(const document& doc, const spectrum::write_options& options) {
  memo_text memo;
  memo.assign(options.memo ? *options.memo : latin1_of(doc.memo));
  cut_memo(memo);
  return memo;
}

template <std::size_t n>
void put_text(std::array<char, n>& field, std::string_view text) {
  field.fill('\0');
  std::copy_n(text.begin(), std::min(n, text.size()), field.begin());
}

// The file's own date where the document has one, else the clock's.
void date_of(const document& doc, spc::header_record& h) {
  if (doc.date.year == 0) return stamp_date(h);
  h.year = static_cast<std::int16_t>(doc.date.year);
  h.month = static_cast<std::uint8_t>(doc.date.month);
  h.day = static_cast<std::uint8_t>(doc.date.day);
  h.hour = static_cast<std::uint8_t>(doc.date.hour);
  h.minute = static_cast<std::uint8_t>(doc.date.minute);
}

// The z values as the flags describe them: evenly spaced (the step in fzinc), ordered, or not.
std::uint8_t z_order(const std::vector<spectrum::spectrum>& spectra, float& step) {
  step = 0.0f;
  if (spectra.size() < 2) return 0;
  const float z0 = spectrum::to_single(spectra[0].z);
  step = spectrum::to_single(spectra[1].z - spectra[0].z);
  bool even = true, rising = true, falling = true;
  for (std::size_t i = 1; i < spectra.size(); ++i) {
    const double z = spectra[i].z;
    even = even && spectrum::to_single(z0 + static_cast<double>(i) * step) == spectrum::to_single(z);
    rising = rising && z > spectra[i - 1].z;
    falling = falling && z < spectra[i - 1].z;
  }
  if (even) return 0;
  step = 0.0f;
  return rising || falling ? spc::flag::tordrd : spc::flag::trandm;
}

std::array<std::uint8_t, spc::sub_header::size> sub_header_of(const spectrum::spectrum& t, std::size_t index,
                                                              std::int8_t exponent) {
  std::array<std::uint8_t, spc::sub_header::size> b{};
  b[spc::sub_header::subexp] = static_cast<std::uint8_t>(exponent);
  spc::put_i16le(b, spc::sub_header::subindx,
                 static_cast<std::int16_t>(static_cast<std::uint16_t>(index)));
  spc::put_f32le(b, spc::sub_header::subtime, spectrum::to_single(t.z));
  return b;
}

// The axis labels, x, y and z, each ended by a NUL: needed where a unit's name is not the one
// that its code gives.
bool labels_of(const document& doc, std::array<char, 30>& fcatxt) {
  const auto label = [](const spectrum::axis_unit& u, std::string_view standard) {
    return u.name.empty() || u.name == standard ? std::string{} : u.name;
  };
  const std::string x = label(doc.x_unit, spc::x_unit_name(doc.x_unit.code));
  const std::string y = label(doc.y_unit, spc::y_unit_name(doc.y_unit.code));
  const std::string z = label(doc.z_unit, spc::x_unit_name(doc.z_unit.code));
  if (x.empty() && y.empty() && z.empty()) return false;
  put_text(fcatxt, latin1_of(x + '\0' + y + '\0' + z));
  return true;
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
  cut_memo(memo);
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
  const sub_file_out sub{h.subheader, {}, {y.data(), points_of(h.fnpts)}};
  namespace log = spc::log_block;
  const auto parameters = static_cast<std::size_t>(std::clamp(h.nlgspar, 0, log::max_parameters));
  const auto text = static_cast<std::size_t>(std::clamp(h.nlgdata, 0, log::max_text));
  write_new_layout(unit, h, {}, {&sub, 1}, false, {h.log_parameters.data(), parameters},
                   {h.log_text.data(), text});
  PUTCHAN(unit, status);
}

void WRITESC1(const file_name& name, const point_array& y, const std::int32_t& count,
              const float& first_x, const float& last_x, const std::uint8_t& x_type,
              const std::uint8_t& y_type, const float& resolution, const memo_text& memo,
              std::int32_t& status) {
  status = 0;
  // The exponent is chosen before the file is opened: a spectrum of zeros leaves no file behind
  // and an existing file of that name as it was.
  const std::span<const float> values{y.data(), points_of(count)};
  std::int16_t exponent = 0;
  if (!choose_exponent(values, exponent))
    recio::stop("WRITESC: NO VALUE GT ZERO", recio::exit_status::failure);

  std::int16_t unit = 0;
  GETCHAN(unit, status);
  open_for_writing(name, unit, "ERROR OPENING SPECTRA-CALC FILE IN WRITESC1");
  spc::header_record& h = spc::shared_header;
  stamp_date(h);
  const old_header_values v{.exponent = exponent,
                            .count = count,
                            .first_x = first_x,
                            .last_x = last_x,
                            .x_type = x_type,
                            .y_type = y_type,
                            .resolution = resolution_text_of(resolution),
                            .memo = memo.chars};
  write_old_header(unit, v, h);
  write_old_y(unit, values, exponent);
  PUTCHAN(unit, status);
}

void MAXMIN(const point_array& y, const std::int32_t& first, const std::int32_t& last,
            float& largest, float& smallest) {
  const auto from = static_cast<std::size_t>(std::clamp(first, 1, spectrum::max_points) - 1);
  const auto to = static_cast<std::size_t>(std::clamp(last, 1, spectrum::max_points));
  largest = smallest = y[from];
  for (std::size_t i = from + 1; i < to; ++i) {
    if (y[i] > largest) largest = y[i];
    if (y[i] < smallest) smallest = y[i];
  }
}

namespace spc {

spectrum::outcome write_new(const document& doc, recio::unit_number unit,
                           const spectrum::write_options& options) {
  if (auto bad = check_spectra(doc)) return bad;
  const std::vector<spectrum::spectrum>& all = doc.spectra;
  const spectrum::spectrum& first = all.front();
  const bool multi = all.size() > 1;
  // x as the file holds it: implied by the ends, one stored array for all, or each its own.
  const bool even =
      std::all_of(all.begin(), all.end(), [&](const spectrum::spectrum& t) { return same_even_axis(first, t); });
  const bool shared = !even && std::all_of(all.begin(), all.end(), [&](const spectrum::spectrum& t) {
    return t.x_stored && t.x == first.x;
  });
  const bool own = !even && !shared;

  header_record h{};
  build_fresh_header(h);
  date_of(doc, h);
  SPCDATE(h.fdate, h.year, h.month, h.day, h.hour, h.minute, 'C');
  h.fexp = float_y;
  float z_step = 0.0f;
  h.ftflags = static_cast<std::uint8_t>((multi ? flag::tmulti | z_order(all, z_step) : 0) |
                                        (even ? 0 : flag::txvals) | (own ? flag::txyxys : 0));
  if (labels_of(doc, h.fcatxt)) h.ftflags |= flag::talabs;
  put_f32le(h.fzinc, 0, z_step);
  if (doc.experiment_type >= 0 && doc.experiment_type <= 255)
    h.fexper = static_cast<std::uint8_t>(doc.experiment_type);
  h.fnsub = static_cast<std::int32_t>(all.size());
  h.fxtype = code_of(doc.x_unit, wavenumbers);
  h.fytype = code_of(doc.y_unit, arbitrary_units);
  h.fztype = code_of(doc.z_unit, 0);
  const bool from_spc = doc.format == "spc";
  if (even) {
    std::tie(h.ffirst, h.flast) = ends_of(first, from_spc);
  } else if (!first.x.empty()) {
    h.ffirst = first.x.front();
    h.flast = first.x.back();
  }
  put_text(h.fres, latin1_of(doc.resolution));
  put_text(h.fsource, latin1_of(doc.source));
  const memo_text memo = memo_of(doc, options);
  std::copy(memo.chars.begin(), memo.chars.end(), h.fcmnt.begin());

  std::vector<sub_file_out> subs;
  subs.reserve(all.size());
  std::int64_t end =
      static_cast<std::int64_t>(new_header::size + (shared ? 4 * first.x.size() : 0));
  for (std::size_t i = 0; i < all.size(); ++i) {
    sub_file_out sub{sub_header_of(all[i], i, float_y), {}, all[i].y};
    if (own) {
      sub.x = all[i].x;
      put_i32le(sub.header, sub_header::subnpts, static_cast<std::int32_t>(all[i].y.size()));
    }
    end += sub.bytes();
    subs.push_back(sub);
  }
  // Where each sub-file has its own count, fnpts gives the place of the sub-file directory.
  h.fnpts = static_cast<std::int32_t>(own ? end : static_cast<std::int64_t>(first.y.size()));
  if (own) end += static_cast<std::int64_t>(spc::directory_entry::size * all.size());

  // The log text follows a block head of 64 bytes, of which the last 44 are reserved, and ends
  // with a NUL.
  const std::array<std::uint8_t, log_block::head_size - log_block::words_size> reserved{};
  const std::string log = latin1_of(doc.log);
  std::vector<std::uint8_t> log_text(log.begin(), log.end());
  if (!doc.log.empty()) {
    log_text.push_back(0);
    if (end > 0x7fffffff || log_text.size() > 0x7fff0000) return trouble{"too large for SPC"};
    h.flogoff = static_cast<std::int32_t>(end);
    h.logtxto = static_cast<std::int32_t>(log_block::head_size);
    h.logsizd = static_cast<std::int32_t>(log_block::head_size + log_text.size());
    h.logsizm = (h.logsizd + 4095) / 4096 * 4096;
  }
  if (end > 0x7fffffff) return trouble{"too large for SPC: its offsets would pass 2 GiB"};
  write_new_layout(unit, h, shared ? std::span<const float>{first.x} : std::span<const float>{},
                   subs, own, reserved, log_text);
  return std::nullopt;
}

spectrum::outcome write_old(const document& doc, recio::unit_number unit,
                           const spectrum::write_options& options) {
  if (auto bad = check_spectra(doc)) return bad;
  const std::vector<spectrum::spectrum>& all = doc.spectra;
  const spectrum::spectrum& first = all.front();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i].x_stored)
      return trouble{"the old SPC variant holds only evenly spaced x; spectrum " +
                     std::to_string(i + 1) + " has its x values stored"};
    if (!same_even_axis(first, all[i]))
      return trouble{"the old SPC variant holds several spectra only on one x axis; spectrum " +
                     std::to_string(i + 1) + " has another"};
  }
  std::vector<std::int16_t> exponents(all.size(), 0);
  for (std::size_t i = 0; i < all.size(); ++i)
    if (!choose_exponent(all[i].y, exponents[i]) && all.size() == 1)
      return trouble{"every y value is zero, which the old SPC variant cannot scale"};

  header_record h{};
  date_of(doc, h);
  const memo_text memo = memo_of(doc, options);
  const auto [first_x, last_x] = ends_of(first, doc.format == "spc");
  old_header_values v{.flags = all.size() > 1 ? flag::tmulti : std::uint8_t{0},
                      .exponent = exponents[0],
                      .count = static_cast<std::int32_t>(first.y.size()),
                      .first_x = spectrum::to_single(first_x),
                      .last_x = spectrum::to_single(last_x),
                      .x_type = code_of(doc.x_unit, wavenumbers),
                      .y_type = code_of(doc.y_unit, arbitrary_units),
                      .resolution = resolution_text_of(no_resolution),
                      .memo = memo.chars};
  if (doc.format == "spc") {  // the file's own text, none included
    v.resolution.fill('\0');
    const std::string text = latin1_of(doc.resolution);
    std::copy_n(text.begin(), std::min(v.resolution.size(), text.size()), v.resolution.begin());
  }
  if (all.size() > 1) v.first_sub = sub_header_of(first, 0, static_cast<std::int8_t>(exponents[0]));
  write_old_header(unit, v, h);
  write_old_y(unit, first.y, exponents[0]);
  for (std::size_t i = 1; i < all.size(); ++i) {
    recio::write_bytes(unit, sub_header_of(all[i], i, static_cast<std::int8_t>(exponents[i])));
    write_old_y(unit, all[i].y, exponents[i]);
  }
  return std::nullopt;
}

}  // namespace spc
