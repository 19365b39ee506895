// spectrum/axis.cpp: evenly spaced x, made and judged.
#include "spectrum/axis.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

#include "spectrum/fixed_spectrum.hpp"

namespace spectrum {

digits_of_axis::digits_of_axis(double scale) {
  if (!std::isfinite(scale) || scale <= 0) return;
  exponent_ = static_cast<int>(std::floor(std::log10(scale))) - 14;
  if (exponent_ < -22 || exponent_ > 22) return;  // beyond the exact powers of ten
  ten_ = std::pow(10.0, std::abs(exponent_));
  kept_ = true;
}

std::vector<double> even_x(double first, double last, std::size_t n) {
  std::vector<double> x(n);
  if (n == 0) return x;
  double* const v = x.data();
  const double span = last - first;
  // The fraction of the way, i / (n - 1), as i times its reciprocal: within a unit of its last
  // place, as the quotient is, which the rounding to the axis's digits then covers.
  const double per_step = 1.0 / static_cast<double>(n - 1);
  const digits_of_axis kept{std::max(std::fabs(first), std::fabs(last))};
  if (n < (std::size_t{1} << 31)) {
    // Counted in 32 bits, which the compiler turns into doubles several at a time.
    kept.write_kept(v + 1, static_cast<std::int32_t>(n) - 2, [=](std::int32_t k) {
      return first + span * (static_cast<double>(k + 1) * per_step);
    });
  } else {
    for (std::size_t i = 1; i + 1 < n; ++i)
      v[i] = kept(first + span * (static_cast<double>(i) * per_step));
  }
  if (n > 1) v[n - 1] = last;
  v[0] = first;
  return x;
}

namespace {

// The decimals of the fewest digits that read back as v: 2 for 0.25, 0 for 1800, 6 for 1.5e-05.
// A value of single precision, as a reader of floats gives it, reads back from the digits of the
// float: 3996.396f, which is 3996.39599609375, has 3.
int decimals_of(double v) {
  if (v == std::trunc(v)) return 0;  // most x that a file prints are whole numbers
  std::array<char, 32> text{};
  const bool single = held_as_float(v);
  const auto end =
      single ? std::to_chars(text.data(), text.data() + text.size(), static_cast<float>(v)).ptr
             : std::to_chars(text.data(), text.data() + text.size(), v).ptr;
  const std::string_view s{text.data(), static_cast<std::size_t>(end - text.data())};
  const std::size_t e = s.find('e');
  const std::string_view mantissa = s.substr(0, e);
  const std::size_t point = mantissa.find('.');
  int decimals =
      point == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
  if (e != std::string_view::npos) {
    int exponent = 0;
    std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), exponent);
    decimals -= exponent;
  }
  return std::max(decimals, 0);
}

// Whether the fewest digits that read back as v need more than d decimals. A value that d
// decimals give, m / 10^d for a whole m, is the double nearest that text: such values, which are
// most of what a file prints, are told without writing their digits.
bool more_decimals_than(double v, int d) {
  constexpr std::array<double, 16> powers{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (d < static_cast<int>(powers.size())) {
    const double p = powers[static_cast<std::size_t>(d)];
    const double m = std::nearbyint(v * p);
    if (std::fabs(m) < 9007199254740992.0 && m / p == v) return false;
  }
  return decimals_of(v) > d;
}

}  // namespace

bool even_as_printed(std::span<const double> x) {
  const std::size_t n = x.size();
  if (n < 3) return true;
  const double first = x[0];
  const double span = x[n - 1] - first;
  const double per_step = 1.0 / static_cast<double>(n - 1);
  // The farthest that a value lies from its place beyond the rounding of single precision.
  constexpr double single_rounding = 1.0 / 16777216.0;
  double farthest = 0.0;
  for (std::size_t i = 1; i + 1 < n; ++i) {
    const double place = first + span * (static_cast<double>(i) * per_step);
    const double off = std::fabs(x[i] - place);
    if (!(off <= single_rounding * (std::fabs(x[i]) + std::fabs(place))))
      farthest = std::max(farthest, std::isnan(off) ? HUGE_VAL : off);
  }
  if (farthest == 0.0) return true;
  // Even when the last printed digit is at least that far: when no value needs more than d
  // decimals, d the most for which 10^-d is that far.
  if (!(farthest <= 1.0)) return false;
  int d = 0;
  while (d < 20 && std::pow(10.0, -(d + 1)) >= farthest) ++d;
  for (const double v : x)
    if (std::isfinite(v) && more_decimals_than(v, d)) return false;
  return true;
}

bool one_x_axis(std::span<const spectrum> spectra) {
  return std::all_of(spectra.begin(), spectra.end(),
                     [&](const spectrum& t) { return t.x == spectra.front().x; });
}

}  // namespace spectrum
