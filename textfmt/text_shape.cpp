// textfmt/text_shape.cpp: the shape of a text spectrum file, from its first records: how many
// numbers each holds, which tells Y, XY and 6XY apart, and what `info` says of it.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string_view>
#include <vector>

#include "recio/text_scan.hpp"
#include "textfmt/text_file.hpp"
#include "textfmt/textfmt.hpp"

namespace textfmt {

namespace {

constexpr std::size_t records_looked_at = 8;

bool separator(char c) { return c == ' ' || c == '\t' || c == ','; }

bool digits(std::string_view& s) {
  std::size_t n = 0;
  while (n < s.size() && std::isdigit(static_cast<unsigned char>(s[n])) != 0) ++n;
  s.remove_prefix(n);
  return n > 0;
}

// A number as a free-form read takes it: 1800, -.5, 1.5E+01, 2.0D0, and with a repeat count
// 3*0.0.
bool is_number(std::string_view s) {
  if (const auto star = s.find('*'); star != std::string_view::npos) {
    std::string_view count = s.substr(0, star);
    if (!digits(count) || !count.empty()) return false;
    s.remove_prefix(star + 1);
    if (s.empty()) return true;  // "3*": three values left as they are
  }
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
  const bool whole = digits(s);
  bool fraction = false;
  if (!s.empty() && s.front() == '.') {
    s.remove_prefix(1);
    fraction = digits(s);
  }
  if (!whole && !fraction) return false;
  if (!s.empty() && std::string_view{"EeDd"}.find(s.front()) != std::string_view::npos) {
    s.remove_prefix(1);
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
    if (!digits(s)) return false;
  }
  return s.empty();
}

// The count of numbers in a record, or -1 when it holds anything else.
int numbers_in(std::string_view record) {
  int count = 0;
  std::size_t i = 0;
  while (i < record.size()) {
    if (separator(record[i])) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < record.size() && !separator(record[j])) ++j;
    if (!is_number(record.substr(i, j - i))) return -1;
    ++count;
    i = j;
  }
  return count;
}

// The counts of numbers in the first records that hold any, and whether the head was read to
// its end; empty when a record holds anything but numbers.
struct shape {
  std::vector<int> counts;
  bool whole = false;
};

shape shape_of(spectrum::byte_view head) {
  std::string_view text{reinterpret_cast<const char*>(head.data()), head.size()};
  if (const auto z = text.find('\x1a'); z != std::string_view::npos) text = text.substr(0, z);
  shape s;
  recio::line_scanner records{text, recio::line_scanner::line_ends::lf};
  std::string_view record;
  while (s.counts.size() < records_looked_at && records.next(record)) {
    // A last line that the head cut off may be cut inside a number: it is not looked at.
    if (records.at_end() && text.back() != '\n' && head.size() >= 4096) return s;
    const int n = numbers_in(record);
    if (n < 0) return {};
    if (n > 0) s.counts.push_back(n);
  }
  s.whole = records.at_end();
  return s;
}

}  // namespace

bool recognises_y(spectrum::byte_view head) {
  const shape s = shape_of(head);
  return s.counts.size() >= 3 &&
         std::all_of(s.counts.begin(), s.counts.end(), [](int n) { return n == 1; });
}

bool recognises_xy(spectrum::byte_view head) {
  const shape s = shape_of(head);
  return !s.counts.empty() &&
         std::all_of(s.counts.begin(), s.counts.end(), [](int n) { return n == 2; });
}

bool recognises_6xy(spectrum::byte_view head) {
  const shape s = shape_of(head);
  if (s.counts.empty() || s.counts.front() != 6) return false;
  // Only the file's last record may hold fewer points than three.
  for (std::size_t i = 0; i < s.counts.size(); ++i) {
    const bool last = s.whole && i + 1 == s.counts.size();
    if (s.counts[i] != 6 && !(last && s.counts[i] % 2 == 0)) return false;
  }
  return true;
}

void add_text_facts(spectrum::byte_view bytes, std::size_t head_records, spectrum::document& doc) {
  const std::string_view text{reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  std::int64_t records = std::count(text.begin(), text.end(), '\n');
  if (!text.empty() && text.back() != '\n') ++records;
  doc.facts.push_back({"records", records});
  const shape s = shape_of(bytes.first(std::min<std::size_t>(bytes.size(), 4096)));
  if (s.counts.size() > head_records)
    doc.facts.push_back({"values per record", std::int64_t{s.counts[head_records]}});
}

}  // namespace textfmt
