// spc/spc_header.hpp: the headers of both SPC variants field by field, and their conversion from
// and to bytes: the shared new-variant record, which the dialogue's reader fills and its writer
// builds on, the old-variant header, the log block's words and the date word.
#pragma once

#include <array>
#include <cstdint>

#include "spc/spc_layout.hpp"

namespace spc {

// The new-variant main header field by field, the sub-file header, the date parts, the log block
// and the header-origin mark.
struct header_record {
  std::uint8_t ftflags = 0;
  std::uint8_t fversn = 0;
  std::uint8_t fexper = 0;
  std::int8_t fexp = 0;
  std::int32_t fnpts = 0;
  double ffirst = 0.0;
  double flast = 0.0;
  std::int32_t fnsub = 0;
  std::uint8_t fxtype = 0;
  std::uint8_t fytype = 0;
  std::uint8_t fztype = 0;
  std::uint8_t fpost = 0;
  std::int32_t fdate = 0;
  std::array<char, 9> fres{};
  std::array<char, 9> fsource{};
  std::int16_t fpeakpt = 0;
  std::array<std::int32_t, 8> fspare{};
  std::array<char, 130> fcmnt{};
  std::array<char, 30> fcatxt{};
  std::int32_t flogoff = 0;
  std::int32_t fmods = 0;
  std::uint8_t fprocs = 0;
  std::uint8_t flevel = 0;
  std::int16_t fsampin = 0;
  std::array<std::uint8_t, 4> ffactor{};
  std::array<char, 48> fmethod{};
  std::array<std::uint8_t, 4> fzinc{};
  std::int32_t fwplanes = 0;
  std::array<std::uint8_t, 4> fwinc{};
  std::uint8_t fwtype = 0;
  std::array<std::uint8_t, 187> freserv{};

  std::array<std::uint8_t, sub_header::size> subheader{};

  // The date parts.
  std::int16_t year = 0;
  std::uint8_t month = 0;
  std::uint8_t day = 0;
  std::uint8_t hour = 0;
  std::uint8_t minute = 0;

  // The log block.
  std::int32_t logsizd = 0;
  std::int32_t logsizm = 0;
  std::int32_t logtxto = 0;
  std::int32_t logbins = 0;
  std::int32_t logdsks = 0;
  std::int32_t nlgspar = 0;  // parameter bytes held
  std::int32_t nlgdata = 0;  // text bytes held
  std::array<std::uint8_t, log_block::max_parameters> log_parameters{};
  std::array<std::uint8_t, log_block::max_text> log_text{};

  // "Y" or "y": the writer builds a fresh header; "N": the record holds a header read from a
  // new-variant file.
  char origin = 0;
};

// The one record, shared by the dialogue's reader and writer for the whole run. Each thread has
// its own, so that conversions on other threads never see it.
inline thread_local header_record shared_header;

// The old-variant header field by field: 256 bytes, the last 32 of which are the first sub-file's
// header.
struct old_header_record {
  std::uint8_t ftflags = 0;
  std::int16_t oexp = 0;
  float onpts = 0.0f;  // the point count, stored as a float
  float ofirst = 0.0f;
  float olast = 0.0f;
  std::uint8_t oxtype = 0;
  std::uint8_t oytype = 0;
  std::int16_t oyear = 0;
  std::uint8_t omonth = 0;
  std::uint8_t oday = 0;
  std::uint8_t ohour = 0;
  std::uint8_t ominute = 0;
  std::array<char, old_header::ores_size> ores{};
  std::array<char, old_header::ocmnt_size> ocmnt{};
  std::array<char, old_header::ocatxt_size> ocatxt{};
  std::array<std::uint8_t, sub_header::size> first_sub{};
};

// Takes the fields oexp to oytype (bytes 2 to 17) from an old-variant header.
void decode_counted_fields(byte_view header, old_header_record& h);
// Takes the fields oyear to the first sub-file's header (bytes 18 to 255).
void decode_other_fields(byte_view header, old_header_record& h);
// Lays the record out as the 256 bytes of an old-variant header, version byte and all.
void encode_header(const old_header_record& h, byte_span header);

// Takes the fields fexper to fytype (bytes 2 to 29) from a new-variant header.
void decode_counted_fields(byte_view header, header_record& h);
// Takes the fields fztype to freserv (bytes 30 to 511) from a new-variant header.
void decode_other_fields(byte_view header, header_record& h);
// Lays the record's header fields out as the 512 bytes of a new-variant header.
void encode_header(const header_record& h, byte_span header);
// Takes the five words that begin a log block, and lays them out.
void decode_log_words(byte_view words, header_record& h);
void encode_log_words(const header_record& h, byte_span words);

}  // namespace spc

// Packs the date parts into the SPC date word (mode "C"), adding each part at its place, or
// unpacks the word into them (any other mode).
// SPCDATE(word, 2006, 3, 3, 14, 5, 'C') gives 2006 * 2^20 + 3 * 2^16 + 3 * 2^11 + 14 * 64 + 5.
void SPCDATE(std::int32_t& word, std::int16_t& year, std::uint8_t& month, std::uint8_t& day,
             std::uint8_t& hour, std::uint8_t& minute, char mode);
