// opus/opus_reader.cpp: the FTIR block file read into a document: its spectra from the data
// blocks and their status blocks, its texts and labels from the parameter blocks, its log from
// the history, and a fact for `info` for every block of the directory.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "opus/opus.hpp"
#include "opus/opus_blocks.hpp"
#include "opus/opus_texts.hpp"
#include "recio/byte_order.hpp"
#include "spectrum/axis.hpp"
#include "spectrum/units.hpp"

namespace opus {

namespace {

using spectrum::trouble;

// The labels kept from the parameter blocks, in the order they are written.
struct label_row {
  std::string_view key;
  std::string_view label;
};
constexpr std::array<label_row, 19> label_rows{{
    {"LWN", "$LASER WAVENUMBER"}, {"NSS", "$SCANS"},        {"NSR", "$REFERENCE SCANS"},
    {"CNM", "$OPERATOR"},         {"SFM", "$SAMPLE FORM"},  {"EXP", "$EXPERIMENT FILE"},
    {"XPP", "$EXPERIMENT PATH"},  {"LCT", "$LOCATION"},     {"SRN", "$INSTRUMENT SERIAL NUMBER"},
    {"SRC", "$SOURCE"},           {"BMS", "$BEAMSPLITTER"}, {"DTC", "$DETECTOR"},
    {"APT", "$APERTURE"},         {"ACC", "$ACCESSORY"},    {"CHN", "$MEASUREMENT CHANNEL"},
    {"VEL", "$SCANNER VELOCITY"}, {"APF", "$APODIZATION"},  {"ZFF", "$ZERO FILLING FACTOR"},
    {"PHZ", "$PHASE CORRECTION"},
}};

// Where a data block stands in the document: 0 a spectrum result, 1 the sample's single channel,
// 2 the reference's; -1 a block that is not read, with why in skipped.
int group_of(block_type t, std::string& skipped) {
  const int d = t.data();
  if (t.other() != 0 || t.parameters() != parameters::none || d == 0) return -1;
  if (d == kind::interferogram)
    skipped = "an interferogram";
  else if (d == kind::phase)
    skipped = "a phase";
  else if (d == kind::directory)
    return -1;
  else if (d == kind::series_of_interferograms || d == kind::series_of_spectra ||
           kind_of(d) == nullptr)
    skipped = "a kind of data not read";
  else if (t.complex_component() == 1 || t.complex_component() == 2)
    skipped = "a component of complex data";
  else if (d == kind::single_channel && t.channel() == channel_sample)
    return 1;
  else if (d == kind::single_channel && t.channel() == channel_reference)
    return 2;
  else
    return 0;
  return -1;
}

// A spectrum's title: "absorbance (AB)", "sample single channel (ScSm)".
std::string title_of(block_type t) {
  std::string title{kind_of(t.data())->title};
  if (t.data() == kind::single_channel)
    title = (t.channel() == channel_sample      ? "sample "
             : t.channel() == channel_reference ? "reference "
                                                : "ratioed ") +
            title;
  return title + std::string{derivative_of(t)} + " (" + data_name(t) + ")";
}

// The unit of y of a kind of data: its code, or what it is.
spectrum::axis_unit y_unit_of(int data) {
  const kind_row* k = kind_of(data);
  if (k->y_code >= 0) return spectrum::unit_of_code(k->y_code, spectrum::axis::y);
  std::string name{k->title};
  name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return {-1, name};
}

// The unit of x from the status block's DXU: WN wavenumbers, MI micrometers, LGW log wavenumbers,
// MIN minutes, PNT points; Raman data's wavenumbers are a Raman shift.
spectrum::axis_unit x_unit_of(std::string_view dxu, int data) {
  const auto coded = [](int code) { return spectrum::unit_of_code(code, spectrum::axis::x); };
  if (dxu == "WN") return coded(data == kind_raman ? 13 : 1);
  if (dxu == "MI") return coded(2);
  if (dxu == "NM") return coded(3);
  if (dxu == "MIN") return coded(5);
  if (dxu == "SEC") return coded(4);
  if (dxu == "PNT") return coded(22);
  if (dxu == "LGW") return {-1, "Log wavenumber"};
  return spectrum::unit_named(text_of(dxu), spectrum::axis::x);
}

class reader {
 public:
  reader(byte_view b, const spectrum::read_options& options, spectrum::document& doc)
      : b_{b}, options_{options}, doc_{doc} {}
  spectrum::outcome read();

 private:
  spectrum::outcome read_spectrum(std::size_t index);
  spectrum::outcome parameters_of(std::size_t index, const std::vector<parameter>*& status);
  void take_parameters();
  void take_history(const block& k);

  byte_view b_;
  const spectrum::read_options& options_;
  spectrum::document& doc_;
  std::vector<block> blocks_;
  std::vector<std::string> roles_;  // what was made of each block, for `info`
  std::map<std::size_t, std::vector<parameter>> parameters_;  // by block, each read once
  // The blocks of each type in their order, and how many data blocks of each have been read.
  std::map<std::uint32_t, std::vector<std::size_t>> of_type_;
  std::map<std::uint32_t, std::size_t> read_of_type_;
  std::size_t taken_ = 0;  // the bytes of the data blocks read so far
};

// The parameters of block index, read once.
spectrum::outcome reader::parameters_of(std::size_t index, const std::vector<parameter>*& status) {
  if (const auto found = parameters_.find(index); found != parameters_.end()) {
    status = &found->second;
    return std::nullopt;
  }
  std::vector<parameter> all;
  if (auto t = read_parameters(b_, blocks_[index], all)) return t;
  status = &(parameters_[index] = std::move(all));
  return std::nullopt;
}

// The data block index as the document's next spectrum, by its status block: the count NPT, the
// ends FXV and LXV, the scale CSF of y and the form DPF of the values.
spectrum::outcome reader::read_spectrum(std::size_t index) {
  const block& data = blocks_[index];
  const std::string name = data_name(data.type);
  // The n-th data block of a type has the n-th status block of its type.
  const auto statuses = of_type_.find(data.type.bits | parameters::data_status << 4);
  const std::size_t nth = read_of_type_[data.type.bits]++;
  const auto at = [](std::size_t offset) { return static_cast<std::int64_t>(offset); };
  if (statuses == of_type_.end() || statuses->second.size() <= nth)
    return trouble{"the " + name + " data block at byte " + std::to_string(data.at) +
                       " has no data status block",
                   0, at(data.entry)};
  const std::size_t status_block = statuses->second[nth];
  const std::vector<parameter>* status = nullptr;
  if (auto t = parameters_of(status_block, status)) return t;
  const block& k = blocks_[status_block];
  const auto number = [&](std::string_view key, parameter::kind type) {
    const parameter* p = find(*status, key);
    return p != nullptr && p->type == type ? p : nullptr;
  };
  const parameter* npt = number("NPT", parameter::kind::integer);
  const parameter* fxv = number("FXV", parameter::kind::real);
  const parameter* lxv = number("LXV", parameter::kind::real);
  const parameter* csf = number("CSF", parameter::kind::real);
  const parameter* dpf = number("DPF", parameter::kind::integer);
  for (const auto& [p, key] : {std::pair{npt, "NPT"}, {fxv, "FXV"}, {lxv, "LXV"}})
    if (p == nullptr)
      return trouble{
          "the " + name + " data status block at byte " + std::to_string(k.at) + " gives no " + key,
          0, at(k.at)};
  for (const parameter* p : {fxv, lxv, csf})
    if (p != nullptr && !std::isfinite(p->real))
      return trouble{p->key + " is not a finite number", 0, at(p->at)};
  if (npt->integer < 1)
    return trouble{"a count of " + std::to_string(npt->integer) + " points", 0, at(npt->at)};
  const auto points = static_cast<std::size_t>(npt->integer);
  if (points > options_.most_points) {
    trouble t = spectrum::too_many_points(options_.most_points);
    t.offset = at(npt->at);
    return t;
  }
  if (data.bytes / 4 < points)
    return trouble{"the " + name + " data block of " + std::to_string(points) + " points needs " +
                       std::to_string(points * 4) + " bytes, the block has " +
                       std::to_string(data.bytes) + " from byte " + std::to_string(data.at),
                   0, at(data.at)};
  if (points * 4 > b_.size() - taken_)
    return trouble{"the data blocks read would take more bytes than the file's " +
                       std::to_string(b_.size()) + ": blocks overlap",
                   0, at(data.entry)};
  taken_ += points * 4;
  const std::int32_t form = dpf != nullptr ? dpf->integer : 1;
  if (form != 1 && form != 2)
    return trouble{"data point format " + std::to_string(form) +
                       ", neither 1 (floats) nor 2 (32-bit integers)",
                   0, at(dpf->at)};
  const double scale = csf != nullptr ? csf->real : 1.0;
  spectrum::spectrum t;
  t.y.resize(points);
  for (std::size_t i = 0; i < points; ++i) {
    const std::size_t v = data.at + 4 * i;
    t.y[i] = (form == 1 ? static_cast<double>(recio::get_f32le(b_, v))
                        : static_cast<double>(recio::get_i32le(b_, v))) *
             scale;
    if (!std::isfinite(t.y[i]))
      return trouble{"a value of " + name + " that is not a finite number", 0, at(v)};
  }
  t.first_x = fxv->real;
  t.last_x = lxv->real;
  if (options_.even_x_values) t.x = spectrum::even_x(t.first_x, t.last_x, points);
  t.title = title_of(data.type);
  if (doc_.spectra.empty()) {  // the document's units and date are the first spectrum's
    doc_.y_unit = y_unit_of(data.type.data());
    const parameter* dxu = find(*status, "DXU");
    doc_.x_unit = x_unit_of(dxu != nullptr ? dxu->text : std::string{}, data.type.data());
    const parameter* dat = find(*status, "DAT");
    const parameter* tim = find(*status, "TIM");
    std::string iso;
    doc_.date = date_of(dat != nullptr ? std::string_view{dat->text} : "",
                        tim != nullptr ? std::string_view{tim->text} : "", iso);
    if (!iso.empty()) doc_.labels.emplace_back("$DATE", iso);
    const bool raman = data.type.data() == kind_raman;
    doc_.experiment_type = spectrum::experiment_of(raman ? "RAMAN SPECTRUM" : "INFRARED SPECTRUM");
    doc_.experiment = std::string{spectrum::experiment_name(doc_.experiment_type)};
  }
  doc_.spectra.push_back(std::move(t));
  const std::string n = std::to_string(doc_.spectra.size());
  roles_[index] = "spectrum " + n;
  roles_[status_block] +=
      (roles_[status_block].empty() ? "count, x and scale of spectrum " : ", spectrum ") + n;
  return std::nullopt;
}

// The title, instrument, resolution and labels from the first parameter block of each kind; the
// sample's blocks before the reference's, where only what the sample's lack is taken (NSR).
void reader::take_parameters() {
  std::set<std::uint32_t> seen;
  std::map<std::string, std::string> found;  // by key, the first found
  for (const int whose : {0, channel_reference})
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
      const block_type t = blocks_[i].type;
      if (t.other() != 0 || t.parameters() < 2 ||
          (t.channel() == channel_reference) != (whose != 0))
        continue;
      if (!seen.insert(t.bits).second) {
        roles_[i] = "skipped, a repeated block";
        continue;
      }
      const std::vector<parameter>* all = nullptr;
      if (auto trouble = parameters_of(i, all)) {  // the spectra stand without it
        trouble->reason += "; its parameters are left out";
        doc_.warnings.push_back(*trouble);
        roles_[i] = "damaged, left out";
        continue;
      }
      roles_[i] = "metadata";
      for (const parameter& p : *all)
        if (!found.contains(p.key)) found.emplace(p.key, value_text(p));
    }
  const auto value = [&found](std::string_view key) {
    const auto f = found.find(std::string{key});
    return f != found.end() ? f->second : std::string{};
  };
  doc_.memo = value("SNM");
  doc_.instrument = value("INS");
  if (const std::string res = value("RES"); !res.empty()) doc_.resolution = res;
  for (const label_row& row : label_rows)
    if (std::string v = value(row.key); !v.empty())
      doc_.labels.emplace_back(std::string{row.label}, std::move(v));
}

// The history's texts, each up to its NUL, one a line.
void reader::take_history(const block& k) {
  const std::string_view all{reinterpret_cast<const char*>(b_.data() + k.at), k.bytes};
  std::size_t from = 0;
  while (from < all.size()) {
    std::size_t to = all.find('\0', from);
    if (to == std::string_view::npos) to = all.size();
    if (const std::string text = text_of(all.substr(from, to - from)); !text.empty())
      doc_.log += (doc_.log.empty() ? "" : "\n") + text;
    from = to + 1;
  }
}

spectrum::outcome reader::read() {
  if (auto t = read_directory(b_, blocks_)) return t;
  roles_.assign(blocks_.size(), {});
  for (std::size_t i = 0; i < blocks_.size(); ++i) of_type_[blocks_[i].type.bits].push_back(i);
  std::array<std::vector<std::size_t>, 3> groups;
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    std::string skipped;
    if (const int g = group_of(blocks_[i].type, skipped); g >= 0)
      groups[static_cast<std::size_t>(g)].push_back(i);
    else if (!skipped.empty())
      roles_[i] = "skipped, " + skipped;
  }
  for (const std::vector<std::size_t>& group : groups)
    for (const std::size_t i : group)
      if (auto t = read_spectrum(i)) return t;
  // Spectra on axes of their own need each x where a writer stores x at all: made here even when
  // only the ends were asked for.
  const bool one_axis = std::all_of(doc_.spectra.begin(), doc_.spectra.end(), [&](const auto& t) {
    const spectrum::spectrum& first = doc_.spectra.front();
    return t.y.size() == first.y.size() && t.first_x == first.first_x && t.last_x == first.last_x;
  });
  for (spectrum::spectrum& t : doc_.spectra)
    if (!one_axis && t.x.empty()) t.x = spectrum::even_x(t.first_x, t.last_x, t.y.size());
  // The spectra are no series: their z, all 0, is of no unit.
  if (doc_.spectra.size() > 1) doc_.z_unit = spectrum::unit_of_code(0, spectrum::axis::z);
  take_parameters();
  for (std::size_t i = 0; i < blocks_.size(); ++i)
    if (blocks_[i].type.other() == history) {
      take_history(blocks_[i]);
      roles_[i] = "the log";
    }
  doc_.facts.push_back({"version", recio::get_f64le(b_, header::version)});
  doc_.facts.push_back({"blocks", static_cast<std::int64_t>(blocks_.size())});
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    const block& k = blocks_[i];
    std::string role = roles_[i];
    if (role.empty()) role = k.type.data() == kind::directory ? "the directory" : "skipped";
    doc_.facts.push_back(
        {"block " + std::to_string(i + 1), block_name(k.type) + ", " + std::to_string(k.bytes) +
                                               " bytes at " + std::to_string(k.at) + ": " + role});
  }
  return std::nullopt;
}

}  // namespace

spectrum::outcome read_file(const spectrum::input_file& file, const spectrum::read_options& options,
                            spectrum::document& doc) {
  doc.format = "opus";
  return reader{file.bytes, options, doc}.read();
}

}  // namespace opus
