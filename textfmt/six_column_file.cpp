// textfmt/six_column_file.cpp: the 6XY file, three points (x, y, x, y, x, y) per record.
#include <algorithm>
#include <array>

#include "recio/recio.hpp"
#include "textfmt/text_file.hpp"
#include "textfmt/textfmt.hpp"

namespace {

// A full record is 92 characters; the last one may hold one or two points, 24 or 58 characters,
// as the blanks after its last point are not written.
constexpr recio::layout points_record{"(3(F9.3,1X,E14.7,10X))"};
constexpr textfmt::field x_field{recio::layout{"(F9.3)"}, 9};
constexpr recio::layout not_at_end{
    "('   File ',A12,': ',I6,' lines read & converted but',' end of input file not reached')"};

}  // namespace

namespace textfmt {

template <class real>
void read_6xy(recio::unit_number unit, std::string_view name, std::span<real> x, std::span<real> y,
              real& first_x, real& last_x, std::int32_t& count, std::int32_t capacity) {
  const std::size_t records = points_in(capacity, y.size()) / 3;
  std::size_t r = records;
  std::uint32_t filled = 0;
  real* const columns[] = {&x[0], &y[0], &x[1], &y[1], &x[2], &y[2]};
  const recio::io_code code = recio::read_free_rows(unit, {.on_end = true}, columns, 3, r, &filled);
  std::size_t m = 3 * r;
  if (code == recio::io_code::end) {
    // The file ended inside record r: its points count while their x was read and is not zero.
    // A y that the file did not give is 0; what the slots held before never counts.
    std::size_t k = 0;
    while (k < 3 && (filled >> (2 * k) & 1) != 0 && x[m + k] != real{0}) {
      if ((filled >> (2 * k + 1) & 1) == 0) y[m + k] = real{0};
      ++k;
    }
    m += k;
  } else if (records > 0) {
    recio::write(recio::console, not_at_end, {name, static_cast<std::int32_t>(records)});
  }
  count = static_cast<std::int32_t>(m);
  spectrum::first_and_last<real>(x, m, first_x, last_x);
}

template <class real>
void write_6xy(recio::unit_number unit, std::span<const real> x, std::span<const real> y,
               std::int32_t count) {
  write_points<3>(unit, points_record, x, y, points_in(count, y.size()));
}

spectrum::outcome read_6xy_file(const spectrum::input_file& in,
                                const spectrum::read_options& options, spectrum::document& doc) {
  // Room for more records than the file can hold, so that it always ends first: a record of
  // three points takes four bytes at the least ("6*0" and its line end).
  const std::size_t room = 3 * (in.bytes.size() / 2 + 2);
  return read_text_file(
      in, text_form{"6xy"}, room, options.most_points, doc,
      [&](recio::unit_number unit, std::span<double> x, std::span<double> y, double& first_x,
          double& last_x, std::int32_t& count, std::int32_t cap) {
        read_6xy<double>(unit, in.name, x, y, first_x, last_x, count, cap);
      });
}

spectrum::outcome write_6xy_file(const spectrum::document& doc, recio::unit_number unit,
                                 const spectrum::write_options&) {
  const spectrum::spectrum& t = doc.spectra.front();
  if (auto wide = wider_than(x_field, t.x, "x", "6XY")) return wide;
  write_6xy<double>(unit, t.x, t.y, static_cast<std::int32_t>(t.y.size()));
  return {};
}

namespace {
constexpr std::array<std::string_view, 1> six_column_extensions{".6xy"};
}  // namespace

const spectrum::file_format six_column_format{.name = "6xy",
                                              .title = "6XY (three x/y pairs a record)",
                                              .extensions = six_column_extensions,
                                              .recognises = recognises_6xy,
                                              .read = read_6xy_file,
                                              .write = write_6xy_file};

}  // namespace textfmt

void READ3(const file_name& name, point_array& x, point_array& y, float& first_x, float& last_x,
           std::int32_t& count, const std::int32_t& capacity) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_read);
  textfmt::read_6xy<float>(unit, name.view(), x, y, first_x, last_x, count, capacity);
  textfmt::close_file(unit);
}

void WRITE3(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count) {
  const recio::unit_number unit = textfmt::open_file(name, recio::open_mode::text_write);
  textfmt::write_6xy<float>(unit, x, y, count);
  textfmt::close_file(unit);
}
