// opus/opus_blocks.cpp: the FTIR block file's directory and parameter blocks read from its bytes,
// and the names of its kinds of blocks.
#include "opus/opus_blocks.hpp"

#include <array>
#include <string>

#include "recio/byte_order.hpp"

namespace opus {

namespace {

using spectrum::trouble;

// The kinds of data of bits 10-16, from 1 on.
constexpr std::array<kind_row, 19> kinds{{
    {"Sc", "single channel", -1},
    {"Ig", "interferogram", 1},
    {"Ph", "phase", -1},
    {"AB", "absorbance", 2},
    {"TR", "transmittance", 128},
    {"KM", "Kubelka-Munk", 3},
    {"TRC", "trace", 12},
    {"GCIg", "series of interferograms", -1},
    {"GCSc", "series of spectra", -1},
    {"RAM", "Raman", 12},
    {"EMI", "emission", 131},
    {"RFL", "reflectance", 129},
    {"DIR", "directory", -1},
    {"POW", "power", -1},
    {"LRF", "log reflectance", -1},
    {"ATR", "ATR", -1},
    {"PAS", "photoacoustic", -1},
    {"ArT", "transmittance by arithmetic", 128},
    {"ArA", "absorbance by arithmetic", 2},
}};

// The kinds of parameters of bits 4-9, from 2 on.
constexpr std::array<std::string_view, 10> parameter_names{
    "instrument",     "acquisition", "transform",     "display", "optics",
    "chromatography", "library",     "communication", "sample",  "lab and process"};

constexpr std::array<std::string_view, 4> derivatives{"", ", first derivative",
                                                      ", second derivative", ", derivative"};

std::string bytes_text(std::size_t n) { return std::to_string(n); }

}  // namespace

spectrum::outcome read_directory(byte_view b, std::vector<block>& blocks) {
  if (b.size() < header::size)
    return trouble{"the header needs 24 bytes, the file has " + bytes_text(b.size()), 0,
                   static_cast<std::int64_t>(b.size())};
  if (recio::get_u32le(b, header::magic) != header::magic_value)
    return trouble{"no FTIR block file: it does not begin with the bytes 0A 0A FE FE", 0, 0};
  const std::int64_t at = recio::get_i32le(b, header::directory);
  const std::int64_t most = recio::get_i32le(b, header::most_blocks);
  const std::int64_t count = recio::get_i32le(b, header::blocks);
  if (count < 1 || count > most)
    return trouble{"a directory of " + std::to_string(count) + " blocks where it has room for " +
                       std::to_string(most),
                   0, static_cast<std::int64_t>(header::blocks)};
  const auto size = static_cast<std::int64_t>(b.size());
  if (at < static_cast<std::int64_t>(header::size) || at > size ||
      (size - at) / static_cast<std::int64_t>(entry::size) < count)
    return trouble{"the block directory of " + std::to_string(count) + " entries at byte " +
                       std::to_string(at) + " runs past the end of the file (" +
                       std::to_string(size) + " bytes)",
                   0, static_cast<std::int64_t>(header::directory)};
  blocks.clear();
  for (std::int64_t i = 0; i < count; ++i) {
    const auto e = static_cast<std::size_t>(at + i * static_cast<std::int64_t>(entry::size));
    block k;
    k.type.bits = recio::get_u32le(b, e + entry::type);
    const std::uint64_t words = recio::get_u32le(b, e + entry::words);
    const std::uint64_t offset = recio::get_u32le(b, e + entry::offset);
    if (offset == 0) continue;
    if (offset > b.size() || (b.size() - offset) / 4 < words)
      return trouble{"block " + std::to_string(i + 1) + " (" + block_name(k.type) + ") of " +
                         std::to_string(words * 4) + " bytes at byte " + std::to_string(offset) +
                         " runs past the end of the file (" + std::to_string(size) + " bytes)",
                     0, static_cast<std::int64_t>(e)};
    k.at = static_cast<std::size_t>(offset);
    k.bytes = static_cast<std::size_t>(words * 4);
    k.entry = e;
    blocks.push_back(k);
  }
  return std::nullopt;
}

const kind_row* kind_of(int data) {
  if (data < 1 || data > static_cast<int>(kinds.size())) return nullptr;
  return &kinds[static_cast<std::size_t>(data - 1)];
}

std::string data_name(block_type t) {
  const kind_row* k = kind_of(t.data());
  if (k == nullptr) return "kind " + std::to_string(t.data());
  std::string name{k->name};
  if (t.channel() == channel_sample) name += "Sm";
  if (t.channel() == channel_reference) name += "Rf";
  return name;
}

std::string_view derivative_of(block_type t) {
  return derivatives[static_cast<std::size_t>(t.derivative())];
}

std::string block_name(block_type t) {
  if (t.bits == 0) return "empty";
  if (t.other() == history) return "history";
  if (t.other() != 0) return data_name(t) + " of other kind " + std::to_string(t.other());
  if (t.data() == kind::directory) return "directory";
  const int p = t.parameters();
  if (p == parameters::none) {
    std::string name = data_name(t) + " data";
    if (t.complex_component() == 1) name += ", real component";
    if (t.complex_component() == 2) name += ", imaginary component";
    return name + std::string{derivative_of(t)};
  }
  if (p == parameters::data_status)
    return data_name(t) + " data status" + std::string{derivative_of(t)};
  const std::string whose = t.channel() == channel_reference ? "reference " : "";
  if (p - 2 < static_cast<int>(parameter_names.size()))
    return whose + std::string{parameter_names[static_cast<std::size_t>(p - 2)]} + " parameters";
  return whose + "parameters of kind " + std::to_string(p);
}

spectrum::outcome read_parameters(byte_view b, const block& k, std::vector<parameter>& out) {
  out.clear();
  const std::size_t end = k.at + k.bytes;  // within the file: the directory checked it
  std::size_t at = k.at;
  while (end - at >= 8) {
    const std::string_view key{reinterpret_cast<const char*>(b.data() + at), 3};
    if (key == "END") break;
    parameter p;
    p.key = std::string{key};
    for (char& c : p.key)  // shown in messages: a damaged key's bytes as '?'
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) c = '?';
    p.at = at;
    const std::uint16_t type = recio::get_u16le(b, at + 4);
    const std::size_t bytes = std::size_t{recio::get_u16le(b, at + 6)} * 2;
    if (end - at - 8 < bytes)
      return trouble{"parameter " + p.key + " of " + std::to_string(bytes) +
                         " bytes runs past the end of its block (" + block_name(k.type) +
                         " at byte " + std::to_string(k.at) + ")",
                     0, static_cast<std::int64_t>(at)};
    const std::size_t value = at + 8;
    if ((type == 0 && bytes < 4) || (type == 1 && bytes < 8))
      return trouble{"parameter " + p.key + " holds " + std::to_string(bytes) +
                         " bytes, too few for a number (" + block_name(k.type) + " at byte " +
                         std::to_string(k.at) + ")",
                     0, static_cast<std::int64_t>(at)};
    if (type == 0) {
      p.type = parameter::kind::integer;
      p.integer = recio::get_i32le(b, value);
    } else if (type == 1) {
      p.type = parameter::kind::real;
      p.real = recio::get_f64le(b, value);
    } else if (type >= 2 && type <= 4) {  // text, a choice's text, a choice's text of a list
      p.type = parameter::kind::text;
      const std::string_view text{reinterpret_cast<const char*>(b.data() + value), bytes};
      p.text = std::string{text.substr(0, text.find('\0'))};
    }
    out.push_back(std::move(p));
    at = value + bytes;
  }
  return std::nullopt;
}

const parameter* find(const std::vector<parameter>& all, std::string_view key) {
  for (const parameter& p : all)
    if (p.key == key) return &p;
  return nullptr;
}

}  // namespace opus
