// spc/spc_writer.cpp: the dialogue's SPC writers: WRITE5 and WRITE6, WRITESPC, the variant
// writers WRITESC and WRITESC1, and MAXMIN.
#include <algorithm>
#include <span>

#include "recio/recio.hpp"
#include "spc/spc.hpp"
#include "spc/spc_header.hpp"
#include "spc/spc_output.hpp"

namespace {

std::size_t points_of(std::int32_t count) { return spectrum::points_in_arrays(count); }

// The entries' common part: the values that the converter always writes, first and last x from
// the x array, then the dispatcher.
void write_with_fixed_values(const file_name& name, const point_array& x, const point_array& y,
                             std::int32_t count, memo_text& memo) {
  float first_x = 0.0f;
  float last_x = 0.0f;
  spectrum::first_and_last<float>(x, points_of(count), first_x, last_x);
  std::int32_t status = 0;
  WRITESPC(name, y, count, first_x, last_x, spc::wavenumbers, spc::arbitrary_units,
           spc::no_resolution, memo, status);
}

void open_for_writing(const file_name& name, std::int16_t unit, std::string_view failure) {
  if (recio::open(unit, name.view(), recio::open_mode::binary_update, {.on_error = true}) != 0)
    recio::stop(failure, recio::exit_status::failure);
}

}  // namespace

void WRITE5(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count, memo_text& memo) {
  spc::shared_header.fversn = spc::old_version;
  write_with_fixed_values(name, x, y, count, memo);
}

void WRITE6(const file_name& name, const point_array& x, const point_array& y,
            const std::int32_t& count, memo_text& memo) {
  spc::shared_header.fversn = spc::new_version;
  spc::shared_header.origin = 'Y';
  write_with_fixed_values(name, x, y, count, memo);
}

void WRITESPC(const file_name& name, const point_array& y, const std::int32_t& count,
              const float& first_x, const float& last_x, const std::uint8_t& x_type,
              const std::uint8_t& y_type, const float& resolution, memo_text& memo,
              std::int32_t& status) {
  spc::cut_memo(memo);
  spc::header_record& h = spc::shared_header;
  if (h.fversn != spc::new_version) {
    WRITESC1(name, y, count, first_x, last_x, x_type, y_type, resolution, memo, status);
    return;
  }
  h.fnpts = count;
  h.ffirst = first_x;
  h.flast = last_x;
  h.fxtype = x_type;
  h.fytype = y_type;
  std::copy(memo.chars.begin(), memo.chars.end(), h.fcmnt.begin());
  WRITESC(name, y, status);
}

void WRITESC(const file_name& name, const point_array& y, std::int32_t& status) {
  spc::header_record& h = spc::shared_header;
  h.fexp = spc::float_y;  // the y values are always written as floats
  h.subheader[spc::sub_header::subexp] = 0x80;
  if (h.origin == 'Y' || h.origin == 'y') spc::build_fresh_header(h);

  std::int16_t unit = 0;
  GETCHAN(unit, status);
  open_for_writing(name, unit, "ERROR OPENING SPECTRA-CALC FILE IN WRITESC");
  const spc::sub_file_out<float> sub{h.subheader, {}, {y.data(), points_of(h.fnpts)}, {}};
  namespace log = spc::log_block;
  const auto parameters = static_cast<std::size_t>(std::clamp(h.nlgspar, 0, log::max_parameters));
  const auto text = static_cast<std::size_t>(std::clamp(h.nlgdata, 0, log::max_text));
  spc::write_new_layout(unit, h, std::span<const float>{}, {&sub, 1}, false,
                        {h.log_parameters.data(), parameters}, {h.log_text.data(), text});
  PUTCHAN(unit, status);
}

void WRITESC1(const file_name& name, const point_array& y, const std::int32_t& count,
              const float& first_x, const float& last_x, const std::uint8_t& x_type,
              const std::uint8_t& y_type, const float& resolution, const memo_text& memo,
              std::int32_t& status) {
  status = 0;
  // The exponent is chosen before the file is opened: a spectrum of zeros leaves no file behind
  // and an existing file of that name as it was.
  const std::span<const float> values{y.data(), points_of(count)};
  std::int16_t exponent = 0;
  if (!spc::choose_exponent(values, exponent))
    recio::stop("WRITESC: NO VALUE GT ZERO", recio::exit_status::failure);

  std::int16_t unit = 0;
  GETCHAN(unit, status);
  open_for_writing(name, unit, "ERROR OPENING SPECTRA-CALC FILE IN WRITESC1");
  spc::header_record& h = spc::shared_header;
  spc::stamp_date(h);
  const spc::old_header_record old{.oexp = exponent,
                                   .onpts = static_cast<float>(count),
                                   .ofirst = first_x,
                                   .olast = last_x,
                                   .oxtype = x_type,
                                   .oytype = y_type,
                                   .oyear = h.year,
                                   .omonth = h.month,
                                   .oday = h.day,
                                   .ohour = h.hour,
                                   .ominute = h.minute,
                                   .ores = spc::resolution_text_of(resolution),
                                   .ocmnt = memo.chars};
  spc::write_old_header(unit, old);
  spc::write_old_y(unit, values, exponent);
  PUTCHAN(unit, status);
}

void MAXMIN(const point_array& y, const std::int32_t& first, const std::int32_t& last,
            float& largest, float& smallest) {
  const auto from = static_cast<std::size_t>(std::clamp(first, 1, spectrum::max_points) - 1);
  const auto to = static_cast<std::size_t>(std::clamp(last, 1, spectrum::max_points));
  largest = smallest = y[from];
  for (std::size_t i = from + 1; i < to; ++i) {
    if (y[i] > largest) largest = y[i];
    if (y[i] < smallest) smallest = y[i];
  }
}
