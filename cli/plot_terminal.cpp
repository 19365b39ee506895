// cli/plot_terminal.cpp: a plot drawn in a terminal with braille characters, each a cell of two
// by four dots, and the ranges of its axes written under it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "cli/plot.hpp"

namespace cli::plot {

namespace {

// The bit of the dot in column dx (0, 1) and row dy (0 to 3, from the top) of a braille cell.
constexpr std::uint8_t dot_bits[4][2] = {{0x01, 0x08}, {0x02, 0x10}, {0x04, 0x20}, {0x40, 0x80}};

// A grid of dots, set where a line passes.
struct dots {
  long long width, height;
  std::vector<std::uint8_t> cells;  // one braille pattern a cell, row by row

  void set(long long x, long long y) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    cells[static_cast<std::size_t>(y / 4 * (width / 2) + x / 2)] |= dot_bits[y % 4][x % 2];
  }
  // The dots on the way from one dot to another, both included, of the part of the way that
  // lies on the grid: a point far outside the axes' ranges costs no more than one inside.
  void join(double x0, double y0, double x1, double y1) {
    double from = 0.0, to = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    // Where the way crosses each edge, one dot beyond the grid.
    const auto keep = [&](double p, double q) {
      if (p == 0.0) return q >= 0.0;
      const double t = q / p;
      if (p < 0.0)
        from = std::max(from, t);
      else
        to = std::min(to, t);
      return from <= to;
    };
    const double w = static_cast<double>(width), h = static_cast<double>(height);
    if (!keep(-dx, x0 + 1) || !keep(dx, w - x0) || !keep(-dy, y0 + 1) || !keep(dy, h - y0)) return;
    const double ax = x0 + dx * from, ay = y0 + dy * from;
    const double bx = x0 + dx * to, by = y0 + dy * to;
    const double steps = std::ceil(std::max(std::fabs(bx - ax), std::fabs(by - ay)));
    if (!std::isfinite(steps)) return;
    for (double k = 0; k <= steps; ++k) {
      const double t = steps > 0 ? k / steps : 0.0;
      set(std::llround(ax + (bx - ax) * t), std::llround(ay + (by - ay) * t));
    }
  }
};

// The range of an axis as written under the drawing, from its start to its end.
std::string range_line(std::string_view name, const axis_view& a) {
  const double start = a.descending ? a.high : a.low;
  const double end = a.descending ? a.low : a.high;
  std::string out = std::string{name} + ": " + short_text(start) + " .. " + short_text(end);
  return a.title.empty() ? out : out + "  " + a.title;
}

}  // namespace

std::string text_drawing(const picture& p, int columns, int rows) {
  const long long cells_wide = std::max(columns, 2);
  const long long cells_high = std::max(rows - 3, 1);  // room for the ranges and a prompt
  dots grid{cells_wide * 2, cells_high * 4,
            std::vector<std::uint8_t>(static_cast<std::size_t>(cells_wide * cells_high), 0)};
  const double right = static_cast<double>(grid.width - 1);
  const double bottom = static_cast<double>(grid.height - 1);
  for (const line& l : p.lines) {
    bool first = true;
    double last_x = 0, last_y = 0;
    for (const std::size_t k : reduced(l, p.x, static_cast<std::size_t>(grid.width))) {
      const double x = along(p.x, l.x[k]) * right;
      const double y = (1.0 - along(p.y, l.y[k] + l.offset)) * bottom;
      if (first)
        grid.join(x, y, x, y);
      else
        grid.join(last_x, last_y, x, y);
      first = false;
      last_x = x;
      last_y = y;
    }
  }
  std::string out;
  for (long long r = 0; r < cells_high; ++r) {
    std::string row;
    std::size_t used = 0;  // the row up to its last cell with a dot: no blanks trail it
    for (long long c = 0; c < cells_wide; ++c) {
      const std::uint8_t bits = grid.cells[static_cast<std::size_t>(r * cells_wide + c)];
      if (bits == 0) {
        row += ' ';
        continue;
      }
      // U+2800 + bits in UTF-8.
      row += static_cast<char>(0xE2);
      row += static_cast<char>(0xA0 | bits >> 6);
      row += static_cast<char>(0x80 | (bits & 0x3F));
      used = row.size();
    }
    row.resize(used);
    out += row + "\n";
  }
  return out + range_line("x", p.x) + "\n" + range_line("y", p.y) + "\n";
}

}  // namespace cli::plot
