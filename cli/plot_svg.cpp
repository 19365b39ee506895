// cli/plot_svg.cpp: a plot as an SVG 1.1 picture: the frame of the axes with ticks at round
// values, the axes' titles, each spectrum's line in its own colour, and the legend.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "cli/load.hpp"
#include "cli/plot.hpp"

namespace cli::plot {

namespace {

// Okabe and Ito's colours that a person with any form of colour blindness tells apart, black
// left for the axes; after the seventh line the colours come round again with dashes.
constexpr std::array<std::string_view, 7> palette{"#0072B2", "#D55E00", "#009E73", "#CC79A7",
                                                  "#56B4E9", "#E69F00", "#F0E442"};
constexpr std::array<std::string_view, 4> dashes{"", "6,3", "2,2", "8,3,2,3"};

// The frame of the axes inside the picture, in pixels.
struct frame {
  double left, top, width, height;
};

// A coordinate in pixels to a tenth; one far outside the picture is drawn as if it lay at most
// a hundred thousand pixels out, which changes nothing that shows.
std::string px(double v) {
  v = std::isnan(v) ? 0.0 : std::clamp(v, -1e5, 1e5);
  std::array<char, 32> text{};
  const auto end = std::to_chars(text.data(), text.data() + text.size(),
                                 std::round(v * 10.0) / 10.0, std::chars_format::fixed, 1)
                       .ptr;
  std::string s{text.data(), end};
  if (s.ends_with(".0")) s.resize(s.size() - 2);
  return s == "-0" ? "0" : s;
}

// A text as XML character data or an attribute's value: a file's name or title, whose control
// characters are shown escaped as in messages.
std::string xml_text(const std::string& text) {
  std::string out;
  for (const char c : shown_name(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A text element at (x, y); anchor "start", "middle" or "end".
std::string text_at(double x, double y, std::string_view anchor, const std::string& text,
                    std::string_view extra = "") {
  return "<text x=\"" + px(x) + "\" y=\"" + px(y) + "\" text-anchor=\"" + std::string{anchor} +
         "\"" + std::string{extra} + ">" + xml_text(text) + "</text>\n";
}

// The ticks of both axes, their values and the axes' titles.
std::string axes(const picture& p, const frame& f) {
  std::string out = "<g stroke=\"#000000\" stroke-width=\"1\">\n";
  std::string labels = "<g font-family=\"sans-serif\" font-size=\"12\" fill=\"#000000\">\n";
  const std::vector<double> xs = ticks(p.x, static_cast<std::size_t>(f.width / 70.0));
  const std::vector<double> ys = ticks(p.y, static_cast<std::size_t>(f.height / 40.0));
  const double x_step = xs.size() > 1 ? xs[1] - xs[0] : 1.0;
  const double y_step = ys.size() > 1 ? ys[1] - ys[0] : 1.0;
  const double bottom = f.top + f.height;
  for (const double v : xs) {
    const double at = std::round(f.left + along(p.x, v) * f.width) + 0.5;
    out += "<line x1=\"" + px(at) + "\" y1=\"" + px(bottom) + "\" x2=\"" + px(at) + "\" y2=\"" +
           px(bottom + 5) + "\"/>\n";
    labels += text_at(at, bottom + 18, "middle", tick_text(v, x_step));
  }
  for (const double v : ys) {
    const double at = std::round(bottom - along(p.y, v) * f.height) + 0.5;
    out += "<line x1=\"" + px(f.left - 5) + "\" y1=\"" + px(at) + "\" x2=\"" + px(f.left) +
           "\" y2=\"" + px(at) + "\"/>\n";
    labels += text_at(f.left - 8, at + 4, "end", tick_text(v, y_step));
  }
  out += "<rect x=\"" + px(f.left) + "\" y=\"" + px(f.top) + "\" width=\"" + px(f.width) +
         "\" height=\"" + px(f.height) + "\" fill=\"none\"/>\n</g>\n";
  labels += text_at(f.left + f.width / 2, bottom + 38, "middle", p.x.title);
  const double y_middle = f.top + f.height / 2;
  labels += text_at(16, y_middle, "middle", p.y.title,
                    " transform=\"rotate(-90 16 " + px(y_middle) + ")\"");
  if (!p.title.empty())
    labels += text_at(f.left + f.width / 2, 20, "middle", p.title, " font-size=\"14\"");
  return out + labels + "</g>\n";
}

// The line of spectrum i, its points reduced to what each pixel column shows.
std::string line_path(const picture& p, const frame& f, std::size_t i) {
  const line& l = p.lines[i];
  const auto columns = static_cast<std::size_t>(std::max(1.0, f.width));
  std::string d;
  std::string last;
  for (const std::size_t k : reduced(l, p.x, columns)) {
    const std::string point = px(f.left + along(p.x, l.x[k]) * f.width) + "," +
                              px(f.top + f.height - along(p.y, l.y[k] + l.offset) * f.height);
    if (point == last) continue;
    d += (d.empty() ? "M" : "L") + point;
    last = point;
  }
  if (d.empty()) return {};
  const std::string_view dash = dashes[i / palette.size() % dashes.size()];
  return "<path d=\"" + d + "\" stroke=\"" + std::string{palette[i % palette.size()]} + "\"" +
         (dash.empty() ? "" : " stroke-dasharray=\"" + std::string{dash} + "\"") + "/>\n";
}

// The legend in the frame's upper right corner: as many names as fit, then how many more.
std::string legend(const picture& p, const frame& f) {
  const double row = 16;
  const auto fit = static_cast<std::size_t>(std::max(1.0, (f.height - 12) / row));
  std::size_t shown = p.lines.size() <= fit ? p.lines.size() : fit - 1;
  std::string more;
  if (shown < p.lines.size()) more = "and " + std::to_string(p.lines.size() - shown) + " more";
  std::size_t longest = more.size();
  for (std::size_t i = 0; i < shown; ++i)
    longest = std::max(longest, xml_text(p.lines[i].name).size());
  const double width = std::min(f.width - 8, 40.0 + 7.0 * static_cast<double>(longest));
  const double height = 8 + row * static_cast<double>(shown + (more.empty() ? 0 : 1));
  const double left = f.left + f.width - width - 6;
  const double top = f.top + 6;
  std::string out = "<g font-family=\"sans-serif\" font-size=\"11\">\n<rect x=\"" + px(left) +
                    "\" y=\"" + px(top) + "\" width=\"" + px(width) + "\" height=\"" + px(height) +
                    "\" fill=\"#FFFFFF\" stroke=\"#999999\" stroke-width=\"1\"/>\n";
  for (std::size_t i = 0; i <= shown && i < p.lines.size(); ++i) {
    const double y = top + 4 + row * static_cast<double>(i) + row / 2;
    if (i == shown) {
      out += text_at(left + 32, y + 4, "start", more);
      break;
    }
    const std::string_view dash = dashes[i / palette.size() % dashes.size()];
    out += "<line x1=\"" + px(left + 6) + "\" y1=\"" + px(y) + "\" x2=\"" + px(left + 26) +
           "\" y2=\"" + px(y) + "\" stroke=\"" + std::string{palette[i % palette.size()]} +
           "\" stroke-width=\"2\"" +
           (dash.empty() ? "" : " stroke-dasharray=\"" + std::string{dash} + "\"") + "/>\n";
    out += text_at(left + 32, y + 4, "start", p.lines[i].name);
  }
  return out + "</g>\n";
}

}  // namespace

std::string svg(const picture& p, int width, int height) {
  const double w = width, h = height;
  const frame f{70, p.title.empty() ? 15.0 : 32.0, w - 70 - 15,
                h - (p.title.empty() ? 15 : 32) - 50};
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + px(w) +
         "\" height=\"" + px(h) + "\" viewBox=\"0 0 " + px(w) + " " + px(h) + "\">\n";
  if (!p.title.empty()) out += "<title>" + xml_text(p.title) + "</title>\n";
  out += "<rect width=\"" + px(w) + "\" height=\"" + px(h) + "\" fill=\"#FFFFFF\"/>\n";
  out += "<defs><clipPath id=\"axes\"><rect x=\"" + px(f.left) + "\" y=\"" + px(f.top) +
         "\" width=\"" + px(f.width) + "\" height=\"" + px(f.height) + "\"/></clipPath></defs>\n";
  out +=
      "<g clip-path=\"url(#axes)\" fill=\"none\" stroke-width=\"1\" "
      "stroke-linejoin=\"round\">\n";
  for (std::size_t i = 0; i < p.lines.size(); ++i) out += line_path(p, f, i);
  out += "</g>\n" + axes(p, f) + legend(p, f) + "</svg>\n";
  return out;
}

}  // namespace cli::plot
