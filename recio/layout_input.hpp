// recio/layout_input.hpp: reading one statement's values from text records with a layout.
#pragma once

#include <span>

#include "recio/layout.hpp"
#include "recio/record_reader.hpp"
#include "recio/values.hpp"

namespace recio {

// Takes the fields of l from the next record of in ("/" moves to the record after): A into a
// text, Iw and Fw.d from the next w characters (blanks ignored, a comma ends the field, a real
// without a point has its last d digits as decimals), nX skips n characters.
// Reading "15" with (F4.1) gives 1.5.
read_outcome read_layout_from(record_reader& in, const layout& l, std::span<const target> targets);

}  // namespace recio
