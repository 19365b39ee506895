// spectrum/fields.cpp: which fields a document has.
#include "spectrum/fields.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include "spectrum/units.hpp"

namespace spectrum {

namespace {

// A unit says something unless it is none or the arbitrary one by its own name.
bool has_unit(const axis_unit& u, axis which) {
  if (u.code < 0) return !u.name.empty();
  return u.code != 0 || u.name != unit_of_code(0, which).name;
}

}  // namespace

namespace {
constexpr std::array<field_name, 14> names{{
    {field::title, "title"},
    {field::date, "date"},
    {field::origin, "origin"},
    {field::owner, "owner"},
    {field::instrument, "instrument"},
    {field::resolution, "resolution"},
    {field::experiment, "experiment"},
    {field::x_unit, "x unit"},
    {field::y_unit, "y unit"},
    {field::z_unit, "z unit"},
    {field::z, "z"},
    {field::log, "log"},
    {field::labels, "labels"},
    {field::peaks, "peaks"},
}};
}  // namespace

std::span<const field_name> field_names() { return names; }

std::vector<std::string_view> fields_not_held(const document& doc, std::uint32_t holds) {
  // z says something only of several spectra, or where a spectrum has one.
  const bool has_z =
      doc.spectra.size() > 1 || std::any_of(doc.spectra.begin(), doc.spectra.end(),
                                            [](const spectrum& s) { return s.z != 0.0; });
  const auto any = [&](auto test) {
    return std::any_of(doc.spectra.begin(), doc.spectra.end(), test);
  };
  const std::array<std::pair<std::uint32_t, bool>, 14> has{{
      {field::title, !doc.memo.empty()},
      {field::date, doc.date.year != 0},
      {field::origin, !doc.origin.empty()},
      {field::owner, !doc.owner.empty()},
      {field::instrument, !doc.instrument.empty()},
      {field::resolution, doc.resolution && !doc.resolution->empty()},
      {field::experiment,
       doc.experiment_type > 0 || (doc.experiment_type < 0 && !doc.experiment.empty())},
      {field::x_unit, has_unit(doc.x_unit, axis::x)},
      {field::y_unit, has_unit(doc.y_unit, axis::y)},
      {field::z_unit, has_z && has_unit(doc.z_unit, axis::z)},
      {field::z, any([](const spectrum& s) { return s.z != 0.0; })},
      {field::log, !doc.log.empty()},
      {field::labels, !doc.labels.empty()},
      {field::peaks, any([](const spectrum& s) { return s.peaks; })},
  }};
  std::vector<std::string_view> lost;
  for (std::size_t i = 0; i < has.size(); ++i)
    if (has[i].second && (holds & has[i].first) == 0) lost.push_back(names[i].name);
  return lost;
}

}  // namespace spectrum
