// cli/info.cpp: `zolkdf info`: what each file holds, as lines for a person or as JSON.
#include <array>
#include <nlohmann/json.hpp>

#include "cli/cli.hpp"
#include "cli/load.hpp"
#include "recio/number_text.hpp"
#include "recio/recio.hpp"

namespace cli {

namespace {

using json = nlohmann::ordered_json;

// The shortest text that reads back as the value; a float's value is shown as a double's.
std::string number(double v) { return recio::shortest_text(v); }

std::string date_text(const spectrum::date_time& d) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d:%02d", d.year, d.month, d.day,
                d.hour, d.minute);
  return text.data();
}

json unit_json(const spectrum::axis_unit& u) { return {{"code", u.code}, {"name", u.name}}; }

json value_json(const spectrum::fact& f) {
  return std::visit([](const auto& v) { return json(v); }, f.value);
}

std::string value_text(const spectrum::fact& f) {
  struct visitor {
    std::string operator()(bool v) const { return v ? "yes" : "no"; }
    std::string operator()(std::int64_t v) const { return std::to_string(v); }
    std::string operator()(double v) const { return number(v); }
    std::string operator()(const std::string& v) const { return v; }
    std::string operator()(const std::vector<std::string>& v) const {
      std::string all;
      for (const std::string& s : v) all += (all.empty() ? "" : ", ") + s;
      return all.empty() ? "none" : all;
    }
  };
  return std::visit(visitor{}, f.value);
}

json as_json(const std::string& path, const loaded& in) {
  const spectrum::document& d = in.doc;
  json j{{"file", path}, {"format", d.format}, {"title", std::string{in.format->title}}};
  if (!d.variant.empty()) j["variant"] = d.variant;
  json spectra = json::array();
  for (const spectrum::spectrum& t : d.spectra)
    spectra.push_back({{"points", t.y.size()},
                       {"first_x", t.x.empty() ? 0.0 : t.x.front()},
                       {"last_x", t.x.empty() ? 0.0 : t.x.back()},
                       {"x", t.x_stored ? "stored" : "even"},
                       {"z", t.z}});
  j["spectra"] = spectra;
  j["x_unit"] = unit_json(d.x_unit);
  j["y_unit"] = unit_json(d.y_unit);
  j["z_unit"] = unit_json(d.z_unit);
  j["memo"] = d.memo;
  j["date"] = d.date.year != 0 ? json(date_text(d.date)) : json(nullptr);
  j["resolution"] = d.resolution.value_or("");
  j["source"] = d.instrument;
  j["experiment"] = {{"code", d.experiment_type}, {"name", d.experiment}};
  j["log"] = d.log;
  for (const spectrum::fact& f : d.facts) j[f.name] = value_json(f);
  return j;
}

std::string as_text(const std::string& path, const loaded& in) {
  const spectrum::document& d = in.doc;
  std::string s = path + ": " + std::string{in.format->title};
  if (!d.variant.empty()) s += ", " + d.variant;
  s += "\n  spectra: " + std::to_string(d.spectra.size()) + "\n";
  for (std::size_t i = 0; i < d.spectra.size(); ++i) {
    const spectrum::spectrum& t = d.spectra[i];
    s += "  spectrum " + std::to_string(i + 1) + ": " + std::to_string(t.y.size()) + " points";
    if (!t.x.empty())
      s += ", x from " + number(t.x.front()) + " to " + number(t.x.back()) +
           (t.x_stored ? ", stored point by point" : ", evenly spaced");
    if (d.spectra.size() > 1) s += ", z " + number(t.z);
    s += "\n";
  }
  const auto line = [&s](std::string_view name, const std::string& value) {
    if (!value.empty()) s += "  " + std::string{name} + ": " + value + "\n";
  };
  const auto unit = [](const spectrum::axis_unit& u) {
    return u.code < 0 ? u.name : u.name + " (code " + std::to_string(u.code) + ")";
  };
  line("x unit", unit(d.x_unit));
  line("y unit", unit(d.y_unit));
  line("z unit", unit(d.z_unit));
  line("memo", d.memo);
  if (d.date.year != 0) line("date", date_text(d.date));
  line("resolution", d.resolution.value_or(""));
  line("source", d.instrument);
  line("experiment", d.experiment);
  if (!d.log.empty()) line("log text", std::to_string(d.log.size()) + " characters");
  for (const spectrum::fact& f : d.facts) line(f.name, value_text(f));
  return s;
}

}  // namespace

int info(const std::vector<std::string>& files, const std::string& from,
         const spectrum::read_options& reading, bool as_json_array) {
  int status = 0;
  json all = json::array();
  for (const std::string& path : files) {
    const loaded in = load(path, from, reading);
    if (!in.error.empty()) {
      to_error(in.error);
      status = 1;
      continue;
    }
    if (as_json_array)
      all.push_back(as_json(path, in));
    else
      to_output(as_text(path, in));
  }
  if (as_json_array) to_output(all.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
  return status;
}

}  // namespace cli
