// jcamp/jcamp_text.cpp: the text of a JCAMP-DX file: labelled records and their values, data
// lines and the pseudo-digits of their numbers, and records written wrapped to the line width.
#include "jcamp/jcamp_text.hpp"

#include <array>
#include <charconv>
#include <cmath>

#include "recio/number_text.hpp"

namespace jcamp {
namespace {

// A label as the format compares labels: "Data_Type" and "DATA TYPE" are both "DATATYPE".
std::string normal_label(std::string_view label) {
  std::string out;
  for (const char c : label)
    if (blanks.find(c) == std::string_view::npos && c != '-' && c != '/' && c != '_')
      out += upper(c);
  return out;
}

}  // namespace

std::string uppercase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upper(c);
  return out;
}

bool labelled(std::string_view line, std::string& label, std::string_view& value) {
  line = recio::trimmed(line, blanks);
  if (!line.starts_with(label_marker)) return false;
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) {
    label = normal_label(line.substr(label_marker.size()));
    value = {};
  } else {
    label = normal_label(line.substr(label_marker.size(), equals - label_marker.size()));
    value = line.substr(equals + 1);
  }
  return true;
}

std::string_view label_as_written(std::string_view line) {
  line = recio::trimmed(line, blanks);
  if (!line.starts_with(label_marker)) return {};
  line.remove_prefix(label_marker.size());
  return recio::trimmed(line.substr(0, line.find('=')), blanks);
}

std::optional<double> number_of(std::string_view value) {
  std::string_view s = recio::before_comment(value, comment_marker, blanks);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double v = 0.0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc{} || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::vector<std::string> items_of(std::string_view value) {
  std::vector<std::string> out;
  std::string_view s = recio::before_comment(value, comment_marker, blanks);
  for (;;) {
    const std::size_t comma = s.find(',');
    out.emplace_back(recio::trimmed(s.substr(0, comma), blanks));
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  return out;
}

std::optional<variables> variables_of(std::string_view value) {
  const std::string_view text = recio::before_comment(value, comment_marker, blanks);
  const std::size_t comma = text.find(',');  // a DATA TABLE's kind follows: XYDATA, PEAKS
  // A control character counts as a blank, as a writer writes it.
  std::string s;
  for (const char c : text.substr(0, comma))
    if (!recio::is_blank(c) && static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) s += upper(c);
  variables v;
  if (comma != std::string_view::npos)
    v.kind = uppercase(recio::trimmed(text.substr(comma + 1), blanks));
  const std::size_t plus = s.find("++(");
  if (plus != std::string::npos && s.size() > 1 && s.front() == '(') {
    v.even = true;
    v.x = s.substr(1, plus - 1);
    const std::size_t dots = s.find("..", plus);
    if (dots == std::string::npos || v.x.empty()) return std::nullopt;
    v.y = s.substr(plus + 3, dots - plus - 3);
    if (v.y.empty() || s.substr(dots + 2) != v.y + "))") return std::nullopt;
    return v;
  }
  const std::size_t dots = s.find("..");
  if (s.size() < 2 || s.front() != '(' || dots == std::string::npos || dots < 3)
    return std::nullopt;
  const std::string symbols = s.substr(1, dots - 1);
  if (s.substr(dots + 2) != symbols + ")") return std::nullopt;
  v.x = symbols.substr(0, 1);
  v.y = symbols.substr(1, 1);
  v.group = symbols.size();
  v.more = symbols.substr(2);
  return v;
}

std::optional<std::string> assignment_variables(std::string_view value) {
  std::string s;
  for (const char c : recio::before_comment(value, comment_marker, blanks))
    if (!recio::is_blank(c)) s += upper(c);
  if (s.size() < 5 || s.front() != '(' || s.back() != ')') return std::nullopt;
  s = s.substr(1, s.size() - 2);
  if (!s.starts_with("XY") || !s.ends_with('A')) return std::nullopt;
  const std::string middle = s.substr(2, s.size() - 3);
  if (middle.size() > 2 || middle.find_first_not_of("WM") != std::string::npos) return std::nullopt;
  return s;
}

std::string number_text(double v) { return uppercase(recio::shortest_text(v)); }

token read_token(std::string_view line, std::size_t& pos, bool separated) {
  token t;
  if (pos >= line.size()) return t;
  const char c = line[pos];
  if (c == '$' && pos + 1 < line.size() && line[pos + 1] == '$') {
    pos = line.size();
    return t;
  }
  if (c == '?') {
    ++pos;
    t.k = token_kind::missing;
    return t;
  }
  // The number's text as from_chars reads it: a sign, then digits, a point and digits.
  std::array<char, 48> text{};
  std::size_t used = 0;
  const std::size_t start = pos;
  auto take_digits = [&](bool point) {
    while (pos < line.size() && (is_digit(line[pos]) || (point && line[pos] == '.'))) {
      if (line[pos] == '.') point = false;
      if (used == text.size()) return false;
      text[used++] = line[pos++];
    }
    return true;
  };
  bool fits = true;
  if (const pseudo p = pseudo_digit(c); p.k != token_kind::end) {
    t.k = p.k;
    ++pos;
    if (p.digit < 0) text[used++] = '-';
    text[used++] = static_cast<char>('0' + std::abs(p.digit));
    fits = take_digits(p.k != token_kind::dup);
  } else if (c == '+' || c == '-' || c == '.' || is_digit(c)) {
    t.k = c == '+' || (c == '-' && !separated) ? token_kind::pac : token_kind::affn;
    if (c == '-') text[used++] = '-';
    if (c == '+' || c == '-') ++pos;
    fits = take_digits(true);
    // An exponent: E and a sign, then digits; an E without its sign is the SQZ digit 5.
    if (fits && pos + 2 < line.size() && (line[pos] == 'E' || line[pos] == 'e') &&
        (line[pos + 1] == '+' || line[pos + 1] == '-') && is_digit(line[pos + 2]) &&
        used + 2 < text.size()) {
      text[used++] = 'e';
      text[used++] = line[pos + 1];
      pos += 2;
      fits = take_digits(false);
    }
  } else {
    ++pos;
    t.k = token_kind::bad;
    t.c = c;
    return t;
  }
  if (!fits) {
    t.k = token_kind::bad;
    t.c = line[start];
    return t;
  }
  const char* const first = text.data();
  const char* const last = text.data() + used;
  // Most numbers are integers of a few digits: those are summed here, the rest read by from_chars.
  if (used <= 16) {
    const bool negative = text[0] == '-';
    std::int64_t sum = 0;
    std::size_t i = negative ? 1 : 0;
    for (; i < used && is_digit(text[i]); ++i) sum = sum * 10 + (text[i] - '0');
    if (i == used && used > (negative ? 1u : 0u)) {
      t.count = negative ? -sum : sum;
      t.value = static_cast<double>(t.count);
      return t;
    }
  }
  if (t.k == token_kind::dup) {
    const auto [end, ec] = std::from_chars(first, last, t.count);
    if (ec != std::errc{} || end != last) t.k = token_kind::bad, t.c = c;
    return t;
  }
  const auto [end, ec] = std::from_chars(first, last, t.value);
  if (ec != std::errc{} || end != last || !std::isfinite(t.value)) t.k = token_kind::bad, t.c = c;
  return t;
}

double even_step(double first, double last, std::optional<double> delta, std::size_t n) {
  if (n < 2) return 0.0;
  const double span = last - first;
  if (delta &&
      std::fabs(first + *delta * static_cast<double>(n - 1) - last) <= 1e-7 * std::fabs(span))
    return *delta;
  return span / static_cast<double>(n - 1);
}

namespace {
constexpr recio::layout text_record{"(A)"};
}  // namespace

void write_line(recio::unit_number unit, std::string_view text) {
  recio::write(unit, text_record, {text});
}

void write_wrapped(recio::unit_number unit, std::string line, std::string_view value) {
  std::string text;
  for (const char c : value) {
    const char kept = static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? ' ' : c;
    if ((kept == '$' || kept == '#') && !text.empty() && text.back() == kept) continue;
    text += kept;
  }
  std::string_view rest = recio::trimmed(text, blanks);
  if (!line.empty() && !rest.empty() && rest.front() != '(') line += ' ';
  for (;;) {
    std::size_t room = line_width - line.size();
    if (rest.size() <= room) {
      line += rest;
      write_line(unit, line);
      return;
    }
    // At the last blank that fits, which the reader puts back between the lines; else not inside
    // a character of several bytes, and the next line not starting with '#'.
    const std::size_t blank = rest.substr(1, room).rfind(' ');
    if (blank != std::string_view::npos) {
      line += recio::trimmed(rest.substr(0, blank + 1), blanks);
      rest = recio::trimmed(rest.substr(blank + 2), blanks);
    } else {
      while (room > 1 && (static_cast<unsigned char>(rest[room]) & 0xc0) == 0x80) --room;
      while (room > 1 && rest[room] == '#') --room;
      line += rest.substr(0, room);
      rest.remove_prefix(room);
    }
    write_line(unit, line);
    line.clear();
  }
}

void write_record(recio::unit_number unit, std::string_view label, std::string_view value) {
  // A control character of a label is written as '?', which the reader keeps in a label as it
  // keeps the control character: the label stays one that is not interpreted.
  std::string line = "##";
  for (const char c : label) line += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
  line += '=';
  std::size_t end = value.find('\n');
  write_wrapped(unit, std::move(line), value.substr(0, end));
  while (end != std::string_view::npos) {
    value.remove_prefix(end + 1);
    end = value.find('\n');
    if (!recio::trimmed(value.substr(0, end), blanks).empty())
      write_wrapped(unit, {}, value.substr(0, end));
  }
}

}  // namespace jcamp
