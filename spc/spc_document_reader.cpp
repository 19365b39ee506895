// spc/spc_document_reader.cpp: SPC files of every kind read into a document: the new variant in
// either byte order and the old variant, every flag, the sub-file directory, the log.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "spc/spc_document.hpp"
#include "spc/spc_header.hpp"
#include "spc/spc_layout.hpp"
#include "spc/spc_values.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/units.hpp"
#include "recio/text_scan.hpp"

namespace spc {

namespace {

using spectrum::document;
using spectrum::outcome;
using spectrum::trouble;

inline constexpr std::uint8_t new_version_big_endian = 76;  // "L"

// The bytes of a file whose numbers stand in its byte order: little-endian, or, for version byte
// 0x4C, the most significant byte first.
struct ordered_bytes {
  byte_view b;
  bool big = false;
  std::uint16_t u16(std::size_t at) const {
    return big ? static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]) : get_u16le(b, at);
  }
  std::uint32_t u32(std::size_t at) const {
    return big ? std::uint32_t{u16(at)} << 16 | u16(at + 2) : get_u32le(b, at);
  }
  std::int16_t i16(std::size_t at) const { return static_cast<std::int16_t>(u16(at)); }
  std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
  float f32(std::size_t at) const { return std::bit_cast<float>(u32(at)); }
};

// The numeric fields of a new-variant header as (offset, width): a big-endian header turned
// round field by field reads as a little-endian one.
constexpr std::array<std::pair<std::size_t, std::size_t>, 21> header_numbers{{
    {new_header::fnpts, 4},       {new_header::ffirst, 8},      {new_header::flast, 8},
    {new_header::fnsub, 4},       {new_header::fdate, 4},       {new_header::fpeakpt, 2},
    {new_header::fspare, 4},      {new_header::fspare + 4, 4},  {new_header::fspare + 8, 4},
    {new_header::fspare + 12, 4}, {new_header::fspare + 16, 4}, {new_header::fspare + 20, 4},
    {new_header::fspare + 24, 4}, {new_header::fspare + 28, 4}, {new_header::flogoff, 4},
    {new_header::fmods, 4},       {new_header::fsampin, 2},     {new_header::ffactor, 4},
    {new_header::fzinc, 4},       {new_header::fwplanes, 4},    {new_header::fwinc, 4},
}};

trouble cut_short(const std::string& what, std::int64_t offset) {
  return trouble{"cut short: " + what, 0, offset};
}

// A text field up to its first NUL, without trailing blanks; bytes beyond ASCII are taken as
// Latin-1, the code page of the programs that write SPC files, and given as UTF-8.
std::string utf8_of(byte_view field) {
  std::size_t n =
      static_cast<std::size_t>(std::find(field.begin(), field.end(), 0) - field.begin());
  while (n > 0 && field[n - 1] == ' ') --n;
  return recio::utf8_of_latin1({reinterpret_cast<const char*>(field.data()), n});
}

// A date that names a day and a time, or none (year 0).
spectrum::date_time date_of(int year, int month, int day, int hour, int minute) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
      minute > 59)
    return {};
  return {year, month, day, hour, minute, 0};
}

// A unit by its code, named as the code names it; z none where the variant has no z unit.
spectrum::axis_unit unit_by_code(int code, spectrum::axis which) {
  if (code < 0) return {};
  return {code, spectrum::unit_of_code(code, which).name};
}

// The units by code and name; axis labels given as text (x, y and z, each ended by a NUL) take
// the place of the names, and where the code says nothing more (arbitrary, or a code without a
// name), a label that names a unit gives its code.
void units_of(document& out, int x, int y, int z, bool labels, byte_view catxt) {
  out.x_unit = unit_by_code(x, spectrum::axis::x);
  out.y_unit = unit_by_code(y, spectrum::axis::y);
  out.z_unit = unit_by_code(z, spectrum::axis::z);
  if (!labels) return;
  const std::array<std::pair<spectrum::axis_unit*, spectrum::axis>, 3> axes{
      {{&out.x_unit, spectrum::axis::x},
       {&out.y_unit, spectrum::axis::y},
       {&out.z_unit, spectrum::axis::z}}};
  std::size_t at = 0;
  for (const auto& [axis, which] : axes) {
    if (at >= catxt.size()) break;
    const std::string label = utf8_of(catxt.subspan(at));
    if (!label.empty()) {
      const spectrum::axis_unit named = spectrum::unit_named(label, which);
      if ((axis->code <= 0 || axis->name.empty()) && named.code >= 0)
        *axis = named;
      else
        axis->name = label;
    }
    at += static_cast<std::size_t>(
              std::find(catxt.begin() + static_cast<std::ptrdiff_t>(at), catxt.end(), 0) -
              catxt.begin()) -
          at + 1;
  }
}

std::vector<std::string> flag_names(std::uint8_t flags) {
  static constexpr std::array<std::string_view, 8> names{"16-bit-y", "chromatogram", "multifile",
                                                         "random-z", "ordered-z",    "axis-labels",
                                                         "xyxy",     "x-values"};
  std::vector<std::string> set;
  for (std::size_t bit = 0; bit < names.size(); ++bit)
    if (flags >> bit & 1) set.emplace_back(names[bit]);
  return set;
}

// The facts for `info` that both variants share.
void add_facts(document& out, std::uint8_t flags, int exponent, bool float_values,
               std::int64_t sub_files) {
  out.facts.push_back({"flags", flag_names(flags)});
  out.facts.push_back({"y values", std::string{float_values           ? "float"
                                               : flags & flag::tsprec ? "16-bit integer"
                                                                      : "32-bit integer"}});
  if (!float_values) out.facts.push_back({"exponent", std::int64_t{exponent}});
  out.facts.push_back({"sub-files", sub_files});
  out.facts.push_back({"x", std::string{flags & flag::txyxys   ? "stored for each spectrum"
                                        : flags & flag::txvals ? "stored"
                                                               : "evenly spaced"}});
  if (flags & flag::tmulti)
    out.facts.push_back({"z", std::string{flags & flag::trandm   ? "in no order"
                                          : flags & flag::tordrd ? "ordered"
                                                                 : "evenly spaced"}});
}

// How y values so stored are integers for the document, or none for floats.
spectrum::integer_y integers_of(const y_storage& storage) {
  if (storage.floats()) return {};
  return {storage.sixteen_bit ? 16 : 32, storage.power()};
}

// The log block at flogoff: its text starts logtxto bytes in and runs for logsizd - logtxto
// bytes, or to the end of the file, up to its first NUL.
outcome read_log(const ordered_bytes& num, header_record& h, document& out) {
  const std::int32_t flogoff = h.flogoff;
  const auto size = static_cast<std::int64_t>(num.b.size());
  if (flogoff < 0 || flogoff + std::int64_t{log_block::words_size} > size)
    return cut_short("the log block at byte " + std::to_string(flogoff) + " lies beyond the end (" +
                         std::to_string(size) + " bytes)",
                     new_header::flogoff);
  std::array<std::uint8_t, log_block::words_size> words{};
  std::copy_n(num.b.begin() + flogoff, words.size(), words.begin());
  if (num.big)
    for (std::size_t at = 0; at < words.size(); at += 4)
      std::reverse(words.begin() + static_cast<std::ptrdiff_t>(at),
                   words.begin() + static_cast<std::ptrdiff_t>(at + 4));
  decode_log_words(words, h);
  const std::int64_t disk_size = h.logsizd;
  const std::int64_t text_at = h.logtxto;
  if (text_at < 0 || flogoff + text_at > size)
    return cut_short("the log text at byte " + std::to_string(flogoff + text_at) +
                         " lies beyond the end (" + std::to_string(size) + " bytes)",
                     flogoff + static_cast<std::int64_t>(log_block::logtxto));
  const std::int64_t length =
      std::clamp(disk_size - text_at, std::int64_t{0}, size - flogoff - text_at);
  out.log = utf8_of(
      num.b.subspan(static_cast<std::size_t>(flogoff + text_at), static_cast<std::size_t>(length)));
  out.facts.push_back({"log text bytes", static_cast<std::int64_t>(out.log.size())});
  return std::nullopt;
}

outcome read_new(byte_view b, bool big, const spectrum::read_options& options, document& out) {
  const auto size = static_cast<std::int64_t>(b.size());
  if (size < static_cast<std::int64_t>(new_header::size))
    return cut_short("the header needs 512 bytes, the file holds " + std::to_string(size), size);
  const ordered_bytes num{b, big};
  std::array<std::uint8_t, new_header::size> le{};
  std::copy_n(b.begin(), le.size(), le.begin());
  if (big)
    for (const auto& [at, width] : header_numbers)
      std::reverse(le.begin() + static_cast<std::ptrdiff_t>(at),
                   le.begin() + static_cast<std::ptrdiff_t>(at + width));
  header_record h;
  decode_counted_fields(le, h);
  decode_other_fields(le, h);
  SPCDATE(h.fdate, h.year, h.month, h.day, h.hour, h.minute, 'S');

  const std::uint8_t flags = b[start::ftflags];
  const bool multi = flags & flag::tmulti;
  const bool own_x = flags & flag::txyxys;
  const bool shared_x = (flags & flag::txvals) && !own_x;
  const bool sixteen = flags & flag::tsprec;
  const std::int64_t y_size = sixteen ? 2 : 4;
  if (multi && h.fnsub < 1)
    return trouble{"the header gives " + std::to_string(h.fnsub) + " sub-files", 0,
                   new_header::fnsub};
  const std::int64_t subs = multi ? h.fnsub : 1;
  // A single spectrum takes the file's exponent; each sub-file of several its own, unless the
  // file's says floats.
  const auto storage_of = [&](std::size_t sub_at) {
    return y_storage{
        .sixteen_bit = sixteen,
        .exponent = !multi || h.fexp == float_y
                        ? int{h.fexp}
                        : int{static_cast<std::int8_t>(b[sub_at + sub_header::subexp])},
        .big_endian = big};
  };

  out.variant = big ? "new, big-endian" : "new";
  out.memo = utf8_of(byte_view{le}.subspan(new_header::fcmnt, h.fcmnt.size()));
  out.resolution = utf8_of(byte_view{le}.subspan(new_header::fres, h.fres.size()));
  out.instrument = utf8_of(byte_view{le}.subspan(new_header::fsource, h.fsource.size()));
  out.date = date_of(h.year, h.month, h.day, h.hour, h.minute);
  out.experiment_type = h.fexper;
  out.experiment = spectrum::experiment_name(h.fexper);
  units_of(out, h.fxtype, h.fytype, h.fztype, flags & flag::talabs,
           byte_view{le}.subspan(new_header::fcatxt, h.fcatxt.size()));
  add_facts(out, flags, h.fexp, h.fexp == float_y && !sixteen, subs);

  std::int64_t at = new_header::size;
  if (!own_x) {
    const std::int64_t points = h.fnpts;
    if (points < 0)
      return trouble{"the header gives " + std::to_string(points) + " points", 0,
                     new_header::fnpts};
    if (static_cast<std::uint64_t>(points) > options.most_points)
      return trouble{spectrum::too_many_points(options.most_points).reason, 0, new_header::fnpts};
    // Every byte that the header promises is checked against the file before any is taken.
    const std::int64_t room = size - at - (shared_x ? 4 * points : 0);
    const std::int64_t per_sub = static_cast<std::int64_t>(sub_header::size) + y_size * points;
    if (room < 0 || room / per_sub < subs)
      return cut_short("the header promises " + std::to_string(subs * points) +
                           " points, the file holds " +
                           std::to_string(std::max<std::int64_t>(room - subs * 32, 0) / y_size),
                       size);
    std::vector<double> x;
    if (shared_x) {
      x.resize(static_cast<std::size_t>(points));
      for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = num.f32(static_cast<std::size_t>(at) + 4 * i);
      at += 4 * points;
    } else if (options.even_x_values) {
      x = spectrum::even_x(h.ffirst, h.flast, static_cast<std::size_t>(points));
    }
    out.spectra.reserve(static_cast<std::size_t>(subs));
    for (std::int64_t s = 0; s < subs; ++s, at += per_sub) {
      const auto sub_at = static_cast<std::size_t>(at);
      const y_storage storage = storage_of(sub_at);
      // Each spectrum has the x of the file; the last takes them over.
      spectrum::spectrum t{.x = s + 1 == subs ? std::move(x) : x,
                           .y = std::vector<double>(static_cast<std::size_t>(points)),
                           .x_stored = shared_x,
                           .first_x = h.ffirst,
                           .last_x = h.flast,
                           .z = num.f32(sub_at + sub_header::subtime),
                           .stored_as = integers_of(storage)};
      decode_y(b.subspan(sub_at + sub_header::size), storage, std::span<double>{t.y});
      out.spectra.push_back(std::move(t));
    }
  } else {
    // Each sub-file holds its own count and x values; a directory, where fnpts gives its place,
    // says where each starts.
    const std::int64_t directory = h.fnpts;
    if (directory != 0 && (directory < 0 || subs > (size - directory) / static_cast<std::int64_t>(
                                                                            directory_entry::size)))
      return cut_short("the sub-file directory at byte " + std::to_string(directory) +
                           " lies beyond the end (" + std::to_string(size) + " bytes)",
                       new_header::fnpts);
    const auto entry = static_cast<std::int64_t>(directory_entry::size);
    std::int64_t taken = new_header::size;  // no more bytes than the file holds, overlaps and all
    for (std::int64_t s = 0; s < subs; ++s) {
      if (directory != 0)
        at = num.i32(static_cast<std::size_t>(directory + s * entry) + directory_entry::ssfposn);
      if (at < 0 || at + static_cast<std::int64_t>(sub_header::size) > size)
        return cut_short("sub-file " + std::to_string(s + 1) + " of " + std::to_string(subs) +
                             " at byte " + std::to_string(at) + " lies beyond the end (" +
                             std::to_string(size) + " bytes)",
                         directory != 0 ? directory + s * entry : at);
      const auto sub_at = static_cast<std::size_t>(at);
      const std::int64_t points = num.i32(sub_at + sub_header::subnpts);
      const std::int64_t room = size - at - static_cast<std::int64_t>(sub_header::size);
      if (points < 0 || points > room / (4 + y_size))
        return cut_short("sub-file " + std::to_string(s + 1) + " promises " +
                             std::to_string(points) + " points, the file holds " +
                             std::to_string(room / (4 + y_size)),
                         at + static_cast<std::int64_t>(sub_header::subnpts));
      if (static_cast<std::uint64_t>(points) > options.most_points)
        return trouble{spectrum::too_many_points(options.most_points).reason, 0,
                       at + static_cast<std::int64_t>(sub_header::subnpts)};
      const std::int64_t bytes =
          static_cast<std::int64_t>(sub_header::size) + points * (4 + y_size);
      taken += bytes;
      if (taken > size)
        return cut_short(
            "the sub-files promise more bytes than the file holds (" + std::to_string(size) + ")",
            directory != 0 ? directory + s * entry : at);
      const y_storage storage = storage_of(sub_at);
      spectrum::spectrum t{.x = std::vector<double>(static_cast<std::size_t>(points)),
                           .y = std::vector<double>(static_cast<std::size_t>(points)),
                           .x_stored = true,
                           .z = num.f32(sub_at + sub_header::subtime),
                           .stored_as = integers_of(storage)};
      for (std::size_t i = 0; i < t.x.size(); ++i)
        t.x[i] = num.f32(sub_at + sub_header::size + 4 * i);
      if (!t.x.empty()) {
        t.first_x = t.x.front();
        t.last_x = t.x.back();
      }
      decode_y(b.subspan(sub_at + sub_header::size + 4 * t.x.size()), storage,
               std::span<double>{t.y});
      out.spectra.push_back(std::move(t));
      at += bytes;
    }
  }
  if (h.flogoff != 0) return read_log(num, h, out);
  return std::nullopt;
}

// The old variant: a 256-byte header whose last 32 bytes are the first sub-file's header, then
// its y values; each further sub-file is its header and its y values. The count of sub-files
// follows from the size of the file.
outcome read_old(byte_view b, const spectrum::read_options& options, document& out) {
  namespace old = old_header;
  const auto size = static_cast<std::int64_t>(b.size());
  if (size < static_cast<std::int64_t>(old::size))
    return cut_short("the header needs 256 bytes, the file holds " + std::to_string(size), size);
  const std::uint8_t flags = b[start::ftflags];
  const bool multi = flags & flag::tmulti;
  const bool sixteen = flags & flag::tsprec;
  const std::int64_t y_size = sixteen ? 2 : 4;
  old_header_record h;
  decode_counted_fields(b, h);
  decode_other_fields(b, h);
  const std::int32_t points = count_of_stored(h.onpts);
  if (points < 0)
    return trouble{"the header gives " + std::to_string(points) + " points", 0, old::onpts};
  if (static_cast<std::uint64_t>(points) > options.most_points)
    return trouble{spectrum::too_many_points(options.most_points).reason, 0, old::onpts};
  const std::int64_t per_sub = y_size * points;
  if (size - static_cast<std::int64_t>(old::size) < per_sub)
    return cut_short("the header promises " + std::to_string(points) + " points, the file holds " +
                         std::to_string((size - static_cast<std::int64_t>(old::size)) / y_size),
                     size);
  const std::int64_t subs = multi ? 1 + (size - static_cast<std::int64_t>(old::size) - per_sub) /
                                            (static_cast<std::int64_t>(sub_header::size) + per_sub)
                                  : 1;

  out.variant = "old";
  out.memo =
      utf8_of(byte_view{reinterpret_cast<const std::uint8_t*>(h.ocmnt.data()), h.ocmnt.size()});
  out.resolution =
      utf8_of(byte_view{reinterpret_cast<const std::uint8_t*>(h.ores.data()), h.ores.size()});
  out.date = date_of(h.oyear, h.omonth, h.oday, h.ohour, h.ominute);
  units_of(out, h.oxtype, h.oytype, -1, flags & flag::talabs,
           byte_view{reinterpret_cast<const std::uint8_t*>(h.ocatxt.data()), h.ocatxt.size()});
  add_facts(out, flags, h.oexp, false, subs);

  std::vector<double> x;
  if (options.even_x_values)
    x = spectrum::even_x(h.ofirst, h.olast, static_cast<std::size_t>(points));
  out.spectra.reserve(static_cast<std::size_t>(subs));
  std::size_t sub_at = old::first_sub;
  for (std::int64_t s = 0; s < subs; ++s) {
    spectrum::spectrum t{.x = s + 1 == subs ? std::move(x) : x,
                         .y = std::vector<double>(static_cast<std::size_t>(points)),
                         .first_x = h.ofirst,
                         .last_x = h.olast,
                         .z = get_f32le(b, sub_at + sub_header::subtime)};
    // A single spectrum takes the header's exponent, each of several its sub-file's.
    const y_storage storage{
        .sixteen_bit = sixteen,
        .exponent = multi ? int{static_cast<std::int8_t>(b[sub_at + 1])} : int{h.oexp},
        .high_half_first = !sixteen};
    const std::size_t y_at = sub_at + sub_header::size;
    t.stored_as = integers_of(storage);
    decode_y(b.subspan(y_at), storage, std::span<double>{t.y});
    out.spectra.push_back(std::move(t));
    sub_at = y_at + static_cast<std::size_t>(per_sub);
  }
  return std::nullopt;
}

}  // namespace

bool recognises(spectrum::byte_view head) {
  static constexpr std::array<std::uint8_t, 4> compound{0xD0, 0xCF, 0x11, 0xE0};
  if (head.size() >= compound.size() && std::equal(compound.begin(), compound.end(), head.begin()))
    return true;
  return head.size() >= start::size &&
         (head[start::fversn] == new_version || head[start::fversn] == new_version_big_endian ||
          head[start::fversn] == old_version);
}

outcome read_file(const spectrum::input_file& in, const spectrum::read_options& options,
                  document& out) {
  const byte_view b = in.bytes;
  out = document{};
  out.format = "spc";
  static constexpr std::array<std::uint8_t, 4> compound{0xD0, 0xCF, 0x11, 0xE0};
  if (b.size() >= compound.size() && std::equal(compound.begin(), compound.end(), b.begin()))
    return trouble{"not an SPC file (a compound document)", 0, 0};
  if (b.size() < start::size)
    return cut_short("an SPC file starts with 2 bytes, the file holds " +
                         std::to_string(static_cast<std::int64_t>(b.size())),
                     static_cast<std::int64_t>(b.size()));
  outcome result;
  switch (b[start::fversn]) {
    case new_version:
      result = read_new(b, false, options, out);
      break;
    case new_version_big_endian:
      result = read_new(b, true, options, out);
      break;
    case old_version:
      result = read_old(b, options, out);
      break;
    default: {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", b[start::fversn]);
      return trouble{std::string{"SPC version byte "} + hex + " not known", 0, start::fversn};
    }
  }
  if (result) out.spectra.clear();
  return result;
}

}  // namespace spc
