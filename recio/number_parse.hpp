// recio/number_parse.hpp: numbers as they are read, free-form and from Iw and Fw.d fields.
#pragma once

#include <cstdint>
#include <string_view>

#include "recio/io_errors.hpp"

namespace recio {

// A real: optional sign, digits with an optional point, an optional exponent (E, e, D or d, an
// optional sign, digits); at least one digit before the exponent. Beyond the single-precision
// range it is real_out_of_range; anything else not of this form is invalid_real.
// parse_real("1.5D2", v) gives 150.0f.
io_error parse_real(std::string_view text, float& v);
// An integer: optional sign and digits. Beyond min..max it is integer_out_of_range; anything
// else not of this form is invalid_integer.
io_error parse_integer(std::string_view text, std::int64_t min, std::int64_t max, std::int64_t& v);

}  // namespace recio
