// cli/plot.hpp: what `zolkdf plot` draws: the lines of its spectra on one set of axes, the axes'
// ranges, directions and titles, and the two drawings made of them, an SVG picture and text.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace cli::plot {

// One spectrum as drawn: its points, raised by offset (--stack), and its name in the legend.
struct line {
  std::string name;
  std::span<const double> x, y;
  double offset = 0.0;
};

// The values that an axis shows, low < high, drawn from high to low where descending.
struct axis_view {
  double low = 0.0, high = 1.0;
  bool descending = false;
  std::string title;
};

// Everything drawn.
struct picture {
  std::vector<line> lines;
  axis_view x, y;
  std::string title;
};

// Where v lies along the axis, from 0 at its start (left or bottom) to 1 at its end.
double along(const axis_view& a, double v);

// The round values at which an axis gets at most most ticks: multiples of 1, 2 or 5 x 10^k.
// ticks({0, 10}, 6) == {0, 2, 4, 6, 8, 10}
std::vector<double> ticks(const axis_view& a, std::size_t most);
// A tick's value with the decimals that the step between ticks needs.
// tick_text(2.5, 0.5) == "2.5"; tick_text(2000, 500) == "2000"
std::string tick_text(double value, double step);
// A value in at most six significant digits: short_text(3996.5312) == "3996.53"
std::string short_text(double value);

// The points of a line that a drawing columns wide shows: where several fall on one column, the
// first, the lowest, the highest and the last of them, in their order, so that the drawing looks
// as that of every point would. Points without a finite x and y are left out.
std::vector<std::size_t> reduced(const line& l, const axis_view& x, std::size_t columns);

// The picture as an SVG 1.1 document width x height pixels large.
std::string svg(const picture& p, int width, int height);
// The picture drawn with braille characters, columns wide and rows high, with the axes' ranges
// and titles on the two lines under it.
std::string text_drawing(const picture& p, int columns, int rows);

}  // namespace cli::plot
