// spc/spc_reader.cpp: READSC and the two variant readers, READSC1 and READSC2.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "recio/recio.hpp"
#include "spc/spc.hpp"
#include "spc/spc_header.hpp"
#include "spc/spc_layout.hpp"
#include "spc/spc_values.hpp"

namespace {

using recio::console;

constexpr recio::layout resolution_field{"(F4.1)"};
constexpr recio::layout old_too_many{
    "(' Routine READSC1: Number of Points in file ',A12,' exceeds array size ',I6/' File not "
    "read')"};
constexpr recio::layout new_too_many{
    "(' Routine READSC2: Number of Points in file ',A12,' exceeds array size ',I6,"
    "' File not read'/)"};

// The y values on their way from the file, a block at a time.
constexpr std::size_t block_points = 1 << 14;
std::array<std::uint8_t, 4 * block_points> y_block;

void read_exactly(std::int16_t unit, spc::byte_span bytes) { recio::read_bytes(unit, bytes); }

// The resolution value is the first four characters of the resolution text read as F4.1; a text
// that is no number leaves it at 0.
float resolution_of(const char* text) {
  float v = 0.0f;
  recio::read(std::string_view{text, 4}, resolution_field, {.on_error = true, .on_end = true},
              {&v});
  return v;
}

// Reads count y values of four bytes each, stored as storage says.
void read_y_values(std::int16_t unit, point_array& y, std::int32_t count,
                   const spc::y_storage& storage) {
  if (count <= 0) return;
  const auto n = static_cast<std::size_t>(count);
  for (std::size_t first = 0; first < n; first += block_points) {
    const std::size_t m = std::min(block_points, n - first);
    read_exactly(unit, {y_block.data(), 4 * m});
    spc::decode_y(y_block, storage, std::span<float>{y}.subspan(first, m));
  }
}

// A log block too large to hold is dropped, and the file read without it.
void drop_log_block(const file_name& name, spc::header_record& h, std::string_view why) {
  recio::write_free(console, {" File ", name.view()});
  MSGLINE(why);
  MSGLINE("\\ LOG Block not read\\");
  h.flogoff = 0;
}

// The log block after the y values: five words, the parameter bytes and the text, which runs to
// the end of the file. Too many of either drops the block.
void read_log_block(const file_name& name, std::int16_t unit, spc::header_record& h) {
  std::array<std::uint8_t, spc::log_block::words_size> words{};
  read_exactly(unit, words);
  spc::decode_log_words(words, h);

  const std::int64_t parameters = std::int64_t{h.logtxto} - 20;
  h.nlgspar = static_cast<std::int32_t>(std::max<std::int64_t>(parameters, INT32_MIN));
  if (parameters > spc::log_block::max_parameters) {
    drop_log_block(name, h, "\\ NLGSPAR  larger than 256\\");
    return;
  }
  if (parameters > 0)
    read_exactly(unit, {h.log_parameters.data(), static_cast<std::size_t>(parameters)});

  const std::int64_t limit = std::int64_t{h.logsizd} + 1;
  if (limit > spc::log_block::max_text) {
    drop_log_block(name, h, "\\ NLGDATA larger than 1000\\");
    return;
  }
  // The text ends quietly at the end of the file; a byte read at the limit is not counted.
  std::int64_t taken = 0;
  while (taken < limit && recio::read_bytes(unit, {&h.log_text[static_cast<std::size_t>(taken)], 1},
                                            {.on_end = true}) == recio::io_code::ok)
    ++taken;
  // A limit of 0 or less reads nothing and holds no text.
  h.nlgdata = static_cast<std::int32_t>(std::min<std::int64_t>(taken, std::max(h.logsizd, 0)));
  h.logsizd = static_cast<std::int32_t>(std::int64_t{h.logtxto} + h.nlgdata);
}

// A file that this reader cannot read: the two closing lines (the second differs between the
// refusals by a blank), the unit back to the pool, and the stop without a text.
[[noreturn]] void refuse(std::int16_t unit, std::int32_t& status, std::string_view last_line) {
  MSGLINE("\\READSC can not read this file and\\");
  MSGLINE(last_line);
  PUTCHAN(unit, status);
  recio::stop(recio::exit_status::failure);
}

}  // namespace

void READSC(const file_name& name, point_array& y, std::int32_t& count, float& first_x,
            float& last_x, std::uint8_t& x_type, std::uint8_t& y_type, float& resolution,
            memo_text& memo, std::int32_t& status) {
  spc::header_record& h = spc::shared_header;
  status = 0;
  h.origin = 'Y';
  std::int16_t unit = 0;
  GETCHAN(unit, status);
  // An input is opened for reading only: a missing file is never created.
  if (recio::open(unit, name.view(), recio::open_mode::binary_read, {.on_error = true}) != 0)
    recio::stop("ERROR OPENING SPECTRA-CALC FILE IN READSC", recio::exit_status::failure);
  std::array<std::uint8_t, spc::start::size> first_bytes{};
  read_exactly(unit, first_bytes);
  h.ftflags = first_bytes[spc::start::ftflags];
  h.fversn = first_bytes[spc::start::fversn];

  if (h.ftflags != 0) {
    recio::write_free(console, {"Routine READSC; File ", name.view(), ":ftflags is not zero."});
    refuse(unit, status, "\\program stops abnormally\\");
  }
  if (h.fversn != spc::old_version && h.fversn != spc::new_version) {
    recio::write_free(console, {" fversn is neither 77 (old SPC) nor 75 (new SPC)"});
    refuse(unit, status, "\\ program stops abnormally\\");
  }
  if (h.fversn == spc::old_version) {
    READSC1(name, unit, y, count, first_x, last_x, x_type, y_type, resolution, memo, status);
    PUTCHAN(unit, status);
    return;
  }
  READSC2(name, unit, y, status);
  PUTCHAN(unit, status);
  count = h.fnpts;
  first_x = spectrum::to_single(h.ffirst);
  last_x = spectrum::to_single(h.flast);
  x_type = h.fxtype;
  y_type = h.fytype;
  resolution = resolution_of(h.fres.data());
  memo.assign({h.fcmnt.data(), h.fcmnt.size()});
}

void READSC1(const file_name& name, const std::int16_t& unit, point_array& y, std::int32_t& count,
             float& first_x, float& last_x, std::uint8_t& x_type, std::uint8_t& y_type,
             float& resolution, memo_text& memo, std::int32_t& status) {
  namespace old = spc::old_header;
  status = 0;
  std::array<std::uint8_t, old::size> header{};
  read_exactly(
      unit, spc::byte_span{header}.subspan(spc::start::size, old::counted_end - spc::start::size));
  spc::old_header_record old_header;
  spc::decode_counted_fields(header, old_header);
  count = spc::count_of_stored(old_header.onpts);
  first_x = old_header.ofirst;
  last_x = old_header.olast;
  x_type = old_header.oxtype;
  y_type = old_header.oytype;
  if (count > spectrum::array_capacity) {
    recio::write(console, old_too_many, {name.view(), spectrum::array_capacity});
    return;
  }
  read_exactly(unit, spc::byte_span{header}.subspan(old::counted_end));
  spc::decode_other_fields(header, old_header);
  spc::header_record& h = spc::shared_header;
  h.year = old_header.oyear;
  h.month = old_header.omonth;
  h.day = old_header.oday;
  h.hour = old_header.ohour;
  h.minute = old_header.ominute;
  resolution = resolution_of(old_header.ores.data());
  memo.assign({old_header.ocmnt.data(), old_header.ocmnt.size()});
  read_y_values(unit, y, count, {.exponent = old_header.oexp, .high_half_first = true});
}

void READSC2(const file_name& name, const std::int16_t& unit, point_array& y,
             std::int32_t& status) {
  namespace fresh = spc::new_header;
  spc::header_record& h = spc::shared_header;
  status = 0;
  std::array<std::uint8_t, fresh::size> header{};
  read_exactly(unit, spc::byte_span{header}.subspan(spc::start::size,
                                                    fresh::counted_end - spc::start::size));
  spc::decode_counted_fields(header, h);
  if (h.fnpts > spectrum::array_capacity) {
    recio::write(console, new_too_many, {name.view(), spectrum::array_capacity});
    return;
  }
  h.origin = 'N';
  read_exactly(unit, spc::byte_span{header}.subspan(fresh::counted_end));
  spc::decode_other_fields(header, h);
  read_exactly(unit, h.subheader);
  SPCDATE(h.fdate, h.year, h.month, h.day, h.hour, h.minute, 'S');
  read_y_values(unit, y, h.fnpts, {.exponent = h.fexp});
  if (h.flogoff != 0) read_log_block(name, unit, h);
}
