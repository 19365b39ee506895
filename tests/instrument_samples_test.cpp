// tests/instrument_samples_test.cpp: every shared file that an instrument wrote, read as what an
// independent reader reads from it, and converted to SPC, JCAMP-DX and CSV and back unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "formats/formats.hpp"
#include "spectrum/units.hpp"
#include "tests/support/run_program.hpp"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path samples = fs::path(ZOLKDF_SHARED_DIR) / "instrument_samples";

// The format that the independent reader names, as -f names it.
std::string format_named(const std::string& theirs) {
  if (theirs.ends_with("-spa") || theirs.ends_with("-spg")) return "spa";
  if (theirs.ends_with("-txt")) return "raman-text";
  return theirs;
}

// The largest |v|, against which a value's difference is measured.
double largest(const std::vector<double>& v) {
  double m = 0.0;
  for (const double a : v) m = std::max(m, std::fabs(a));
  return m;
}

// x within 1e-6 relative of x, y within 1e-6 of the largest y; z exactly where given.
void expect_points(const spectrum::spectrum& s, const std::vector<double>& x,
                   const std::vector<double>& y, double z_tolerance, const json* z) {
  ASSERT_EQ(s.y.size(), y.size());
  ASSERT_EQ(s.x.size(), x.size());
  const double most = largest(y);
  for (std::size_t i = 0; i < y.size(); ++i) {
    ASSERT_NEAR(s.x[i], x[i], 1e-6 * std::fabs(x[i])) << "point " << i;
    ASSERT_NEAR(s.y[i], y[i], 1e-6 * most) << "point " << i;
  }
  if (z && z->is_number()) {
    EXPECT_NEAR(s.z, z->get<double>(), z_tolerance * std::max(1.0, std::fabs(z->get<double>())));
  }
}

// A unit as the document holds it against the independent reader's name for it: the same code
// where the name is one that units know, else the same name in any letter case.
void expect_unit(const spectrum::axis_unit& ours, const json& theirs, spectrum::axis which) {
  if (!theirs.is_string()) return;
  const spectrum::axis_unit known = spectrum::unit_named(theirs.get<std::string>(), which);
  if (known.code >= 0) {
    EXPECT_EQ(ours.code, known.code) << ours.name << " for " << theirs;
  } else {
    std::string a = ours.name, b = theirs.get<std::string>();
    for (std::string* s : {&a, &b})
      std::transform(s->begin(), s->end(), s->begin(),
                     [](unsigned char c) { return std::tolower(c); });
    EXPECT_EQ(a, b);
  }
}

// "2020-02-06T13:09:58.095+01:00" as the year, month, day, hour, minute and second it names.
std::vector<int> date_named(const std::string& iso) {
  std::vector<int> d(6, 0);
  std::sscanf(iso.c_str(), "%d-%d-%dT%d:%d:%d", &d[0], &d[1], &d[2], &d[3], &d[4], &d[5]);
  return d;
}

struct sample {
  std::string file;
  json expected;
};

std::vector<sample> samples_present() {
  std::vector<sample> all;
  if (!fs::exists(samples)) return all;
  for (const auto& e : fs::directory_iterator(samples / "expected"))
    if (e.path().extension() == ".json")
      all.push_back({e.path().stem().string(), json::parse(test_support::read_file(e.path()))});
  std::sort(all.begin(), all.end(),
            [](const sample& a, const sample& b) { return a.file < b.file; });
  return all;
}

TEST(instrument_samples, give_the_spectra_units_and_texts_an_independent_reader_gives) {
  const std::vector<sample> all = samples_present();
  if (all.empty()) GTEST_SKIP() << "no shared instrument samples at " << samples;
  for (const sample& s : all) {
    SCOPED_TRACE(s.file);
    const std::string format = format_named(s.expected[0]["format"].get<std::string>());
    const formats::loaded r = formats::load((samples / s.file).string(), "", {});
    ASSERT_FALSE(r.trouble) << r.trouble->reason << " at offset " << r.trouble->offset;
    ASSERT_NE(r.format, nullptr);
    EXPECT_EQ(r.format->name, format) << "told from its contents";
    ASSERT_EQ(r.doc.spectra.size(), s.expected.size());
    for (std::size_t i = 0; i < s.expected.size(); ++i) {
      SCOPED_TRACE("spectrum " + std::to_string(i));
      const json& e = s.expected[i];
      const spectrum::spectrum& t = r.doc.spectra[i];
      expect_points(t, e["x"].get<std::vector<double>>(), e["y"].get<std::vector<double>>(), 1e-12,
                    e.contains("z") ? &e["z"] : nullptr);
      if (e["title"].is_string()) {
        EXPECT_TRUE(t.title == e["title"] || r.doc.memo == e["title"])
            << t.title << " / " << r.doc.memo;
      }
      if (e["date"].is_string() && i == 0) {
        EXPECT_EQ(std::vector<int>({r.doc.date.year, r.doc.date.month, r.doc.date.day,
                                    r.doc.date.hour, r.doc.date.minute, r.doc.date.second}),
                  date_named(e["date"]));
      }
    }
    const json& first = s.expected[0];
    expect_unit(r.doc.x_unit, first["x_unit"], spectrum::axis::x);
    expect_unit(r.doc.y_unit, first["y_unit"], spectrum::axis::y);
    if (first.contains("instrument")) {
      EXPECT_EQ(r.doc.instrument, first["instrument"]);
    }
    if (first.contains("resolution")) {
      ASSERT_TRUE(r.doc.resolution.has_value());
      EXPECT_DOUBLE_EQ(std::stod(*r.doc.resolution), first["resolution"].get<double>());
    }
    if (first.contains("laser_wavenumber")) {
      const auto laser = std::find_if(r.doc.labels.begin(), r.doc.labels.end(),
                                      [](const auto& l) { return l.first == "$LASER WAVENUMBER"; });
      ASSERT_NE(laser, r.doc.labels.end());
      EXPECT_NEAR(std::stod(laser->second), first["laser_wavenumber"].get<double>(), 1e-6);
    }
  }
}

// Each sample converted by the program to each exchange format, into one file or, where the
// format cannot hold its spectra in one, into numbered files, and read back: the same points,
// units and z.
TEST(instrument_samples, convert_to_each_exchange_format_and_back_unchanged) {
  const std::vector<sample> all = samples_present();
  if (all.empty()) GTEST_SKIP() << "no shared instrument samples at " << samples;
  const test_support::scratch scratch{"instrument_samples"};
  for (const sample& s : all) {
    const formats::loaded r = formats::load((samples / s.file).string(), "", {});
    ASSERT_FALSE(r.trouble) << s.file << ": " << r.trouble->reason;
    for (const char* to : {"spc", "jcamp", "csv"}) {
      SCOPED_TRACE(s.file + " as " + to);
      const fs::path out = scratch.work / s.file / to;
      const auto run = test_support::run_zolkdf(
          scratch.work, "",
          {"convert", "-q", "-t", to, "-d", out.string(), (samples / s.file).string()});
      ASSERT_EQ(run.status, 0) << run.err;
      // The outputs in their order: name-1, name-2, ... name-10 sort by length first.
      std::vector<fs::path> outputs;
      for (const auto& e : fs::directory_iterator(out)) outputs.push_back(e.path());
      std::sort(outputs.begin(), outputs.end(), [](const fs::path& a, const fs::path& b) {
        return std::pair(a.string().size(), a) < std::pair(b.string().size(), b);
      });
      spectrum::document back;  // the first output's, with every output's spectra
      for (const fs::path& o : outputs) {
        formats::loaded part = formats::load(o.string(), to, {});
        ASSERT_FALSE(part.trouble) << o << ": " << part.trouble->reason;
        if (o == outputs.front())
          back = std::move(part.doc);
        else
          for (spectrum::spectrum& t : part.doc.spectra) back.spectra.push_back(std::move(t));
      }
      ASSERT_EQ(back.spectra.size(), r.doc.spectra.size());
      for (std::size_t i = 0; i < r.doc.spectra.size(); ++i) {
        SCOPED_TRACE("spectrum " + std::to_string(i));
        const spectrum::spectrum& t = r.doc.spectra[i];
        const json z = t.z;
        expect_points(back.spectra[i], t.x, t.y, 1e-7, &z);
      }
      // A unit keeps its code, or, where it has none, its name (SPC stores such a name with the
      // code of arbitrary units).
      const auto kept = [](const spectrum::axis_unit& u, const spectrum::axis_unit& as) {
        return as.code < 0 ? u.name : std::to_string(u.code);
      };
      EXPECT_EQ(kept(back.x_unit, r.doc.x_unit), kept(r.doc.x_unit, r.doc.x_unit));
      EXPECT_EQ(kept(back.y_unit, r.doc.y_unit), kept(r.doc.y_unit, r.doc.y_unit));
      const bool several = r.doc.spectra.size() > 1 && outputs.size() == 1;
      EXPECT_EQ(several ? back.z_unit.name : "", several ? r.doc.z_unit.name : "");
    }
  }
}

// The .wdf samples as wdf-parser, an independent reader from npm, reads them: the very same
// single-precision values. wdf-parser refuses a file without an origin block; that is shown.
TEST(instrument_samples, give_the_values_that_wdf_parser_gives) {
  const std::string node = ZOLKDF_NODE;
  const fs::path readers = fs::path(ZOLKDF_TEST_DIR) / "node_readers";
  if (node.empty()) GTEST_SKIP() << "Node.js is not installed here (nor in a cross-build)";
  if (!fs::exists(readers / "node_modules" / "wdf-parser"))
    GTEST_SKIP() << "wdf-parser is not installed: run npm ci in " << readers;
  const test_support::scratch scratch{"wdf_parser"};
  int compared = 0;
  for (const sample& s : samples_present()) {
    if (s.expected[0]["format"] != "wdf") continue;
    SCOPED_TRACE(s.file);
    const fs::path out = scratch.work / (s.file + ".json");
    const std::string command = "\"" + node + "\" \"" + (readers / "wdf_read.mjs").string() +
                                "\" \"" + (samples / s.file).string() + "\" > \"" + out.string() +
                                "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const json theirs = json::parse(test_support::read_file(out));
    if (theirs.contains("refused")) {
      std::printf("wdf-parser does not read %s: %s\n", s.file.c_str(),
                  theirs["refused"].get<std::string>().c_str());
      continue;
    }
    const formats::loaded r = formats::load((samples / s.file).string(), "wdf", {});
    ASSERT_FALSE(r.trouble) << r.trouble->reason;
    ASSERT_EQ(r.doc.spectra.size(), theirs["spectra"].size());
    for (std::size_t i = 0; i < r.doc.spectra.size(); ++i) {
      EXPECT_EQ(r.doc.spectra[i].x, theirs["spectra"][i]["x"].get<std::vector<double>>());
      EXPECT_EQ(r.doc.spectra[i].y, theirs["spectra"][i]["y"].get<std::vector<double>>());
    }
    ++compared;
  }
  if (compared == 0) GTEST_SKIP() << "no .wdf sample that wdf-parser reads";
}

}  // namespace
