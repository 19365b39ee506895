// control/driver.hpp: the conversion driver, the program's main routine.
#pragma once

namespace control {

// Writes the start notices, asks for the mode and runs the conversions; every run ends in a
// stop, so it never returns.
[[noreturn]] void run_driver();

}  // namespace control
