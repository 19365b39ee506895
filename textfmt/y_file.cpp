// textfmt/y_file.cpp: the Y file: a head of first x, last x and point count, then one y value
// per record; the x values are implied by the head.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "recio/recio.hpp"
#include "textfmt/text_file.hpp"
#include "textfmt/textfmt.hpp"

namespace {

constexpr recio::layout head{"(F9.3/F9.3/I6)"};
constexpr recio::layout y_record{"(1X,E14.7)"};
constexpr textfmt::field x_field{recio::layout{"(F9.3)"}, 9};
constexpr std::size_t max_count = 999999;  // the most that I6 shows

// The count is stored as a real; truncating toward zero gives the point count. A count beyond
// the 32-bit range is held at its end (and then cut to the capacity like any large count); one
// that is not a number counts as 0.
std::int32_t point_count_of(double v) {
  if (std::isnan(v)) return 0;
  const double t = std::trunc(v);
  if (t >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  if (t <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(t);
}

}  // namespace

namespace textfmt {

template <class real>
void read_y(recio::unit_number unit, std::span<real> x, std::span<real> y, real& first_x,
            real& last_x, std::int32_t& count, std::int32_t capacity) {
  real declared = 0;
  recio::read_free(unit, {}, {&first_x});
  recio::read_free(unit, {}, {&last_x});
  recio::read_free(unit, {}, {&declared});
  const std::int32_t n = point_count_of(declared);
  count = n;
  // The step is formed in double and kept in the arrays' precision; one point needs none.
  real step = 0;
  if (n > 1)
    step = kept<real>((static_cast<double>(first_x) - static_cast<double>(last_x)) /
                      (static_cast<double>(n) - 1.0));
  const auto room = static_cast<std::int32_t>(points_in(capacity, y.size()));
  if (n > room) {
    count = room;
    last_x = kept<real>(first_x + (1.0 - room) * step);
  }
  std::size_t rows = points_in(count, y.size());
  real* const columns[] = {y.data()};
  recio::read_free_rows(unit, {}, columns, 1, rows);
  // Each x is formed afresh from first x, so x(1) is first x exactly.
  for (std::size_t i = 0; i < rows; ++i)
    x[i] = kept<real>(-static_cast<double>(i) * step + first_x);
}

template <class real>
void write_y(recio::unit_number unit, std::span<const real> y, real first_x, real last_x,
             std::int32_t count) {
  recio::write(unit, head, {written(first_x), written(last_x), count});
  write_points<1>(unit, y_record, {}, y, points_in(count, y.size()));
}

spectrum::outcome read_y_file(const spectrum::input_file& in, const spectrum::read_options& options,
                              spectrum::document& doc) {
  // Room for one more value than the file can hold, so that a head that promises more points
  // than the file has fails at the file's end, as it does in the dialogue.
  std::int32_t declared = 0;
  const auto read = [&](recio::unit_number unit, std::span<double> x, std::span<double> y,
                        double& first_x, double& last_x, std::int32_t& count, std::int32_t cap) {
    read_y<double>(unit, x, y, first_x, last_x, count, cap);
    declared = count;
  };
  if (auto t = read_text_file(in, text_form{"y", 3}, in.bytes.size() / 2 + 2, options.most_points,
                              doc, read))
    return t;
  // The dialogue reads such a head as a spectrum of no points; here it is no spectrum.
  if (declared < 1)
    return spectrum::trouble{"the count of points in the head, " + std::to_string(declared) +
                             ", is not positive"};
  return {};
}

spectrum::outcome write_y_file(const spectrum::document& doc, recio::unit_number unit,
                               const spectrum::write_options&) {
  const spectrum::spectrum& t = doc.spectra.front();
  if (t.x_stored)
    return spectrum::trouble{
        "a Y file holds only first x, last x and the count, and this "
        "spectrum's x values are not evenly spaced"};
  const double ends[] = {t.first_x, t.last_x};
  if (auto wide = wider_than(x_field, ends, "x", "Y")) return wide;
  if (t.y.size() > max_count)
    return spectrum::trouble{"the count " + std::to_string(t.y.size()) +
                             " does not fit the Y layout's 6 characters; " +
                             std::string(write_instead)};
  write_y<double>(unit, t.y, t.first_x, t.last_x, static_cast<std::int32_t>(t.y.size()));
  return {};
}

namespace {
constexpr std::array<std::string_view, 1> y_extensions{".y"};
}  // namespace

const spectrum::file_format y_format{.name = "y",
                                     .title = "Y (single column with a head)",
                                     .extensions = y_extensions,
                                     .recognises = recognises_y,
                                     .read = read_y_file,
                                     .write = write_y_file};

}  // namespace textfmt

void READ1(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_read);
  textfmt::read_y<float>(unit, x, y, first_x, last_x, count, std::min(capacity, spectrum::max_points));
  textfmt::close_file(unit);
}

void WRITE1(const file_name& name, const point_array& y, const float& first_x, const float& last_x,
            const std::int32_t& count) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_write);
  textfmt::write_y<float>(unit, y, first_x, last_x, count);
  textfmt::close_file(unit);
}
