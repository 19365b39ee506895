// spa/spa_texts.cpp: the texts and dates of .spa and .spg files as the document keeps them.
#include "spa/spa_texts.hpp"

#include <charconv>
#include <chrono>
#include <cmath>

#include "recio/text_scan.hpp"

namespace spa {

namespace {

// The text without its control characters, each one a blank.
std::string blanked(std::string_view s) {
  std::string out{s};
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return out;
}

// The number that begins the text, its decimal separator a point or a comma: "4,000 de" gives 4.
std::optional<double> leading_number(std::string_view s) {
  std::string digits{s.substr(0, s.find_first_of(" \t"))};
  for (char& c : digits)
    if (c == ',') c = '.';
  double v = 0.0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (ec != std::errc{} || end == digits.data() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

std::string one_line(std::string_view latin1) {
  latin1 = latin1.substr(0, latin1.find('\0'));
  return recio::utf8_of_latin1(recio::trimmed(blanked(latin1)));
}

std::string lines_of(std::string_view latin1) {
  latin1 = latin1.substr(0, latin1.find('\0'));
  recio::line_scanner lines{latin1};
  std::string out;
  std::size_t blank_lines = 0;
  std::string_view line;
  while (lines.next(line)) {
    const std::string text = blanked(line);
    const std::string_view kept = std::string_view{text}.substr(0, text.find_last_not_of(' ') + 1);
    if (kept.empty()) {
      ++blank_lines;
      continue;
    }
    if (!out.empty()) out.append(blank_lines + 1, '\n');
    blank_lines = 0;
    out += recio::utf8_of_latin1(kept);
  }
  return out;
}

std::optional<std::string> resolution_in(std::string_view history) {
  recio::line_scanner lines{history};
  std::optional<std::string> found;
  std::string_view line;
  while (lines.next(line)) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = recio::trimmed(line.substr(0, colon));
    if (name != "Resolution" && name != "R\xE9solution") continue;
    if (const auto v = leading_number(recio::trimmed(line.substr(colon + 1)))) {
      char text[32];
      const auto [end, ec] = std::to_chars(text, text + sizeof text, *v);
      found = std::string(text, ec == std::errc{} ? end : text);
    }
  }
  return found;
}

spectrum::date_time date_of(std::uint32_t seconds) {
  if (seconds == 0) return {};
  using namespace std::chrono;
  constexpr sys_days start = sys_days{year{1899} / December / 31};
  const sys_seconds at = start + std::chrono::seconds{seconds};
  const sys_days day = floor<days>(at);
  const year_month_day ymd{day};
  const hh_mm_ss time{at - day};
  return {static_cast<int>(ymd.year()),
          static_cast<int>(unsigned{ymd.month()}),
          static_cast<int>(unsigned{ymd.day()}),
          static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()),
          static_cast<int>(time.seconds().count())};
}

}  // namespace spa
