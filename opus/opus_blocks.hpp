// opus/opus_blocks.hpp: the FTIR block file's layout: its header, the directory of blocks, what a
// block's type says it holds, and the parameter blocks of three-letter keys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "spectrum/document.hpp"

namespace opus {

using spectrum::byte_view;

namespace header {                              // 24 bytes
inline constexpr std::size_t magic = 0;         // u32: 0A 0A FE FE
inline constexpr std::size_t version = 4;       // f64: the program's version, a date as a number
inline constexpr std::size_t directory = 12;    // i32: byte offset of the directory
inline constexpr std::size_t most_blocks = 16;  // i32: entries the directory has room for
inline constexpr std::size_t blocks = 20;       // i32: entries in use
inline constexpr std::size_t size = 24;
inline constexpr std::uint32_t magic_value = 0xFEFE0A0A;
}  // namespace header

namespace entry {                         // 12 bytes a block
inline constexpr std::size_t type = 0;    // u32: what the block holds, in bit fields
inline constexpr std::size_t words = 4;   // u32: its length in 4-byte words
inline constexpr std::size_t offset = 8;  // u32: its byte offset in the file
inline constexpr std::size_t size = 12;
}  // namespace entry

// A block's type in its bit fields: the component of complex data (bits 0-1: 1 real, 2 imaginary,
// 3 amplitude), whose it is (bits 2-3: 1 the sample's, 2 the reference's, 3 their ratio), the kind
// of parameters (bits 4-9: 0 none, so data; 1 the data's status; 2 instrument, 3 acquisition,
// 4 transform, 6 optics, 10 sample), the kind of data (bits 10-16: 1 single channel,
// 2 interferogram, 3 phase, 4 absorbance, ...), its derivative (bits 17-18) and blocks of other
// kinds (bits 19-21: 2 a series, 5 the history).
struct block_type {
  std::uint32_t bits = 0;
  int complex_component() const { return static_cast<int>(bits & 3); }
  int channel() const { return static_cast<int>(bits >> 2 & 3); }
  int parameters() const { return static_cast<int>(bits >> 4 & 63); }
  int data() const { return static_cast<int>(bits >> 10 & 127); }
  int derivative() const { return static_cast<int>(bits >> 17 & 3); }
  int other() const { return static_cast<int>(bits >> 19 & 7); }
};

namespace kind {  // the kinds of data of bits 10-16
inline constexpr int single_channel = 1;
inline constexpr int interferogram = 2;
inline constexpr int phase = 3;
inline constexpr int series_of_interferograms = 8;
inline constexpr int series_of_spectra = 9;
inline constexpr int directory = 13;
}  // namespace kind
namespace parameters {  // the kinds of parameters of bits 4-9
inline constexpr int none = 0;
inline constexpr int data_status = 1;
}  // namespace parameters
inline constexpr int history = 5;  // bits 19-21
inline constexpr int channel_sample = 1;
inline constexpr int channel_reference = 2;

// A kind of data of bits 10-16: its short name, what it is, and the unit code of its y (-1 where
// the table of units has none).
struct kind_row {
  std::string_view name;
  std::string_view title;
  int y_code;
};
// The kind's row, or null for a kind without one.
const kind_row* kind_of(int data);
inline constexpr int kind_raman = 10;

// One entry of the directory, checked to lie within the file.
struct block {
  block_type type;
  std::size_t at = 0;     // its first byte
  std::size_t bytes = 0;  // its length
  std::size_t entry = 0;  // the byte offset of its directory entry
};

// The blocks of the directory in their order, each checked to lie within the file; an entry of
// offset 0 is unused and left out. A header or directory that does not fit the file is refused
// with the offset of the field or entry that says so.
spectrum::outcome read_directory(byte_view b, std::vector<block>& blocks);

// The short name a block's data goes by: "AB", "ScSm", "IgRf"; empty for none.
std::string data_name(block_type t);
// The derivative that a block holds, as a title ends with it: ", first derivative"; empty for
// none.
std::string_view derivative_of(block_type t);
// What the block is, as `info` shows it: "AB data", "ScSm data status", "sample optics
// parameters", "directory", "history".
std::string block_name(block_type t);

// One parameter: its key, and its value as a whole number, a real number or text.
struct parameter {
  std::string key;
  enum class kind { integer, real, text, other } type = kind::other;
  std::int32_t integer = 0;
  double real = 0.0;
  std::string text;  // as the file has it: its own code page, up to the first NUL
  std::size_t at = 0;
};

// The parameters of a block up to its END, in their order. A parameter that runs past the block,
// or a number too short for its type, is refused with its offset.
spectrum::outcome read_parameters(byte_view b, const block& k, std::vector<parameter>& out);

// The parameter of the key, or null.
const parameter* find(const std::vector<parameter>& all, std::string_view key);

}  // namespace opus
