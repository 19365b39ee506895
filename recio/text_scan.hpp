// recio/text_scan.hpp: text held in memory, taken line by line for the readers and recognisers of
// text formats: line ends, the byte-order mark, blanks, comments.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace recio {

// The text of the bytes, without the UTF-8 byte-order mark that some editors put before it.
inline std::string_view text_of_bytes(std::span<const std::uint8_t> bytes) {
  std::string_view text{reinterpret_cast<const char*>(bytes.data()), bytes.size()};
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return text;
}

inline bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Text of the Latin-1 code page, which the programs of many instruments write, as UTF-8: each
// byte beyond ASCII becomes two. utf8_of_latin1("\xB5m") == "\xC2\xB5m"
inline std::string utf8_of_latin1(std::string_view latin1) {
  std::string s;
  s.reserve(latin1.size());
  for (const char ch : latin1) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      s += ch;
    } else {
      s += static_cast<char>(0xC0 | c >> 6);
      s += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return s;
}

// Without the characters of blanks at either end.
// trimmed("  a b \t") == "a b"
inline std::string_view trimmed(std::string_view s, std::string_view blanks = " \t") {
  const std::size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// What stands before a comment that begins with marker, without blanks at either end.
// before_comment("1.5 $$ note", "$$") == "1.5"
inline std::string_view before_comment(std::string_view s, std::string_view marker,
                                       std::string_view blanks = " \t") {
  return trimmed(s.substr(0, s.find(marker)), blanks);
}

// The lines of a text, counted from 1. A line ends at LF, CR LF or CR; or, where the text is read
// as records, at LF alone, a CR just before it dropped.
class line_scanner {
 public:
  enum class line_ends { any, lf };
  explicit line_scanner(std::string_view text, line_ends ends = line_ends::any)
      : text_{text}, ends_{ends} {}
  // The next line, without its end; false at the end of the text.
  bool next(std::string_view& line) {
    if (!peek(line)) return false;
    at_ += line.size();
    if (ends_ == line_ends::lf) {
      if (at_ < text_.size() && text_[at_] == '\r') ++at_;  // the CR of a CR LF
    } else if (at_ < text_.size() && text_[at_] == '\r') {
      ++at_;
    }
    if (at_ < text_.size() && text_[at_] == '\n') ++at_;
    ++number_;
    return true;
  }
  // The next line, left to be taken.
  bool peek(std::string_view& line) const {
    if (at_ >= text_.size()) return false;
    std::size_t end = at_;
    if (ends_ == line_ends::lf) {
      const void* lf = std::memchr(text_.data() + at_, '\n', text_.size() - at_);
      end = lf == nullptr ? text_.size()
                          : static_cast<std::size_t>(static_cast<const char*>(lf) - text_.data());
      if (end > at_ && text_[end - 1] == '\r') --end;
    } else {
      // The first LF, then the first CR before it: each found by memchr, many bytes at a time.
      const char* const from = text_.data() + at_;
      const void* lf = std::memchr(from, '\n', text_.size() - at_);
      end = lf == nullptr ? text_.size()
                          : static_cast<std::size_t>(static_cast<const char*>(lf) - text_.data());
      if (const void* cr = std::memchr(from, '\r', end - at_))
        end = static_cast<std::size_t>(static_cast<const char*>(cr) - text_.data());
    }
    line = text_.substr(at_, end - at_);
    return true;
  }
  // The number of the line last taken.
  std::int64_t number() const { return number_; }
  bool at_end() const { return at_ >= text_.size(); }

 private:
  std::string_view text_;
  line_ends ends_;
  std::size_t at_ = 0;
  std::int64_t number_ = 0;
};

}  // namespace recio
