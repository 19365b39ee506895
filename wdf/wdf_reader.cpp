// wdf/wdf_reader.cpp: the Raman .wdf file read into a document: its chain of blocks, the header
// block's counts, units and texts, the x list and the spectra of the data block.
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "recio/byte_order.hpp"
#include "recio/text_scan.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/units.hpp"
#include "wdf/wdf.hpp"
#include "wdf/wdf_layout.hpp"
#include "wdf/wdf_origins.hpp"

namespace wdf {

namespace {

using recio::get_f32le;
using recio::get_u16le;
using recio::get_u32le;
using recio::get_u64le;
using spectrum::byte_view;

// One block of the chain: where it begins, its id and its size, its head included.
struct block {
  std::size_t at;
  std::string id;
  std::size_t size;
};

// A block's id as text, each byte that is not a printable letter as '?'.
std::string id_at(byte_view b, std::size_t at) {
  std::string id;
  for (std::size_t i = 0; i < 4; ++i)
    id += b[at + i] < 0x20 || b[at + i] >= 0x7f ? '?' : static_cast<char>(b[at + i]);
  return id;
}

// The blocks one after the other to the end of the file; a trouble where a head or a block runs
// past the end, or a block is smaller than its own head.
spectrum::outcome chain_of(byte_view b, std::vector<block>& blocks) {
  std::size_t at = 0;
  while (at < b.size()) {
    const std::size_t left = b.size() - at;
    if (left < block_head::bytes)
      return trouble_at("a block's head needs 16 bytes, the file has " + std::to_string(left) +
                            " from offset " + std::to_string(at),
                        at);
    const std::string id = id_at(b, at);
    const std::uint64_t size = get_u64le(b, at + block_head::size);
    if (size < block_head::bytes)
      return trouble_at("block " + id + " claims " + std::to_string(size) +
                            " bytes, fewer than its own head of 16",
                        at);
    if (size > left)
      return trouble_at("block " + id + " of " + std::to_string(size) +
                            " bytes runs past the end of the file, which has " +
                            std::to_string(left) + " from offset " + std::to_string(at),
                        at);
    blocks.push_back({at, id, static_cast<std::size_t>(size)});
    at += static_cast<std::size_t>(size);
  }
  return std::nullopt;
}

// The first block of an id, or null.
const block* find(const std::vector<block>& blocks, std::string_view id) {
  for (const block& k : blocks)
    if (k.id == id) return &k;
  return nullptr;
}

// Whether the bytes are UTF-8 throughout: each lead byte followed by as many continuation bytes
// as it announces.
bool is_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t more = c < 0x80                ? 0
                             : c >= 0xc2 && c < 0xe0 ? 1
                             : c >= 0xe0 && c < 0xf0 ? 2
                             : c >= 0xf0 && c < 0xf5 ? 3
                                                     : 9;
    if (more > 3 || s.size() - i <= more) return more == 0;
    for (std::size_t k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) return false;
    i += more + 1;
  }
  return true;
}

// The text of a field of at most n bytes, ending at its first zero byte: UTF-8 as the file writes
// it, or Latin-1 where the bytes are not UTF-8; control characters as blanks, no blanks at either
// end.
std::string text_at(byte_view b, std::size_t at, std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n && b[at + i] != 0; ++i)
    s += b[at + i] < 0x20 || b[at + i] == 0x7f ? ' ' : static_cast<char>(b[at + i]);
  s = std::string{recio::trimmed(s)};
  return is_utf8(s) ? s : recio::utf8_of_latin1(s);
}

// The unit of a code of the file on an axis: SPC's where it has one, else the file's name.
spectrum::axis_unit unit_on(std::uint32_t code, spectrum::axis which) {
  const unit_row u = unit_of(code);
  const int spc = which == spectrum::axis::y ? u.y_code : u.x_code;
  if (spc >= 0) return spectrum::unit_of_code(spc, which);
  return {-1, u.name.empty() ? "unit " + std::to_string(code) : std::string{u.name}};
}

// A float of the file to the nine significant digits that read back as the very same float:
// float_text(18788.16015625f) == "18788.1602".
std::string float_text(float v) {
  char text[32];
  return {text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, 9).ptr};
}

// The header's texts, counts, times and laser as the document's fields and labels.
void take_header(byte_view b, spectrum::document& doc) {
  doc.memo = text_at(b, header::title, 160);
  const std::string user = text_at(b, header::user, 32);
  std::string software = text_at(b, header::appname, 24);
  if (!software.empty()) {
    software += " " + std::to_string(get_u16le(b, header::appversion));
    for (std::size_t i = 1; i < 4; ++i)
      software += "." + std::to_string(get_u16le(b, header::appversion + 2 * i));
    doc.instrument = software;
  }
  doc.experiment_type = spectrum::experiment_of("RAMAN SPECTRUM");
  doc.experiment = std::string{spectrum::experiment_name(doc.experiment_type)};
  const float laser = get_f32le(b, header::laserwavenum);
  if (std::isfinite(laser) && laser > 0) {
    doc.labels.emplace_back("$LASER WAVENUMBER", float_text(laser));
    doc.labels.emplace_back("$LASER WAVELENGTH", float_text(1e7f / laser));
  }
  const std::uint32_t type = get_u32le(b, header::type), scan = get_u32le(b, header::scantype);
  const std::string_view measurement = measurement_name(type), scan_type = scan_name(scan);
  doc.labels.emplace_back("$MEASUREMENT",
                          measurement.empty() ? std::to_string(type) : std::string{measurement});
  doc.labels.emplace_back("$SCAN TYPE",
                          scan_type.empty() ? std::to_string(scan) : std::string{scan_type});
  doc.labels.emplace_back("$ACCUMULATIONS", std::to_string(get_u32le(b, header::naccum)));
  if (!user.empty()) doc.labels.emplace_back("$OPERATOR", user);
  if (!software.empty()) doc.labels.emplace_back("$SOFTWARE", software);
  const std::string start = iso_of_ticks(get_u64le(b, header::time_start));
  const std::string end = iso_of_ticks(get_u64le(b, header::time_end));
  if (!start.empty()) doc.labels.emplace_back("$MEASUREMENT START", start);
  if (!end.empty()) doc.labels.emplace_back("$MEASUREMENT END", end);
}

// The facts for `info`: every block, what the header counts, the map's shape.
void add_facts(byte_view b, const std::vector<block>& blocks, spectrum::document& doc) {
  std::vector<std::string> chain, skipped;
  for (const block& k : blocks) {
    chain.push_back(k.id + " at " + std::to_string(k.at) + " (" + std::to_string(k.size) +
                    " bytes)");
    if (k.id != "WDF1" && k.id != "DATA" && k.id != "XLST" && k.id != "ORGN" && k.id != "TEXT" &&
        k.id != "WMAP")
      skipped.push_back(k.id);
  }
  doc.facts.push_back({"blocks", chain});
  if (!skipped.empty()) doc.facts.push_back({"blocks passed over", skipped});
  const std::string_view measurement = measurement_name(get_u32le(b, header::type));
  doc.facts.push_back({"measurement", std::string{measurement.empty() ? "unknown" : measurement}});
  doc.facts.push_back({"points a spectrum", std::int64_t{get_u32le(b, header::npoints)}});
  doc.facts.push_back(
      {"room for spectra", static_cast<std::int64_t>(get_u64le(b, header::nspectra))});
  doc.facts.push_back(
      {"spectra collected", static_cast<std::int64_t>(get_u64le(b, header::ncollected))});
  doc.facts.push_back({"y list values", std::int64_t{get_u32le(b, header::ylistcount)}});
  const block* map = find(blocks, "WMAP");
  if (map && map->size >= map_area::bytes) {
    const std::size_t at = map->at;
    std::string shape, from, step;
    for (std::size_t i = 0; i < 3; ++i) {
      const std::string_view by = i == 0 ? "" : " x ";
      shape += std::string{by} + std::to_string(get_u32le(b, at + map_area::size + 4 * i));
      from +=
          std::string{i == 0 ? "" : ", "} + shortest(get_f32le(b, at + map_area::offset + 4 * i));
      step += std::string{i == 0 ? "" : ", "} + shortest(get_f32le(b, at + map_area::step + 4 * i));
    }
    doc.facts.push_back({"map", shape + " points from (" + from + ") by (" + step + ")"});
  }
}

// The x list: the XLST block's values, of as many as the spectra have points, and their unit; x
// numbered from 0 where the file has no list.
spectrum::outcome x_list_of(byte_view b, const std::vector<block>& blocks, std::uint32_t points,
                            std::vector<double>& x, spectrum::document& doc) {
  const block* list = find(blocks, "XLST");
  if (!list) {
    x.resize(points);
    for (std::uint32_t i = 0; i < points; ++i) x[i] = i;
    doc.x_unit = spectrum::unit_of_code(22, spectrum::axis::x);
    return std::nullopt;
  }
  const std::uint32_t count = get_u32le(b, header::xlistcount);
  if (count != points)
    return trouble_at("x list of " + std::to_string(count) + " values for spectra of " +
                          std::to_string(points) + " points",
                      header::xlistcount);
  if (list->size < value_list::values + std::size_t{4} * points)
    return trouble_at("XLST block of " + std::to_string(list->size) + " bytes has no room for " +
                          std::to_string(points) + " x values",
                      list->at);
  doc.x_unit = unit_on(get_u32le(b, list->at + value_list::unit), spectrum::axis::x);
  doc.facts.push_back(
      {"x list", std::string{data_type_name(get_u32le(b, list->at + value_list::type))}});
  x.resize(points);
  for (std::uint32_t i = 0; i < points; ++i) {
    const std::size_t at = list->at + value_list::values + std::size_t{4} * i;
    x[i] = get_f32le(b, at);
    if (!std::isfinite(x[i])) return trouble_at("an x value that is not a number", at);
  }
  return std::nullopt;
}

}  // namespace

bool recognises(spectrum::byte_view head) {
  return head.size() >= block_head::bytes && id_at(head, 0) == "WDF1";
}

spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc) {
  doc.format = "wdf";
  const byte_view b = file.bytes;
  if (!recognises(b)) return trouble_at("no header block WDF1 at the start", 0);
  if (const std::uint64_t size = get_u64le(b, block_head::size); size < header::bytes)
    return trouble_at("header block WDF1 of " + std::to_string(size) + " bytes, fewer than 512", 0);
  std::vector<block> blocks;
  if (auto t = chain_of(b, blocks)) return t;
  const std::uint32_t points = get_u32le(b, header::npoints);
  const std::uint64_t room = get_u64le(b, header::nspectra);
  const std::uint64_t collected = get_u64le(b, header::ncollected);
  if (points == 0) return trouble_at("spectra of no points", header::npoints);
  if (points > options.most_points) {
    spectrum::trouble t = spectrum::too_many_points(options.most_points);
    t.offset = header::npoints;
    return t;
  }
  if (collected == 0) return trouble_at("no spectrum collected", header::ncollected);
  if (collected > room)
    return trouble_at(std::to_string(collected) + " spectra collected, more than the " +
                          std::to_string(room) + " the data block has room for",
                      header::ncollected);
  const block* data = find(blocks, "DATA");
  if (!data) return trouble_at("no DATA block", b.size());
  // The data block holds room spectra of points f32 values each, the collected ones first.
  const std::uint64_t values = (data->size - block_head::bytes) / 4;
  if ((data->size - block_head::bytes) % 4 != 0 || room > values / points ||
      room * points != values)
    return trouble_at("DATA block of " + std::to_string(data->size) + " bytes does not hold " +
                          std::to_string(room) + " spectra of " + std::to_string(points) +
                          " points",
                      data->at);
  const auto n = static_cast<std::size_t>(collected);
  add_facts(b, blocks, doc);
  std::vector<double> x;
  if (auto t = x_list_of(b, blocks, points, x, doc)) return t;
  doc.y_unit = unit_on(get_u32le(b, header::units), spectrum::axis::y);
  origins o;
  if (const block* list = find(blocks, "ORGN"))
    if (auto t =
            read_origins(b, list->at, list->size, room, n, get_u64le(b, header::time_start), o))
      return t;
  take_header(b, doc);
  const std::uint64_t when = o.first_time != 0 ? o.first_time : get_u64le(b, header::time_start);
  if (date_of_ticks(when, doc.date)) doc.labels.emplace_back("$ACQUIRED", iso_of_ticks(when));
  if (const block* text = find(blocks, "TEXT"))
    doc.log = text_at(b, text->at + block_head::bytes, text->size - block_head::bytes);
  if (!o.lists.empty()) doc.facts.push_back({"origin lists", o.lists});
  // Without origin lists the spectra are numbered from 0: a z of no unit.
  doc.z_unit = o.z.empty() ? spectrum::unit_of_code(0, spectrum::axis::z) : o.z_unit;
  // Evenly spaced x keep only their ends, as the file's other formats would store them.
  const bool even = spectrum::even_as_printed(x);
  if (even && options.even_x_values) x = spectrum::even_x(x.front(), x.back(), x.size());
  const double first = x.front(), last = x.back();
  if (even && !options.even_x_values) x.clear();
  doc.spectra.reserve(n);
  for (std::size_t k = 0; k < n; ++k) {
    spectrum::spectrum& t = doc.spectra.emplace_back();
    t.x = x;
    t.x_stored = !even;
    t.first_x = first;
    t.last_x = last;
    t.z = o.z.empty() ? static_cast<double>(k) : o.z[k];
    if (!o.titles.empty()) t.title = std::move(o.titles[k]);
    t.y.resize(points);
    const std::size_t from = data->at + block_head::bytes + k * points * std::size_t{4};
    for (std::uint32_t i = 0; i < points; ++i) {
      const float v = get_f32le(b, from + std::size_t{4} * i);
      if (!std::isfinite(v))
        return trouble_at("spectrum " + std::to_string(k + 1) + " has a value that is not a number",
                          from + std::size_t{4} * i);
      t.y[i] = v;
    }
  }
  return std::nullopt;
}

}  // namespace wdf
