// spa/spa_reader.cpp: .spa and .spg files read into a document: the directory of sections, each
// spectrum's header and data, the file's texts, and the facts that info shows.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "recio/byte_order.hpp"
#include "spa/spa.hpp"
#include "spa/spa_layout.hpp"
#include "spa/spa_texts.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/units.hpp"

namespace spa {

namespace {

using spectrum::byte_view;
using spectrum::trouble;
constexpr std::size_t none = std::numeric_limits<std::size_t>::max();

// An entry of the directory: what its section holds, where the entry is, where the section is.
struct section {
  std::uint8_t key = 0;
  std::size_t entry_at = 0;
  std::size_t offset = 0;
  std::size_t size = 0;
};

// The sections of one spectrum, as indices into the directory: its header and its data, and where
// the file gives them its title and its history.
struct member {
  std::size_t header = none, data = none, title = none, history = none;
};

// What a spectrum's header gives beyond its points.
struct header_values {
  std::uint32_t x_code = 0, y_code = 0;
  std::uint32_t scans = 0;  // 0: not given
  float laser = 0.0f;       // 0: not given
};

trouble at(std::string reason, std::size_t offset) {
  trouble t{std::move(reason)};
  t.offset = static_cast<std::int64_t>(offset);
  return t;
}

// A float to nine significant digits, as many as tell every float apart: the laser's 15798.666.
std::string nine_digits(float v) {
  char text[32];
  const auto [end, ec] =
      std::to_chars(text, text + sizeof text, double{v}, std::chars_format::general, 9);
  return std::string(text, ec == std::errc{} ? end : text);
}

// What a section's key says it holds, as info shows it.
std::string_view what_holds(std::uint8_t k) {
  switch (k) {
    case key::header:
      return "spectrum header";
    case key::data:
      return "data";
    case key::history:
      return "history";
    case key::member_title:
      return "title and date";
    case key::interferogram_header:
      return "interferogram header, skipped";
    case key::interferogram:
      return "interferogram, skipped";
    default:
      return "not read";
  }
}

// The x unit of a header's code: 1 wavenumbers, 2 data points, 3 nanometres, 4 micrometres, 32
// Raman shift.
spectrum::axis_unit x_unit_of(std::uint32_t code) {
  constexpr auto x = spectrum::axis::x;
  switch (code) {
    case 1:
      return spectrum::unit_of_code(1, x);
    case 2:
      return spectrum::unit_of_code(22, x);
    case 3:
      return spectrum::unit_of_code(3, x);
    case 4:
      return spectrum::unit_of_code(2, x);
    case 32:
      return spectrum::unit_of_code(13, x);
    default:
      return {-1, "unit code " + std::to_string(code)};
  }
}

// The y unit of a header's code: 11 reflectance, 12 log(1/R), 15 single beam, 16 transmittance, 17
// absorbance, 20 Kubelka-Munk, 22 volts (a detector's signal), 26 photoacoustic, 31 Raman
// intensity.
spectrum::axis_unit y_unit_of(std::uint32_t code) {
  constexpr auto y = spectrum::axis::y;
  switch (code) {
    case 11:
      return spectrum::unit_of_code(129, y);
    case 12:
      return spectrum::unit_of_code(10, y);
    case 15:
      return spectrum::unit_of_code(130, y);
    case 16:
      return spectrum::unit_of_code(128, y);
    case 17:
      return spectrum::unit_of_code(2, y);
    case 20:
      return spectrum::unit_of_code(3, y);
    case 22:
      return spectrum::unit_of_code(5, y);
    case 26:
      return {-1, "Photoacoustic"};
    case 31:
      return spectrum::unit_of_code(12, y);
    default:
      return {-1, "unit code " + std::to_string(code)};
  }
}

// The bytes of a section, which the directory has found inside the file.
std::string_view text_of(byte_view b, const section& s, std::size_t most = none) {
  return {reinterpret_cast<const char*>(b.data() + s.offset), std::min(s.size, most)};
}

// The directory's entries. A section that is read and runs past the end of the file is refused
// here, data when its header's count is known; one that is not read is a warning.
spectrum::outcome read_directory(byte_view b, std::vector<section>& out,
                                 std::vector<trouble>& warnings) {
  if (b.size() < file_header::directory)
    return at("the file ends at byte " + std::to_string(b.size()) +
                  ", before its section directory at " + std::to_string(file_header::directory),
              b.size());
  const std::size_t count = recio::get_u16le(b, file_header::sections);
  if (count == 0) return at("the section directory has no entries", file_header::sections);
  if ((b.size() - file_header::directory) / entry::bytes < count)
    return at(
        "section directory of " + std::to_string(count) + " entries runs past the end of the file",
        file_header::directory);
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t e = file_header::directory + i * entry::bytes;
    section& s = out.emplace_back();
    s.key = b[e + entry::key];
    s.entry_at = e;
    s.offset = recio::get_u32le(b, e + entry::offset);
    s.size = recio::get_u32le(b, e + entry::size);
    if (s.key == key::data) continue;
    // A section that is not read is only named where it is cut short.
    const bool read = s.key == key::header || s.key == key::history || s.key == key::member_title;
    if (!read && (s.offset > b.size() || b.size() - s.offset < s.size)) {
      warnings.push_back(at("section of key " + std::to_string(s.key) + " at " +
                                std::to_string(s.offset) + " runs past the end of the file",
                            e));
      continue;
    }
    if (s.offset > b.size())
      return at("section of key " + std::to_string(s.key) + " at " + std::to_string(s.offset) +
                    " starts past the end of the file (" + std::to_string(b.size()) + " bytes)",
                e);
    if (b.size() - s.offset < s.size)
      return at("section of key " + std::to_string(s.key) + " needs " + std::to_string(s.size) +
                    " bytes, the file has " + std::to_string(b.size() - s.offset) +
                    " from offset " + std::to_string(s.offset),
                s.offset);
  }
  return std::nullopt;
}

// Each header begins a spectrum, and the data, title and history after it are that spectrum's;
// those before the first header are the first spectrum's.
spectrum::outcome gather(const std::vector<section>& sections, std::vector<member>& members) {
  member early;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const std::uint8_t k = sections[i].key;
    if (k == key::header) {
      members.push_back({.header = i});
      continue;
    }
    member& m = members.empty() ? early : members.back();
    std::size_t* slot = k == key::data           ? &m.data
                        : k == key::member_title ? &m.title
                        : k == key::history      ? &m.history
                                                 : nullptr;
    if (slot == nullptr) continue;
    if (*slot != none && k == key::data)
      return at("a second data section for one spectrum header", sections[i].entry_at);
    if (*slot == none) *slot = i;
  }
  if (members.empty())
    return at("the section directory names no spectrum header", file_header::directory);
  member& first = members.front();
  for (const auto piece : {&member::data, &member::title, &member::history})
    if (first.*piece == none) first.*piece = early.*piece;
  for (const member& m : members)
    if (m.data == none)
      return at("spectrum header at " + std::to_string(sections[m.header].offset) +
                    " has no data section",
                sections[m.header].entry_at);
  return std::nullopt;
}

// The header's count of points, checked against the options and the data section.
spectrum::outcome count_points(byte_view b, const section& h, const section& d,
                               const spectrum::read_options& options, std::size_t& points) {
  if (h.size < spectrum_header::least)
    return at("spectrum header of " + std::to_string(h.size) + " bytes, fewer than " +
                  std::to_string(spectrum_header::least),
              h.offset);
  points = recio::get_u32le(b, h.offset + spectrum_header::points);
  const std::size_t count_at = h.offset + spectrum_header::points;
  if (points == 0) return at("spectrum header gives no points", count_at);
  if (points > options.most_points) {
    trouble t = spectrum::too_many_points(options.most_points);
    t.offset = static_cast<std::int64_t>(count_at);
    return t;
  }
  const std::uint64_t needs = std::uint64_t{points} * 4;
  if (d.offset > b.size())
    return at("data section at " + std::to_string(d.offset) + " starts past the end of the file (" +
                  std::to_string(b.size()) + " bytes)",
              d.entry_at);
  if (d.size != needs)
    return at("data section of " + std::to_string(d.size) + " bytes does not hold the header's " +
                  std::to_string(points) + " points (" + std::to_string(needs) + " bytes)",
              d.entry_at);
  if (b.size() - d.offset < needs)
    return at("data section of " + std::to_string(points) + " points needs " +
                  std::to_string(needs) + " bytes, the file has " +
                  std::to_string(b.size() - d.offset) + " from offset " + std::to_string(d.offset),
              d.offset);
  return std::nullopt;
}

// One spectrum from its header and data section, whose count count_points has checked.
spectrum::outcome read_spectrum(byte_view b, const section& h, const section& d, std::size_t points,
                                const spectrum::read_options& options, spectrum::spectrum& t,
                                header_values& values) {
  values.x_code = recio::get_u32le(b, h.offset + spectrum_header::x_unit);
  values.y_code = recio::get_u32le(b, h.offset + spectrum_header::y_unit);
  for (const std::size_t end : {spectrum_header::first_x, spectrum_header::last_x}) {
    const float v = recio::get_f32le(b, h.offset + end);
    if (!std::isfinite(v)) return at("an end of the x axis that is not a number", h.offset + end);
    (end == spectrum_header::first_x ? t.first_x : t.last_x) = v;
  }
  if (h.size >= spectrum_header::scans + 4)
    values.scans = recio::get_u32le(b, h.offset + spectrum_header::scans);
  if (h.size >= spectrum_header::laser + 4) {
    const float laser = recio::get_f32le(b, h.offset + spectrum_header::laser);
    if (std::isfinite(laser) && laser > 0.0f) values.laser = laser;
  }
  t.y.resize(points);
  for (std::size_t i = 0; i < points; ++i) {
    const float v = recio::get_f32le(b, d.offset + 4 * i);
    if (!std::isfinite(v))
      return at("y value " + std::to_string(i + 1) + " is not a number", d.offset + 4 * i);
    t.y[i] = v;
  }
  t.x_stored = false;
  if (options.even_x_values) t.x = spectrum::even_x(t.first_x, t.last_x, points);
  return std::nullopt;
}

// The facts for info: each section of the directory, and what each spectrum is.
void add_facts(const std::vector<section>& sections, const std::vector<member>& members,
               spectrum::document& doc) {
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const section& s = sections[i];
    doc.facts.push_back({"section " + std::to_string(i + 1),
                         "key " + std::to_string(s.key) + " at " + std::to_string(s.offset) + ", " +
                             std::to_string(s.size) + " bytes: " + std::string{what_holds(s.key)}});
  }
  for (std::size_t i = 0; i < members.size(); ++i)
    doc.facts.push_back({"sections of spectrum " + std::to_string(i + 1),
                         "header at " + std::to_string(sections[members[i].header].offset) +
                             ", data at " + std::to_string(sections[members[i].data].offset)});
}

}  // namespace

bool recognises(spectrum::byte_view head) {
  const std::string_view magic = file_header::magic;
  return head.size() >= magic.size() &&
         std::string_view{reinterpret_cast<const char*>(head.data()), magic.size()} == magic;
}

spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc) {
  const byte_view b = file.bytes;
  doc.format = "spa";
  if (!recognises(b)) return at("the file does not begin with \"Spectral Data File\"", 0);
  std::vector<section> sections;
  if (auto t = read_directory(b, sections, doc.warnings)) return t;
  std::vector<member> members;
  if (auto t = gather(sections, members)) return t;
  // Every count is checked before any spectrum takes memory; data sections that claim more bytes
  // together than the file has overlap, and would multiply its size.
  std::vector<std::size_t> points(members.size());
  std::uint64_t all_bytes = 0;
  for (std::size_t i = 0; i < members.size(); ++i) {
    const section& d = sections[members[i].data];
    if (auto t = count_points(b, sections[members[i].header], d, options, points[i])) return t;
    all_bytes += d.size;
    if (all_bytes > b.size()) return at("data sections overlap", d.entry_at);
  }
  const bool group = members.size() > 1 || members.front().title != none;
  if (group) doc.variant = "group";
  doc.memo = one_line(text_of(b, {.offset = file_header::title, .size = file_header::title_size}));
  std::vector<header_values> values(members.size());
  std::vector<std::uint32_t> dates(members.size(), 0);
  doc.spectra.resize(members.size());
  for (std::size_t i = 0; i < members.size(); ++i) {
    const member& m = members[i];
    spectrum::spectrum& t = doc.spectra[i];
    if (auto trouble = read_spectrum(b, sections[m.header], sections[m.data], points[i], options, t,
                                     values[i]))
      return trouble;
    t.title = doc.memo;
    if (m.title != none) {
      const section& s = sections[m.title];
      t.title = one_line(text_of(b, s, member_title::title_size));
      if (s.size >= member_title::date + 4)
        dates[i] = recio::get_u32le(b, s.offset + member_title::date);
    }
  }
  // A group's members are placed by the time each was acquired where each gives it.
  const bool dated = std::find(dates.begin(), dates.end(), 0u) == dates.end();
  const std::uint32_t earliest = dated ? *std::min_element(dates.begin(), dates.end()) : 0;
  if (group) {
    doc.z_unit = dated ? spectrum::unit_of_code(4, spectrum::axis::z)
                       : spectrum::axis_unit{-1, "position in the group"};
    if (dated) doc.facts.push_back({"z", "seconds since the group's first spectrum was acquired"});
    for (std::size_t i = 0; i < members.size(); ++i)
      doc.spectra[i].z = static_cast<double>(dated ? dates[i] - earliest : i + 1);
  }
  // The file counts time in UTC, which the date does not hold.
  doc.date = date_of(dates.front() != 0 ? dates.front() : recio::get_u32le(b, file_header::date));
  if (doc.date.year != 0) doc.labels.emplace_back("$TIME ZONE", "UTC");

  const header_values& first = values.front();
  doc.x_unit = x_unit_of(first.x_code);
  doc.y_unit = y_unit_of(first.y_code);
  for (std::size_t i = 1; i < members.size(); ++i)
    if (values[i].x_code != first.x_code || values[i].y_code != first.y_code)
      doc.warnings.push_back(at("spectrum " + std::to_string(i + 1) +
                                    " has units other than the first's; the first's are kept",
                                sections[members[i].header].offset));
  doc.experiment_type =
      spectrum::experiment_of(first.x_code == 32 ? "RAMAN SPECTRUM" : "INFRARED SPECTRUM");
  doc.experiment = std::string{spectrum::experiment_name(doc.experiment_type)};
  if (first.laser > 0.0f) doc.labels.emplace_back("$LASER WAVENUMBER", nine_digits(first.laser));
  if (first.scans > 0) doc.labels.emplace_back("$SCANS", std::to_string(first.scans));

  // The history of each spectrum, once where the members next to each other share it.
  std::vector<std::string> histories;
  for (const member& m : members) {
    if (m.history == none) continue;
    const std::string_view raw = text_of(b, sections[m.history]);
    if (!doc.resolution) doc.resolution = resolution_in(raw);
    std::string text = lines_of(raw);
    if (!text.empty() && (histories.empty() || histories.back() != text))
      histories.push_back(std::move(text));
  }
  for (const std::string& h : histories) doc.log += (doc.log.empty() ? "" : "\n\n") + h;
  add_facts(sections, members, doc);
  return std::nullopt;
}

}  // namespace spa
