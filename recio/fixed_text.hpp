// recio/fixed_text.hpp: fixed-length, blank-padded texts and references to them.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace recio {

// A text variable of any length, seen through its characters; every text argument travels with
// its length.
struct text_ref {
  char* data = nullptr;
  std::size_t size = 0;
  std::string_view view() const { return {data, size}; }
};

// Two texts are equal when they are equal after the shorter is padded with blanks.
// texts_equal("AB", "AB  ") is true.
constexpr bool texts_equal(std::string_view a, std::string_view b) {
  if (a.size() < b.size()) std::swap(a, b);
  if (a.substr(0, b.size()) != b) return false;
  return std::all_of(a.begin() + static_cast<std::ptrdiff_t>(b.size()), a.end(),
                     [](char c) { return c == ' '; });
}

// Copies source into target, cutting a longer source and padding the rest with blanks.
inline void assign_text(text_ref target, std::string_view source) {
  const std::size_t n = std::min(target.size, source.size());
  std::copy_n(source.data(), n, target.data);
  std::fill(target.data + n, target.data + target.size, ' ');
}

// A text variable of N characters. Static ones start as N zero bytes.
template <std::size_t N>
struct fixed_text {
  std::array<char, N> chars{};

  static constexpr std::size_t size() { return N; }
  std::string_view view() const { return {chars.data(), N}; }
  text_ref ref() { return {chars.data(), N}; }
  void assign(std::string_view source) { assign_text(ref(), source); }
  friend bool operator==(const fixed_text& t, std::string_view s) {
    return texts_equal(t.view(), s);
  }
};

}  // namespace recio
