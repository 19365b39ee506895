// recio/free_input.hpp: free-form reading of one statement's values from text records.
#pragma once

#include <span>

#include "recio/record_reader.hpp"
#include "recio/values.hpp"

namespace recio {

// Takes values for the targets, in order, from as many records of in as needed, starting with a
// new record; what is left of the last record used is skipped. Blanks, tabs, line ends and one
// comma separate values; a null value or a "/" leaves variables as they were; r*value repeats.
// Reading "1.5, ,2" into three reals gives 1.5, the old value, 2 (filled == 0b101).
read_outcome read_free_from(record_reader& in, std::span<const target> targets);

}  // namespace recio
