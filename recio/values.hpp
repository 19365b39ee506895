// recio/values.hpp: the values that statements write, the variables that they read into, and
// what a read gives back.
#pragma once

#include <cstdint>
#include <string_view>
#include <variant>

#include "recio/fixed_text.hpp"
#include "recio/io_errors.hpp"

namespace recio {

using unit_number = std::int16_t;

// What a statement with a return gives back: ok, the end of the input, or a value that could not
// be read as the variable's kind.
enum class io_code : int { ok = 0, end = -1, bad_value = 1 };

// Which failures a statement returns instead of ending the run with the fatal I/O report.
struct returns {
  bool on_error = false;
  bool on_end = false;
};

// A double shown with up to 17 significant digits, as many as read back to the same double; a
// plain double is shown as a single-precision real is, with at most 7.
struct full_real {
  double v = 0.0;
};

// A value to write: integers, single- or double-precision reals (shown with at most 7 significant
// digits), texts, and doubles shown in full.
using value = std::variant<std::int32_t, float, double, std::string_view, full_real>;

// A variable to read into.
using target = std::variant<std::int16_t*, std::int32_t*, float*, double*, text_ref>;

// The outcome of reading one statement's values from records.
struct read_outcome {
  io_code code = io_code::ok;
  io_error error = io_error::none;  // why, when code is not ok
  std::uint32_t filled = 0;         // bit i set: target i received a value from this read
};

}  // namespace recio
