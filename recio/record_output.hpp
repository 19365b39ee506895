// recio/record_output.hpp: building text records from a layout or free-form.
#pragma once

#include <span>
#include <string_view>

#include "recio/layout.hpp"
#include "recio/values.hpp"

namespace recio {

// Receives each finished record, its first character included.
struct record_sink {
  void (*put)(void* context, std::string_view record) = nullptr;
  void* context = nullptr;
  void operator()(std::string_view record) const { put(context, record); }
};

// Records longer than this are cut; no record of the program comes near it.
inline constexpr std::size_t max_record = 4096;

// Builds the records of a layout write. An empty record is one blank; blanks from nX that
// nothing follows in the record are not written; the record ends at the first field that needs
// a value when none is left.
void build_layout_records(const layout& l, std::span<const value> values, record_sink sink);
// Builds the records of a free-form write: a leading blank, then texts unchanged, integers in 11
// columns and reals in 15, one more column for a number that follows a number, and at most 79
// characters after the leading blank.
void build_free_records(std::span<const value> values, record_sink sink);

}  // namespace recio
