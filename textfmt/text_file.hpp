// textfmt/text_file.hpp: a text spectrum file on a unit from the pool.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

#include "recio/recio.hpp"
#include "spectrum/spectrum.hpp"

namespace textfmt {

// Takes a unit from the pool and opens the named file on it; a file that cannot be opened ends
// the run.
inline recio::unit_number open_file(const spectra::file_name& name, recio::open_mode mode) {
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

// Writes n points through a layout that takes points_a_record points a record, each point as x
// then y, or y alone when x is empty. A statement takes the values of many records at once; the
// layout starts again on a new record each time its values are used up, so the records are those
// that one statement a record writes, and the last record takes the points that are left.
template <std::size_t points_a_record>
void write_points(recio::unit_number unit, const recio::layout& l, std::span<const float> x,
                  std::span<const float> y, std::size_t n) {
  constexpr std::size_t batch = points_a_record * 24;  // points a statement
  std::array<recio::value, 2 * batch> values;
  for (std::size_t first = 0; first < n; first += batch) {
    const std::size_t last = std::min(n, first + batch);
    std::size_t size = 0;
    for (std::size_t i = first; i < last; ++i) {
      if (!x.empty()) values[size++] = x[i];
      values[size++] = y[i];
    }
    recio::write(unit, l, std::span<const recio::value>{values.data(), size});
  }
}

}  // namespace textfmt
