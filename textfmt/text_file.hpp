// textfmt/text_file.hpp: a text spectrum file on a unit from the pool.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "recio/number_fields.hpp"
#include "recio/number_text.hpp"
#include "recio/recio.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/document.hpp"
#include "spectrum/fixed_spectrum.hpp"

namespace textfmt {

// A value formed in double precision, kept as the real of the arrays: the dialogue's single
// precision, rounded as every single-precision result is, or the command line's double.
template <class real>
real kept(double v) {
  if constexpr (std::is_same_v<real, float>)
    return spectrum::to_single(v);
  else
    return v;
}

// A real to write: the dialogue's single precision shows at most 7 significant digits, the
// command line's double as many as the field shows. A double that single precision holds exactly,
// as every value of a file's floats, is shown as single precision shows it: its digits beyond the
// seventh are those of the float's binary rounding, not of the value that was measured.
using spectrum::held_as_float;
inline recio::value written(float v) { return v; }
inline recio::value written(double v) {
  if (held_as_float(v)) return static_cast<float>(v);
  return recio::full_real{v};
}

// The same straight into a field of a record, Fw.d or Ew.d, as a layout writes the value: put
// takes the real as the field's writer does, single precision's as a double of 7 digits.
template <class put_real>
void put_field(put_real put, float v) {
  put(static_cast<double>(v));
}
template <class put_real>
void put_field(put_real put, double v) {
  if (held_as_float(v))
    put(v);
  else
    put(recio::full_real{v});
}


// Takes a unit from the pool and opens the named file on it; a file that cannot be opened ends
// the run.
inline recio::unit_number open_file(const spectrum::file_name& name, recio::open_mode mode) {
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

// How many points of a count arrays of size points hold: none for a count below 1.
inline std::size_t points_in(std::int32_t count, std::size_t size) {
  return count < 1 ? 0 : std::min(static_cast<std::size_t>(count), size);
}

// What `info` tells of a text file: its records, and the values in the first records after a head
// of head_records.
void add_text_facts(spectrum::byte_view bytes, std::size_t head_records, spectrum::document& doc);

// How a text format gives its x: point by point, or by a head of head_records records (first x,
// last x, the count) from which every x follows, evenly spaced.
struct text_form {
  std::string_view name;  // the format's name, as the document records it
  std::size_t head_records = 0;
};

// One fixed field of a layout, alone, and its width in characters.
struct field {
  recio::layout alone;
  int width;
};

// What a refusal of a fixed layout suggests instead.
inline constexpr std::string_view write_instead = "write CSV or JCAMP-DX";

// Trouble when some of values, written through the field of format's layout, would not show
// whole: "x 100000 does not fit the XY layout's 11 characters; write CSV or JCAMP-DX". A fixed
// field fills with asterisks rather than show a number that it has no room for. The widest
// numbers of either sign are the largest and the smallest, so those two are tried.
inline spectrum::outcome wider_than(const field& f, std::span<const double> values,
                                    std::string_view what, std::string_view format) {
  if (values.empty()) return {};
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  for (const double v : {*high, *low}) {
    const recio::value shown[] = {written(v)};
    if (recio::fits(f.alone, shown)) continue;
    std::string reason{what};
    reason += ' ';
    recio::append_shortest(reason, v, std::fabs(v) < 1e16);  // 100000, not 1e+05
    return spectrum::trouble{reason + " does not fit the " + std::string(format) + " layout's " +
                             std::to_string(f.width) + " characters; " +
                             std::string(write_instead)};
  }
  return {};
}

// Reads a text spectrum held in memory for the command line: read (one of the readers above, on
// a unit connected to the text) fills arrays of room points, whose first count points become the
// document's one spectrum. room must exceed what the file can hold, so that the file ends first;
// it is cut to a record's points beyond most_points, which is enough to tell a spectrum of more.
template <class reader>
spectrum::outcome read_text_file(const spectrum::input_file& in, const text_form& form,
                                 std::size_t room, std::size_t most_points, spectrum::document& doc,
                                 reader read) {
  constexpr std::size_t record_points = 3;  // the most of a record: a record of 6XY
  room = std::min(
      {room, most_points + record_points, std::size_t{std::numeric_limits<std::int32_t>::max()}});
  // Left uninitialised: only the pages that the points fill are ever touched.
  std::unique_ptr<double[]> x{new double[room]};
  std::unique_ptr<double[]> y{new double[room]};
  std::int16_t unit = 0;
  std::int32_t status = 0;
  GETCHAN(unit, status);
  recio::open_memory(unit, {reinterpret_cast<const char*>(in.bytes.data()), in.bytes.size()},
                     in.name);
  double first_x = 0.0;
  double last_x = 0.0;
  std::int32_t count = 0;
  read(unit, std::span<double>{x.get(), room}, std::span<double>{y.get(), room}, first_x, last_x,
       count, static_cast<std::int32_t>(room));
  close_file(unit);
  spectrum::spectrum t;
  const std::size_t n = points_in(count, room);
  t.y.assign(y.get(), y.get() + n);
  y.reset();  // each array is given back once copied: the points are held three times at most
  t.first_x = first_x;
  t.last_x = last_x;
  // A head implies even x, made from its ends; x given point by point may be even too, as far
  // as the file prints them.
  if (form.head_records > 0) {
    x.reset();
    t.x = spectrum::even_x(first_x, last_x, n);
  } else {
    t.x.assign(x.get(), x.get() + n);
    t.x_stored = !spectrum::even_as_printed(t.x);
  }
  doc.format = form.name;
  doc.spectra.push_back(std::move(t));
  add_text_facts(in.bytes, form.head_records, doc);
  return {};
}

// Writes n points through a layout that takes points_a_record points a record, each point as x
// then y, or y alone when x is empty. A statement takes the values of many records at once; the
// layout starts again on a new record each time its values are used up, so the records are those
// that one statement a record writes, and the last record takes the points that are left.
template <std::size_t points_a_record, class real>
void write_points(recio::unit_number unit, const recio::layout& l, std::span<const real> x,
                  std::span<const real> y, std::size_t n) {
  constexpr std::size_t batch = points_a_record * 24;  // points a statement
  std::array<recio::value, 2 * batch> values;
  for (std::size_t first = 0; first < n; first += batch) {
    const std::size_t last = std::min(n, first + batch);
    std::size_t size = 0;
    for (std::size_t i = first; i < last; ++i) {
      if (!x.empty()) values[size++] = written(x[i]);
      values[size++] = written(y[i]);
    }
    recio::write(unit, l, std::span<const recio::value>{values.data(), size});
  }
}

}  // namespace textfmt
