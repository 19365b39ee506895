// opus/opus_texts.cpp: the texts of the FTIR block file's parameters as the document keeps them.
#include "opus/opus_texts.hpp"

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <system_error>

#include "recio/text_scan.hpp"

namespace opus {

namespace {

// The shortest text that reads back as v: 4 gives "4", 15797.962252 "15797.962252".
std::string number_text(double v) {
  std::array<char, 32> text{};
  const auto end = std::to_chars(text.data(), text.data() + text.size(), v).ptr;
  return std::string(text.data(), end);
}

// A whole number at the start of s, taken off it; false where s begins with none, or with one
// too large for an int.
bool take_number(std::string_view& s, int& v) {
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc{}) return false;
  s.remove_prefix(static_cast<std::size_t>(end - s.data()));
  return true;
}

// Whether s begins with c, which is then taken off it.
bool take(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

// The zone of "(GMT+1)", "(GMT-5:30)", "(GMT)" anywhere in the time's text: "+01:00", "-05:30",
// "Z"; empty for none.
std::string zone_of(std::string_view tim) {
  const std::size_t at = tim.find("(GMT");
  if (at == std::string_view::npos) return {};
  std::string_view s = tim.substr(at + 4);
  if (take(s, ')')) return "Z";
  const char sign = s.empty() ? ' ' : s.front();
  int hours = 0, minutes = 0;
  if ((!take(s, '+') && !take(s, '-')) || !take_number(s, hours) ||
      (take(s, ':') && !take_number(s, minutes)) || !take(s, ')') || hours < 0 || hours > 14 ||
      minutes < 0 || minutes > 59)
    return {};
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%c%02d:%02d", sign, hours, minutes);
  return text.data();
}

}  // namespace

std::string text_of(std::string_view latin1) {
  std::string s{latin1};
  for (char& c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || (u >= 0x7f && u < 0xa0)) c = ' ';
  }
  return recio::utf8_of_latin1(recio::trimmed(s));
}

std::string value_text(const parameter& p) {
  switch (p.type) {
    case parameter::kind::integer:
      return std::to_string(p.integer);
    case parameter::kind::real:
      return number_text(p.real);
    case parameter::kind::text:
      return text_of(p.text);
    case parameter::kind::other:
      break;
  }
  return {};
}

spectrum::date_time date_of(std::string_view dat, std::string_view tim, std::string& iso) {
  std::string_view s = recio::trimmed(dat);
  const char mark = s.find('/') != std::string_view::npos ? '/' : '.';
  int a = 0, b = 0, c = 0;
  if (!take_number(s, a) || !take(s, mark) || !take_number(s, b) || !take(s, mark) ||
      !take_number(s, c))
    return {};
  if (a > 31) std::swap(a, c);  // the year first
  spectrum::date_time d{c, b, a, 0, 0, 0};
  if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31)
    return {};
  std::string_view t = recio::trimmed(tim);
  std::string fraction;
  if (take_number(t, d.hour) && take(t, ':') && take_number(t, d.minute) && take(t, ':') &&
      take_number(t, d.second) && take(t, '.'))
    for (fraction = ".";
         !t.empty() && std::isdigit(static_cast<unsigned char>(t.front())) && fraction.size() < 10;
         t.remove_prefix(1))
      fraction += t.front();
  if (d.hour < 0 || d.hour > 23 || d.minute < 0 || d.minute > 59 || d.second < 0 || d.second > 60) {
    d.hour = d.minute = d.second = 0;
    fraction.clear();
  }
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d", d.year, d.month, d.day,
                d.hour, d.minute, d.second);
  iso = text.data() + (fraction.size() > 1 ? fraction : "") + zone_of(tim);
  return d;
}

}  // namespace opus
