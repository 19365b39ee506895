// textfmt/text_file.hpp: a text spectrum file on a unit from the pool.
#pragma once

#include "control/spectrum.hpp"
#include "recio/recio.hpp"

namespace textfmt {

// Takes a unit from the pool and opens the named file on it; a file that cannot be opened ends
// the run.
inline recio::unit_number open_file(const control::file_name& name, recio::open_mode mode) {
  std::int16_t unit = 0;
  std::int32_t status = 0;
  GETCHAN(unit, status);
  recio::open(unit, name.view(), mode);
  return unit;
}

// Gives the unit back to the pool, which closes its file.
inline void close_file(recio::unit_number unit) {
  std::int32_t status = 0;
  PUTCHAN(unit, status);
}

}  // namespace textfmt
