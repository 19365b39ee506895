// spc/spc_header.cpp: both SPC headers from and to bytes, the log block's words, and SPCDATE.
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

void decode_counted_fields(byte_view b, old_header_record& h) {
  using namespace old_header;
  h.ftflags = b[start::ftflags];
  h.oexp = get_i16le(b, oexp);
  h.onpts = get_f32le(b, onpts);
  h.ofirst = get_f32le(b, ofirst);
  h.olast = get_f32le(b, olast);
  h.oxtype = b[oxtype];
  h.oytype = b[oytype];
}

void decode_other_fields(byte_view b, old_header_record& h) {
  using namespace old_header;
  h.oyear = get_i16le(b, oyear);
  h.omonth = b[omonth];
  h.oday = b[oday];
  h.ohour = b[ohour];
  h.ominute = b[ominute];
  get_bytes(b, ores, h.ores);
  get_bytes(b, ocmnt, h.ocmnt);
  get_bytes(b, ocatxt, h.ocatxt);
  get_bytes(b, first_sub, h.first_sub);
}

void encode_header(const old_header_record& h, byte_span b) {
  using namespace old_header;
  b[start::ftflags] = h.ftflags;
  b[start::fversn] = old_version;
  put_i16le(b, oexp, h.oexp);
  put_f32le(b, onpts, h.onpts);
  put_f32le(b, ofirst, h.ofirst);
  put_f32le(b, olast, h.olast);
  b[oxtype] = h.oxtype;
  b[oytype] = h.oytype;
  put_i16le(b, oyear, h.oyear);
  b[omonth] = h.omonth;
  b[oday] = h.oday;
  b[ohour] = h.ohour;
  b[ominute] = h.ominute;
  put_bytes(b, ores, h.ores);
  put_bytes(b, ocmnt, h.ocmnt);
  put_bytes(b, ocatxt, h.ocatxt);
  put_bytes(b, first_sub, h.first_sub);
}

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

void decode_log_words(byte_view b, header_record& h) {
  using namespace log_block;
  h.logsizd = get_i32le(b, logsizd);
  h.logsizm = get_i32le(b, logsizm);
  h.logtxto = get_i32le(b, logtxto);
  h.logbins = get_i32le(b, logbins);
  h.logdsks = get_i32le(b, logdsks);
}

void encode_log_words(const header_record& h, byte_span b) {
  using namespace log_block;
  put_i32le(b, logsizd, h.logsizd);
  put_i32le(b, logsizm, h.logsizm);
  put_i32le(b, logtxto, h.logtxto);
  put_i32le(b, logbins, h.logbins);
  put_i32le(b, logdsks, h.logdsks);
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
