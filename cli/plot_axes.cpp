// cli/plot_axes.cpp: the axes of a plot: positions along them, ticks at round values and their
// texts, and the points of a line that a drawing of so many columns needs.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "cli/plot.hpp"

namespace cli::plot {

double along(const axis_view& a, double v) {
  const double f = (v - a.low) / (a.high - a.low);
  return a.descending ? 1.0 - f : f;
}

std::vector<double> ticks(const axis_view& a, std::size_t most) {
  const double span = a.high - a.low;
  if (!(span > 0.0) || !std::isfinite(span) || most == 0) return {};
  // The smallest step of 1, 2 or 5 x 10^k that gives no more ticks than asked.
  const auto count = [&](double step) {
    return std::floor(a.high / step) - std::ceil(a.low / step) + 1.0;
  };
  double step = 0.0;
  for (double power = std::pow(10.0, std::floor(std::log10(span / static_cast<double>(most))));
       step == 0.0; power *= 10.0)
    for (const double m : {1.0, 2.0, 5.0})
      if (step == 0.0 && count(m * power) <= static_cast<double>(most)) step = m * power;
  std::vector<double> values;
  for (double k = std::ceil(a.low / step); k * step <= a.high + span * 1e-9; k += 1.0)
    values.push_back(k * step == 0.0 ? 0.0 : k * step);  // no -0
  return values;
}

std::string tick_text(double value, double step) {
  const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
  std::array<char, 64> text{};
  const auto end = std::to_chars(text.data(), text.data() + text.size(), value,
                                 std::chars_format::fixed, std::min(decimals, 15))
                       .ptr;
  const std::string_view s{text.data(), static_cast<std::size_t>(end - text.data())};
  if (s.find_first_not_of("-0.") == std::string_view::npos) return "0";  // -0.0 shows as 0
  return std::string{s};
}

std::string short_text(double value) {
  std::array<char, 64> text{};
  const auto end =
      std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::general, 6)
          .ptr;
  return {text.data(), end};
}

std::vector<std::size_t> reduced(const line& l, const axis_view& x, std::size_t columns) {
  std::vector<std::size_t> kept;
  const std::size_t n = std::min(l.x.size(), l.y.size());
  const auto column_of = [&](double v) {
    // Points beyond either end share a column of their own there, so that the line still runs
    // to the edge from the nearest of them.
    const double f = std::floor(along(x, v) * static_cast<double>(columns));
    return static_cast<long long>(std::clamp(f, -1.0, static_cast<double>(columns)));
  };
  std::size_t first = n, lowest = n, highest = n, last = n;
  long long column = 0;
  const auto flush = [&] {
    if (first == n) return;
    std::array<std::size_t, 4> run{first, std::min(lowest, highest), std::max(lowest, highest),
                                   last};
    for (const std::size_t i : run)
      if (kept.empty() || kept.back() != i) kept.push_back(i);
    first = n;
  };
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(l.x[i]) || !std::isfinite(l.y[i])) continue;
    const long long c = column_of(l.x[i]);
    if (first != n && c != column) flush();
    if (first == n) {
      first = lowest = highest = i;
      column = c;
    }
    if (l.y[i] < l.y[lowest]) lowest = i;
    if (l.y[i] > l.y[highest]) highest = i;
    last = i;
  }
  flush();
  return kept;
}

}  // namespace cli::plot
