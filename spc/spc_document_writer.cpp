// spc/spc_document_writer.cpp: a document written as an SPC file of either variant: the new one
// with every kind of x (evenly spaced, one stored array, or each spectrum its own), several
// spectra with their z, the units, texts and log; the old one where it can hold the document.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "recio/recio.hpp"
#include "spc/spc_document.hpp"
#include "spc/spc_header.hpp"
#include "spc/spc_output.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/units.hpp"

namespace spc {

namespace {

using spectrum::document;
using spectrum::memo_text;
using spectrum::trouble;

// A unit code as the header holds it: the document's where it fits a byte; arbitrary for a unit
// known only by its name, which the axis labels then give; else the dialogue's.
std::uint8_t code_of(const spectrum::axis_unit& unit, std::uint8_t otherwise) {
  if (unit.code >= 0 && unit.code <= 255) return static_cast<std::uint8_t>(unit.code);
  return unit.name.empty() ? otherwise : std::uint8_t{0};
}

// Two spectra on one evenly spaced x axis: the same count and the same ends.
bool same_even_axis(const spectrum::spectrum& a, const spectrum::spectrum& b) {
  return !a.x_stored && !b.x_stored && a.y.size() == b.y.size() && a.first_x == b.first_x &&
         a.last_x == b.last_x;
}

// The integers y x 2^(bits - e) that a spectrum whose y a file stored as integers still holds
// exactly, so that they are stored again as they were: none (floats) when it was not so stored,
// when its exponent does not fit the byte that keeps it, or when a value is no such integer.
y_encoding integers_of(const spectrum::spectrum& t) {
  const int bits = t.stored_as.bits;
  if (bits != 16 && bits != 32) return {};
  const int exponent = t.stored_as.power + bits;
  if (exponent <= float_y || exponent > 127) return {};
  const double limit = std::ldexp(1.0, bits - 1);
  // Multiplying by a power of two is exact where the product is a whole number of 32 bits at most.
  const double scale = std::ldexp(1.0, -t.stored_as.power);
  for (const double v : t.y) {
    const double n = v * scale;
    if (!(n >= -limit && n < limit) || static_cast<double>(static_cast<std::int32_t>(n)) != n)
      return {};
  }
  return {bits == 16, exponent};
}

// The first value beyond the range of single precision, which a file of floats cannot hold.
std::optional<std::size_t> beyond_single(std::span<const double> values) {
  for (std::size_t i = 0; i < values.size(); ++i)
    if (std::isfinite(values[i]) &&
        std::fabs(values[i]) > static_cast<double>(std::numeric_limits<float>::max()))
      return i;
  return std::nullopt;
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
  memo.assign(latin1_of(options.memo ? *options.memo : doc.memo));
  cut_memo(memo);
  return memo;
}

template <std::size_t n>
void put_text(std::array<char, n>& field, std::string_view text) {
  field.fill('\0');
  std::copy_n(text.begin(), std::min(n, text.size()), field.begin());
}

// The file's own date where the document has one, else the clock's.
void date_of(const document& doc, header_record& h) {
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
    even =
        even && spectrum::to_single(z0 + static_cast<double>(i) * step) == spectrum::to_single(z);
    rising = rising && z > spectra[i - 1].z;
    falling = falling && z < spectra[i - 1].z;
  }
  if (even) return 0;
  step = 0.0f;
  return rising || falling ? flag::tordrd : flag::trandm;
}

std::array<std::uint8_t, sub_header::size> sub_header_of(const spectrum::spectrum& t,
                                                         std::size_t index, std::int8_t exponent) {
  std::array<std::uint8_t, sub_header::size> b{};
  b[sub_header::subexp] = static_cast<std::uint8_t>(exponent);
  put_i16le(b, sub_header::subindx, static_cast<std::int16_t>(static_cast<std::uint16_t>(index)));
  put_f32le(b, sub_header::subtime, spectrum::to_single(t.z));
  return b;
}

// The axis labels, x, y and z, each ended by a NUL: needed where a unit's name is not the one
// that its code gives.
bool labels_of(const document& doc, std::array<char, 30>& fcatxt) {
  const auto label = [](const spectrum::axis_unit& u, std::string_view standard) {
    return u.name.empty() || u.name == standard ? std::string{} : u.name;
  };
  const std::string x =
      label(doc.x_unit, spectrum::unit_of_code(doc.x_unit.code, spectrum::axis::x).name);
  const std::string y =
      label(doc.y_unit, spectrum::unit_of_code(doc.y_unit.code, spectrum::axis::y).name);
  const std::string z =
      label(doc.z_unit, spectrum::unit_of_code(doc.z_unit.code, spectrum::axis::z).name);
  if (x.empty() && y.empty() && z.empty()) return false;
  put_text(fcatxt, latin1_of(x + '\0' + y + '\0' + z));
  return true;
}

}  // namespace

spectrum::outcome write_new(const document& doc, recio::unit_number unit,
                            const spectrum::write_options& options) {
  if (auto bad = check_spectra(doc)) return bad;
  const std::vector<spectrum::spectrum>& all = doc.spectra;
  const spectrum::spectrum& first = all.front();
  const bool multi = all.size() > 1;
  // y stored as the integers they were read from where every spectrum still holds them alike,
  // else as floats.
  std::vector<y_encoding> encodings;
  for (const spectrum::spectrum& t : all) encodings.push_back(integers_of(t));
  const bool integers = std::all_of(encodings.begin(), encodings.end(), [&](const y_encoding& e) {
    return e.exponent != float_y && e.sixteen_bit == encodings.front().sixteen_bit;
  });
  if (!integers) encodings.assign(all.size(), y_encoding{});
  // x as the file holds it: implied by the ends, one stored array for all, or each its own.
  const bool even = std::all_of(all.begin(), all.end(), [&](const spectrum::spectrum& t) {
    return same_even_axis(first, t);
  });
  const bool shared =
      !even && std::all_of(all.begin(), all.end(), [&](const spectrum::spectrum& t) {
        return t.x_stored && t.x == first.x;
      });
  const bool own = !even && !shared;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const auto x = all[i].x_stored ? beyond_single(all[i].x) : std::nullopt;
    const auto y = integers ? std::nullopt : beyond_single(all[i].y);
    if (x || y)
      return trouble{"spectrum " + std::to_string(i + 1) + ", point " +
                     std::to_string((x ? *x : *y) + 1) + ": " + (x ? "x" : "y") +
                     " is beyond the range of the single-precision values that SPC stores"};
  }

  header_record h{};
  build_fresh_header(h);
  date_of(doc, h);
  SPCDATE(h.fdate, h.year, h.month, h.day, h.hour, h.minute, 'C');
  h.fexp = static_cast<std::int8_t>(encodings.front().exponent);
  float z_step = 0.0f;
  h.ftflags = static_cast<std::uint8_t>((multi ? flag::tmulti | z_order(all, z_step) : 0) |
                                        (even ? 0 : flag::txvals) | (own ? flag::txyxys : 0) |
                                        (encodings.front().sixteen_bit ? flag::tsprec : 0));
  if (labels_of(doc, h.fcatxt)) h.ftflags |= flag::talabs;
  put_f32le(h.fzinc, 0, z_step);
  if (doc.experiment_type >= 0 && doc.experiment_type <= 255)
    h.fexper = static_cast<std::uint8_t>(doc.experiment_type);
  h.fnsub = static_cast<std::int32_t>(all.size());
  h.fxtype = code_of(doc.x_unit, wavenumbers);
  h.fytype = code_of(doc.y_unit, arbitrary_units);
  h.fztype = code_of(doc.z_unit, 0);
  if (even) {
    h.ffirst = first.first_x;
    h.flast = first.last_x;
  } else if (!first.x.empty()) {
    h.ffirst = first.x.front();
    h.flast = first.x.back();
  } else {
    h.ffirst = first.first_x;
    h.flast = first.last_x;
  }
  put_text(h.fres, latin1_of(doc.resolution.value_or("")));
  put_text(h.fsource, latin1_of(doc.instrument));
  const memo_text memo = memo_of(doc, options);
  std::copy(memo.chars.begin(), memo.chars.end(), h.fcmnt.begin());

  std::vector<sub_file_out<double>> subs;
  subs.reserve(all.size());
  std::vector<std::vector<double>> made_x;  // held here while the sub-files' spans look at them
  made_x.reserve(all.size());
  std::int64_t end =
      static_cast<std::int64_t>(new_header::size + (shared ? 4 * first.x.size() : 0));
  for (std::size_t i = 0; i < all.size(); ++i) {
    sub_file_out<double> sub{
        sub_header_of(all[i], i, static_cast<std::int8_t>(encodings[i].exponent)),
        {},
        all[i].y,
        encodings[i]};
    if (own) {
      // A spectrum whose x only its ends give has them made here: each sub-file stores its own.
      const spectrum::spectrum& t = all[i];
      if (t.x.size() == t.y.size()) {
        sub.x = t.x;
      } else {
        sub.x = made_x.emplace_back(spectrum::even_x(t.first_x, t.last_x, t.y.size()));
      }
      put_i32le(sub.header, sub_header::subnpts, static_cast<std::int32_t>(all[i].y.size()));
    }
    end += sub.bytes();
    subs.push_back(sub);
  }
  // Where each sub-file has its own count, fnpts gives the place of the sub-file directory.
  h.fnpts = static_cast<std::int32_t>(own ? end : static_cast<std::int64_t>(first.y.size()));
  if (own) end += static_cast<std::int64_t>(directory_entry::size * all.size());

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
  write_new_layout(unit, h, shared ? std::span<const double>{first.x} : std::span<const double>{},
                   std::span<const sub_file_out<double>>{subs}, own, reserved, log_text);
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
  // Each spectrum's integers as a file stored them where it still holds them, else scaled to its
  // largest magnitude.
  std::vector<std::int16_t> exponents(all.size(), 0);
  for (std::size_t i = 0; i < all.size(); ++i) {
    spectrum::spectrum as_32 = all[i];
    if (as_32.stored_as.bits == 16) as_32.stored_as = {32, as_32.stored_as.power - 16};
    if (const y_encoding e = integers_of(as_32); e.exponent != float_y) {
      exponents[i] = static_cast<std::int16_t>(e.exponent);
    } else if (!choose_exponent(std::span<const double>{all[i].y}, exponents[i]) &&
               all.size() == 1) {
      return trouble{"every y value is zero, which the old SPC variant cannot scale"};
    }
  }

  header_record date{};
  date_of(doc, date);
  const memo_text memo = memo_of(doc, options);
  const double first_x = first.first_x, last_x = first.last_x;
  old_header_record h{.ftflags = all.size() > 1 ? flag::tmulti : std::uint8_t{0},
                      .oexp = exponents[0],
                      .onpts = static_cast<float>(first.y.size()),
                      .ofirst = spectrum::to_single(first_x),
                      .olast = spectrum::to_single(last_x),
                      .oxtype = code_of(doc.x_unit, wavenumbers),
                      .oytype = code_of(doc.y_unit, arbitrary_units),
                      .oyear = date.year,
                      .omonth = date.month,
                      .oday = date.day,
                      .ohour = date.hour,
                      .ominute = date.minute,
                      .ores = resolution_text_of(no_resolution),
                      .ocmnt = memo.chars};
  if (doc.resolution) {  // the file's own text, none included
    h.ores.fill('\0');
    const std::string text = latin1_of(*doc.resolution);
    std::copy_n(text.begin(), std::min(h.ores.size(), text.size()), h.ores.begin());
  }
  if (all.size() > 1) h.first_sub = sub_header_of(first, 0, static_cast<std::int8_t>(exponents[0]));
  write_old_header(unit, h);
  write_old_y(unit, std::span<const double>{first.y}, exponents[0]);
  for (std::size_t i = 1; i < all.size(); ++i) {
    recio::write_bytes(unit, sub_header_of(all[i], i, static_cast<std::int8_t>(exponents[i])));
    write_old_y(unit, std::span<const double>{all[i].y}, exponents[i]);
  }
  return std::nullopt;
}

}  // namespace spc
