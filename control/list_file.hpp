// control/list_file.hpp: the conversion list file, which runs any number of conversions without
// questions.
#pragma once

#include "control/conversion.hpp"

namespace control {

// Asks for the list file's name until it opens, then carries out its entries on the driver's
// conversion state; the run ends with the normal stop.
[[noreturn]] void run_list_file(conversion& state);

}  // namespace control
