// wdf/wdf_origins.cpp: the .wdf file's origin lists made each spectrum's z and title, and its
// times made dates.
#include "wdf/wdf_origins.hpp"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "recio/byte_order.hpp"
#include "recio/text_scan.hpp"
#include "spectrum/units.hpp"
#include "wdf/wdf_layout.hpp"

namespace wdf {

namespace {

using recio::get_f64le;
using recio::get_u32le;
using recio::get_u64le;

// 100 ns ticks in a second, and days from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t ticks_a_second = 10'000'000;
constexpr std::int64_t days_before_1970 = 134'774;
// The ticks of 10000-01-01: later times are no dates.
constexpr std::uint64_t ticks_of_year_10000 = 2'650'467'744'000'000'000;

// One origin list: where its values begin, its kind of data and unit, and its name.
struct listed {
  std::size_t values_at;
  std::uint32_t type;
  std::uint32_t unit;
  bool primary;
  std::string name;
};

// Whether a list's values are 64-bit whole numbers rather than f64.
bool whole_numbers(const listed& l) {
  return l.type == data_type::time || l.type == data_type::flags || l.type == data_type::checksum;
}

// Whether a list gives each spectrum a position or a time, rather than flags or a checksum.
bool is_place(const listed& l) {
  return l.type != data_type::flags && l.type != data_type::checksum;
}

// The list's name as the file gives it, else its kind's: "X", "Time".
std::string name_of(spectrum::byte_view b, std::size_t at, std::uint32_t type) {
  std::string name;
  for (std::size_t i = 0; i < 16 && b[at + i] != 0; ++i)
    name += b[at + i] < 0x20 || b[at + i] >= 0x7f ? ' ' : static_cast<char>(b[at + i]);
  name = std::string{recio::trimmed(name)};
  return name.empty() ? std::string{data_type_name(type)} : name;
}

// The values of a list for the collected spectra, times as seconds from start; a trouble at the
// first that is not a finite number.
spectrum::outcome values_of(spectrum::byte_view b, const listed& l, std::size_t collected,
                            std::uint64_t start, std::vector<double>& v) {
  v.resize(collected);
  for (std::size_t k = 0; k < collected; ++k) {
    const std::size_t at = l.values_at + 8 * k;
    if (l.type == data_type::time && l.unit == file_time_unit) {
      // The difference of two tick counts, taken as signed: a time before the start is negative.
      const auto ticks = static_cast<std::int64_t>(get_u64le(b, at) - start);
      v[k] = static_cast<double>(ticks) / static_cast<double>(ticks_a_second);
    } else if (whole_numbers(l)) {
      v[k] = static_cast<double>(static_cast<std::int64_t>(get_u64le(b, at)));
    } else {
      v[k] = get_f64le(b, at);
      if (!std::isfinite(v[k]))
        return trouble_at("origin list " + l.name + " has a value that is not a number", at);
    }
  }
  return std::nullopt;
}

// The unit of a list's values on z: seconds for times of day, which are read as seconds.
spectrum::axis_unit z_unit_of(const listed& l) {
  if (l.type == data_type::time && l.unit == file_time_unit)
    return spectrum::unit_of_code(4, spectrum::axis::z);
  const unit_row u = unit_of(l.unit);
  if (u.x_code >= 0) return spectrum::unit_of_code(u.x_code, spectrum::axis::z);
  return {-1, std::string{u.name}};
}

// The symbol that follows a list's values in a title: "µm", "s".
std::string_view symbol_of(const listed& l) {
  return l.type == data_type::time && l.unit == file_time_unit ? "s" : unit_of(l.unit).symbol;
}

}  // namespace

spectrum::outcome read_origins(spectrum::byte_view b, std::size_t block_at, std::size_t block_size,
                               std::uint64_t room, std::size_t collected, std::uint64_t time_start,
                               origins& out) {
  const std::size_t end = block_at + block_size;
  const std::size_t lists_at = block_at + origin_list::first;
  if (block_size < origin_list::first)
    return trouble_at(
        "ORGN block of " + std::to_string(block_size) + " bytes has no count of lists", block_at);
  const std::uint64_t count = get_u32le(b, block_at + origin_list::count);
  const std::uint64_t space = end - lists_at;
  // Each list takes its head and 8 bytes for each spectrum the data block has room for.
  const std::uint64_t each = count == 0 ? space : space / count;
  if (count > 0 && (each < origin_list::values || room > (each - origin_list::values) / 8))
    return trouble_at("ORGN block of " + std::to_string(block_size) + " bytes has no room for " +
                          std::to_string(count) + " lists of " + std::to_string(room) + " values",
                      block_at);
  const std::uint64_t stride = origin_list::values + 8 * room;
  std::vector<listed> lists;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = lists_at + i * stride;
    const std::uint32_t type = get_u32le(b, at + origin_list::type);
    const std::uint32_t kind = type & ~origin_list::primary;
    lists.push_back({.values_at = at + origin_list::values,
                     .type = kind,
                     .unit = get_u32le(b, at + origin_list::unit),
                     .primary = (type & origin_list::primary) != 0,
                     .name = name_of(b, at + origin_list::name, kind)});
  }
  // Times count from the start of the measurement, or from the first spectrum's.
  std::uint64_t start = time_start;
  for (const listed& l : lists)
    if (l.type == data_type::time && l.unit == file_time_unit && collected > 0) {
      out.first_time = get_u64le(b, l.values_at);
      if (start == 0) start = out.first_time;
      break;
    }
  std::vector<std::vector<double>> values(lists.size());
  for (std::size_t i = 0; i < lists.size(); ++i)
    if (is_place(lists[i]))
      if (auto t = values_of(b, lists[i], collected, start, values[i])) return t;
  // z: the primary list, else the first whose values differ, else the time, else the first.
  std::size_t z = lists.size();
  for (std::size_t i = 0; i < lists.size() && z == lists.size(); ++i)
    if (is_place(lists[i]) && lists[i].primary) z = i;
  for (std::size_t i = 0; i < lists.size() && z == lists.size(); ++i)
    if (is_place(lists[i]))
      for (double v : values[i])
        if (v != values[i].front()) z = i;
  for (std::size_t i = 0; i < lists.size() && z == lists.size(); ++i)
    if (lists[i].type == data_type::time) z = i;
  for (std::size_t i = 0; i < lists.size() && z == lists.size(); ++i)
    if (is_place(lists[i])) z = i;
  if (z < lists.size()) {
    out.z = std::move(values[z]);
    out.z_unit = z_unit_of(lists[z]);
  }
  out.titles.assign(collected, std::string{});
  for (std::size_t i = 0; i < lists.size(); ++i) {
    const listed& l = lists[i];
    const std::string_view use = i == z ? " as z" : is_place(l) ? " in titles" : " passed over";
    out.lists.push_back(l.name + (l.primary ? " (primary)" : "") + std::string{use});
    if (i == z || !is_place(l)) continue;
    const std::string_view symbol = symbol_of(l);
    for (std::size_t k = 0; k < collected; ++k) {
      std::string& title = out.titles[k];
      if (!title.empty()) title += ", ";
      title += l.name + "=" + shortest(values[i][k]);
      if (!symbol.empty()) title += " " + std::string{symbol};
    }
  }
  return std::nullopt;
}

bool date_of_ticks(std::uint64_t ticks, spectrum::date_time& date) {
  if (ticks == 0 || ticks >= ticks_of_year_10000) return false;
  const std::uint64_t seconds = ticks / ticks_a_second;
  const auto days = static_cast<std::int64_t>(seconds / 86'400);
  const std::chrono::year_month_day ymd{
      std::chrono::sys_days{std::chrono::days{days - days_before_1970}}};
  const std::uint64_t of_day = seconds % 86'400;
  date = {.year = static_cast<int>(ymd.year()),
          .month = static_cast<int>(static_cast<unsigned>(ymd.month())),
          .day = static_cast<int>(static_cast<unsigned>(ymd.day())),
          .hour = static_cast<int>(of_day / 3600),
          .minute = static_cast<int>(of_day / 60 % 60),
          .second = static_cast<int>(of_day % 60)};
  return true;
}

std::string iso_of_ticks(std::uint64_t ticks) {
  spectrum::date_time d;
  if (!date_of_ticks(ticks, d)) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", d.year, d.month, d.day,
                d.hour, d.minute, d.second,
                static_cast<int>(ticks % ticks_a_second / (ticks_a_second / 1000)));
  return text;
}

}  // namespace wdf
