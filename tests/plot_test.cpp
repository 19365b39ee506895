// tests/plot_test.cpp: `zolkdf plot` as a person sees it: the SVG picture rendered to pixels by
// rsvg-convert, the direction of the x axis under the terminal drawing, and the README's picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::run_zolkdf;

const fs::path source_root = fs::path(ZOLKDF_TEST_DIR) / "..";
const fs::path samples = fs::path(ZOLKDF_SHARED_DIR) / "spc_samples";

// The line under the terminal drawing that starts with prefix ("x: ").
std::string line_starting(const std::string& text, const std::string& prefix) {
  const std::size_t at = text.find("\n" + prefix);
  return at == std::string::npos ? "" : text.substr(at + 1, text.find('\n', at + 1) - at - 1);
}

TEST(plot_x_axis, runs_as_spectroscopists_read_its_unit) {
  if (!fs::exists(samples / "Ft-ir.spc")) GTEST_SKIP() << "no shared samples at " << samples;
  struct one_case {
    fs::path file;
    std::vector<std::string> options;
    std::string x_line;
  };
  // clang-format off
  const std::vector<one_case> cases{
      {samples / "Ft-ir.spc",              {},                "x: 4000 .. 450  Wavenumber (cm-1)"},
      {samples / "Ft-ir.spc",              {"--x-ascending"}, "x: 450 .. 4000  Wavenumber (cm-1)"},
      {"sample.xy",                        {},                "x: 1450 .. 1800"},
      {"sample.xy",                        {"--x-descending", "--xlim", "1500:1700"},
                                                              "x: 1700 .. 1500"},
  };
  // clang-format on
  test_support::scratch s{"plot_x_axis"};
  fs::copy_file(source_root / "examples" / "sample.xy", s.work / "sample.xy");
  for (const one_case& c : cases) {
    std::vector<std::string> args{"plot", c.file.string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = run_zolkdf(s.work, "", args);
    EXPECT_EQ(r.status, 0) << c.file << r.err;
    EXPECT_EQ(line_starting(r.out, "x: "), c.x_line) << c.file;
  }
}

TEST(plot_picture, is_what_the_readme_shows) {
  if (!fs::exists(samples / "Ft-ir.spc")) GTEST_SKIP() << "no shared samples at " << samples;
  test_support::scratch s{"plot_readme"};
  const auto r = run_zolkdf(s.work, "",
                            {"plot", (samples / "Ft-ir.spc").string(), "--title",
                             "An infrared spectrum, x from high to low", "-o", "-"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out == test_support::read_file(source_root / "doc/plot_example.svg"))
      << "doc/plot_example.svg is not what the program draws now";
}

#ifdef _WIN32

TEST(plot_picture, rendered_shows_every_spectrum_inside_its_axes) {
  GTEST_SKIP() << "rsvg-convert and xmllint run on the building system";
}

#else

// Writes the pixels of a PNG file as "width height bytes-per-pixel\n" and the rows' bytes.
constexpr const char* png_script = R"(import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
pos, idat = 8, b''
while pos < len(data):
    n, kind = struct.unpack('>I4s', data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + n]
    pos += 12 + n
    if kind == b'IHDR':
        w, h, depth, colour = struct.unpack('>IIBB', body[:10])
    elif kind == b'IDAT':
        idat += body
raw, bpp = zlib.decompress(idat), {2: 3, 6: 4}[colour]
stride, out, prev, i = w * bpp, bytearray(), bytearray(w * bpp), 0
for y in range(h):
    f, line = raw[i], bytearray(raw[i + 1:i + 1 + stride])
    i += 1 + stride
    for x in range(stride):
        a = line[x - bpp] if x >= bpp else 0
        b, c = prev[x], prev[x - bpp] if x >= bpp else 0
        if f == 1: line[x] = (line[x] + a) & 255
        elif f == 2: line[x] = (line[x] + b) & 255
        elif f == 3: line[x] = (line[x] + (a + b) // 2) & 255
        elif f == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    out += line
    prev = line
sys.stdout.buffer.write(b'%d %d %d\n' % (w, h, bpp) + out)
)";

bool have(const std::string& command) {
  return std::system(("command -v " + command + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(plot_picture, rendered_shows_every_spectrum_inside_its_axes) {
  if (!have("rsvg-convert"))
    GTEST_SKIP() << "rsvg-convert is missing (apt-get install librsvg2-bin)";
  if (!have("xmllint")) GTEST_SKIP() << "xmllint is missing (apt-get install libxml2-utils)";
  if (!fs::exists(samples / "m_evenz.spc")) GTEST_SKIP() << "no shared samples at " << samples;
  test_support::scratch s{"plot_rendered"};
  const auto r = run_zolkdf(
      s.work, "", {"plot", (samples / "m_evenz.spc").string(), "--size", "640x400", "-o", "p.svg"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string svg = test_support::read_file(s.work / "p.svg");
  const std::string run = "cd '" + s.work.string() + "' && ";
  EXPECT_EQ(std::system((run + "xmllint --noout p.svg").c_str()), 0) << "not well-formed";
  test_support::write_file(s.work / "png.py", png_script);
  ASSERT_EQ(
      std::system((run + "rsvg-convert p.svg -o p.png && python3 png.py p.png > p.pixels").c_str()),
      0);
  const std::string pixels = test_support::read_file(s.work / "p.pixels");
  const std::size_t start = pixels.find('\n') + 1;
  int width = 0, height = 0, bpp = 0;
  ASSERT_EQ(std::sscanf(pixels.c_str(), "%d %d %d", &width, &height, &bpp), 3);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 400);
  // The frame of the axes, where the lines are clipped.
  std::smatch m;
  const std::string n = "\"([0-9.]+)\"";
  const std::regex clip{"<clipPath id=\"axes\"><rect x=" + n + " y=" + n + " width=" + n +
                        " height=" + n};
  ASSERT_TRUE(std::regex_search(svg, m, clip));
  const double left = std::stod(m[1]), top = std::stod(m[2]);
  const double right = left + std::stod(m[3]), bottom = top + std::stod(m[4]);
  const std::vector<unsigned> colours{0x0072B2, 0xD55E00, 0x009E73, 0xCC79A7,
                                      0x56B4E9, 0xE69F00, 0xF0E442};
  std::vector<int> inside(colours.size()), outside(colours.size());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto at = start + static_cast<std::size_t>((y * width + x) * bpp);
      const auto channel = [&](int k) { return static_cast<unsigned char>(pixels[at + k]); };
      for (std::size_t c = 0; c < colours.size(); ++c) {
        const int dr = channel(0) - static_cast<int>(colours[c] >> 16);
        const int dg = channel(1) - static_cast<int>(colours[c] >> 8 & 0xFF);
        const int db = channel(2) - static_cast<int>(colours[c] & 0xFF);
        if (dr * dr + dg * dg + db * db > 3 * 12 * 12) continue;
        const bool in = x >= left - 1 && x <= right && y >= top - 1 && y <= bottom;
        ++(in ? inside : outside)[c];
      }
    }
  for (std::size_t c = 0; c < colours.size(); ++c) {
    EXPECT_GT(inside[c], 20) << "colour " << std::hex << colours[c] << " not drawn";
    EXPECT_EQ(outside[c], 0) << "colour " << std::hex << colours[c] << " outside the axes";
  }
}

#endif

}  // namespace
