// cli/plot.cpp: `zolkdf plot`: the spectra of every file read, each file's trouble reported and
// the others drawn, on one set of axes whose ranges, direction and titles are chosen here.
#include "cli/plot.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "cli/batch_plan.hpp"
#include "cli/cli.hpp"
#include "cli/load.hpp"
#include "recio/os.hpp"
#include "recio/paths.hpp"
#include "spectrum/units.hpp"

namespace cli {

namespace {

// The size of a terminal drawing where the terminal does not tell its width.
constexpr int default_columns = 80;
constexpr int default_rows = 24;

// Whether the x axis of a unit is read from high to low: wavenumbers in infrared spectra and
// chemical shifts in NMR are.
bool read_from_high_to_low(const spectrum::axis_unit& u) {
  const int code = u.code >= 0 ? u.code : spectrum::unit_named(u.name, spectrum::axis::x).code;
  return code == 1 || code == 10;
}

// The lowest and highest finite values of y whose x lies in [low, high], raised by offset.
void widen(const plot::line& l, double low, double high, double& least, double& most) {
  for (std::size_t i = 0; i < std::min(l.x.size(), l.y.size()); ++i)
    if (l.x[i] >= low && l.x[i] <= high && std::isfinite(l.y[i])) {
      least = std::min(least, l.y[i] + l.offset);
      most = std::max(most, l.y[i] + l.offset);
    }
}

// An axis that shows low to high, made wider where there is nothing between them.
plot::axis_view axis_over(double low, double high, double margin) {
  if (!(low <= high)) return {};  // no finite value at all
  if (!std::isfinite(high - low)) return {low, high, false, {}};
  if (low == high) {
    const double half = low == 0.0 ? 1.0 : std::fabs(low) * 0.05;
    return {low - half, high + half, false, {}};
  }
  const double m = (high - low) * margin;
  return {low - m, high + m, false, {}};
}

// The legend's names of a file's spectra: its name, and with several spectra the z of each where
// they differ in z, else each one's number.
std::vector<std::string> names_of(const std::string& path, const spectrum::document& doc,
                                  std::optional<int> only) {
  const std::string name = path == "-" ? path : recio::utf8_of(recio::path_of(path).filename());
  const auto& spectra = doc.spectra;
  if (spectra.size() == 1 && !only) return {name};
  const bool by_z = std::any_of(spectra.begin(), spectra.end(),
                                [&](const spectrum::spectrum& s) { return s.z != spectra[0].z; });
  std::vector<std::string> names;
  for (std::size_t i = 0; i < spectra.size(); ++i)
    if (!only || i + 1 == static_cast<std::size_t>(*only))
      names.push_back(
          name + (by_z ? " z=" + plot::short_text(spectra[i].z) : " " + std::to_string(i + 1)));
  return names;
}

// Sets the axes' ranges to those of the lines, or to the limits asked for, and raises each line
// above the one before where they are stacked.
void fit_axes(const plot_settings& s, plot::picture& p) {
  constexpr double none = std::numeric_limits<double>::infinity();
  double low = none, high = -none;
  for (const plot::line& l : p.lines)
    for (const double v : l.x)
      if (std::isfinite(v)) {
        low = std::min(low, v);
        high = std::max(high, v);
      }
  if (s.x_limits) std::tie(low, high) = *s.x_limits;
  const plot::axis_view x = axis_over(low, high, 0.0);
  p.x = {x.low, x.high, p.x.descending, p.x.title};
  // Stacked, each spectrum stands above the one before by the tallest one's height and a tenth.
  if (s.stack) {
    double step = 0.0;
    for (const plot::line& l : p.lines) {
      double least = none, most = -none;
      widen(l, p.x.low, p.x.high, least, most);
      if (least <= most) step = std::max(step, (most - least) * 1.1);
    }
    for (std::size_t i = 0; i < p.lines.size(); ++i)
      p.lines[i].offset = static_cast<double>(i) * (step > 0.0 ? step : 1.0);
  }
  double least = none, most = -none;
  for (const plot::line& l : p.lines) widen(l, p.x.low, p.x.high, least, most);
  if (s.y_limits) std::tie(least, most) = *s.y_limits;
  const plot::axis_view y = axis_over(least, most, s.y_limits ? 0.0 : 0.05);
  p.y = {y.low, y.high, false, p.y.title};
}

}  // namespace

int plot_spectra(const plot_settings& s) {
  std::vector<loaded> files;
  std::vector<std::string> paths;
  bool failed = false;
  for (const std::string& path : s.inputs) {
    loaded in = load(path, s.from, s.reading);
    to_error(in.warnings);
    const std::size_t count = in.doc.spectra.size();
    if (in.error.empty() && s.spectrum && static_cast<std::size_t>(*s.spectrum) > count)
      in.error = report(path, {"has no spectrum " + std::to_string(*s.spectrum) + " (it holds " +
                               std::to_string(count) + ")"});
    if (!in.error.empty()) {
      to_error(in.error);
      failed = true;
      continue;
    }
    files.push_back(std::move(in));
    paths.push_back(path);
  }
  if (files.empty()) return 1;

  // The axes take the first file's units.
  const spectrum::document& first = files.front().doc;
  plot::picture p;
  p.title = s.title;
  p.x.title = first.x_unit.name;
  p.y.title = first.y_unit.name;
  p.x.descending = s.x_descending.value_or(read_from_high_to_low(first.x_unit));
  for (std::size_t f = 0; f < files.size(); ++f) {
    const std::vector<std::string> names = names_of(paths[f], files[f].doc, s.spectrum);
    std::size_t k = 0;
    for (std::size_t i = 0; i < files[f].doc.spectra.size(); ++i)
      if (!s.spectrum || i + 1 == static_cast<std::size_t>(*s.spectrum)) {
        const spectrum::spectrum& one = files[f].doc.spectra[i];
        p.lines.push_back({names[k++], one.x, one.y});
      }
  }
  fit_axes(s, p);

  if (s.output.empty()) {
    const int columns = recio::os::terminal_columns(recio::os::standard_output);
    to_output(plot::text_drawing(p, columns > 0 ? columns : default_columns, default_rows));
  } else if (const spectrum::outcome t =
                 formats::write_bytes(plot::svg(p, s.width, s.height), s.output)) {
    to_error(report(s.output, is_folder(s.output) ? spectrum::trouble{"is a folder"} : *t));
    return 1;
  }
  return failed ? 1 : 0;
}

}  // namespace cli
