// spc/spc_header.cpp: the shared SPC header record and SPCDATE.
#include "spc/spc_header.hpp"

#include <algorithm>

namespace spc {

namespace {

template <typename element, std::size_t n>
void get_bytes(byte_view b, std::size_t at, std::array<element, n>& out) {
  std::transform(b.begin() + static_cast<std::ptrdiff_t>(at),
                 b.begin() + static_cast<std::ptrdiff_t>(at + n), out.begin(),
                 [](std::uint8_t v) { return static_cast<element>(v); });
}

template <typename element, std::size_t n>
void put_bytes(byte_span b, std::size_t at, const std::array<element, n>& in) {
  std::transform(in.begin(), in.end(), b.begin() + static_cast<std::ptrdiff_t>(at),
                 [](element v) { return static_cast<std::uint8_t>(v); });
}

}  // namespace

void decode_counted_fields(byte_view b, header_record& h) {
  using namespace new_header;
  h.fexper = b[fexper];
  h.fexp = static_cast<std::int8_t>(b[fexp]);
  h.fnpts = get_i32le(b, fnpts);
  h.ffirst = get_f64le(b, ffirst);
  h.flast = get_f64le(b, flast);
  h.fnsub = get_i32le(b, fnsub);
  h.fxtype = b[fxtype];
  h.fytype = b[fytype];
}

void decode_other_fields(byte_view b, header_record& h) {
  using namespace new_header;
  h.fztype = b[fztype];
  h.fpost = b[fpost];
  h.fdate = get_i32le(b, fdate);
  get_bytes(b, fres, h.fres);
  get_bytes(b, fsource, h.fsource);
  h.fpeakpt = get_i16le(b, fpeakpt);
  for (std::size_t i = 0; i < h.fspare.size(); ++i) h.fspare[i] = get_i32le(b, fspare + 4 * i);
  get_bytes(b, fcmnt, h.fcmnt);
  get_bytes(b, fcatxt, h.fcatxt);
  h.flogoff = get_i32le(b, flogoff);
  h.fmods = get_i32le(b, fmods);
  h.fprocs = b[fprocs];
  h.flevel = b[flevel];
  h.fsampin = get_i16le(b, fsampin);
  get_bytes(b, ffactor, h.ffactor);
  get_bytes(b, fmethod, h.fmethod);
  get_bytes(b, fzinc, h.fzinc);
  h.fwplanes = get_i32le(b, fwplanes);
  get_bytes(b, fwinc, h.fwinc);
  h.fwtype = b[fwtype];
  get_bytes(b, freserv, h.freserv);
}

void encode_header(const header_record& h, byte_span b) {
  using namespace new_header;
  b[start::ftflags] = h.ftflags;
  b[start::fversn] = h.fversn;
  b[fexper] = h.fexper;
  b[fexp] = static_cast<std::uint8_t>(h.fexp);
  put_i32le(b, fnpts, h.fnpts);
  put_f64le(b, ffirst, h.ffirst);
  put_f64le(b, flast, h.flast);
  put_i32le(b, fnsub, h.fnsub);
  b[fxtype] = h.fxtype;
  b[fytype] = h.fytype;
  b[fztype] = h.fztype;
  b[fpost] = h.fpost;
  put_i32le(b, fdate, h.fdate);
  put_bytes(b, fres, h.fres);
  put_bytes(b, fsource, h.fsource);
  put_i16le(b, fpeakpt, h.fpeakpt);
  for (std::size_t i = 0; i < h.fspare.size(); ++i) put_i32le(b, fspare + 4 * i, h.fspare[i]);
  put_bytes(b, fcmnt, h.fcmnt);
  put_bytes(b, fcatxt, h.fcatxt);
  put_i32le(b, flogoff, h.flogoff);
  put_i32le(b, fmods, h.fmods);
  b[fprocs] = h.fprocs;
  b[flevel] = h.flevel;
  put_i16le(b, fsampin, h.fsampin);
  put_bytes(b, ffactor, h.ffactor);
  put_bytes(b, fmethod, h.fmethod);
  put_bytes(b, fzinc, h.fzinc);
  put_i32le(b, fwplanes, h.fwplanes);
  put_bytes(b, fwinc, h.fwinc);
  b[fwtype] = h.fwtype;
  put_bytes(b, freserv, h.freserv);
}

}  // namespace spc

void SPCDATE(std::int32_t& word, std::int16_t& year, std::uint8_t& month, std::uint8_t& day,
             std::uint8_t& hour, std::uint8_t& minute, char mode) {
  if (mode == 'C') {
    // The parts are added, not masked: a part larger than its field carries into the next. The
    // sum is taken modulo 2^32, so a year from 2048 on sets the word's top bit.
    const std::int64_t packed =
        (((std::int64_t{year} * 16 + month) * 32 + day) * 32 + hour) * 64 + minute;
    word = static_cast<std::int32_t>(static_cast<std::uint32_t>(packed));
    return;
  }
  // Divisions truncate toward zero; for a word with its top bit clear this is the plain split.
  const std::int32_t y = word / (1 << 20);
  const std::int32_t r1 = word - y * (1 << 20);
  const std::int32_t mo = r1 / (1 << 16);
  const std::int32_t r2 = r1 - mo * (1 << 16);
  const std::int32_t d = r2 / (1 << 11);
  const std::int32_t r3 = r2 - d * (1 << 11);
  const std::int32_t h = r3 / 64;
  year = static_cast<std::int16_t>(y);
  month = static_cast<std::uint8_t>(mo);
  day = static_cast<std::uint8_t>(d);
  hour = static_cast<std::uint8_t>(h);
  minute = static_cast<std::uint8_t>(r3 - h * 64);
}
