// jcamp/jcamp_reader.hpp: what the two halves of the JCAMP-DX reader share: the block being read,
// its NTUPLES table, the frame of a data record, and the reader itself.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "jcamp/jcamp_text.hpp"
#include "spectrum/document.hpp"

namespace jcamp {

// A DUP count lets a few characters stand for many points, but no real file holds more than this
// many points for each of its bytes (a file of DIF values takes about one byte a point, and a run
// of equal values is rare and short): a count beyond it is damage, and is refused before it is
// given memory.
constexpr std::size_t points_per_byte = 16;

// The forms seen in a file, in the order that `info` names them.
enum form_bit : unsigned { affn_bit = 1, pac_bit = 2, sqz_bit = 4, dif_bit = 8, dup_bit = 16 };

inline void note_form(unsigned& forms, token_kind k) {
  // The bit of each kind, in the order of token_kind.
  constexpr unsigned bits[] = {0, affn_bit, pac_bit, sqz_bit, dif_bit, dup_bit, 0, 0};
  forms |= bits[static_cast<unsigned>(k) & 7];
}

// A count of points that a file may declare; more than 2^50 is damage.
inline bool is_count(double v) { return v >= 0.0 && v == std::floor(v) && v <= 1125899906842624.0; }

// The NTUPLES table of a block: one column for each variable, and the page being read.
struct ntuples_table {
  bool open = false;
  std::vector<std::string> symbols, units;
  std::vector<std::string> factors, firsts, lasts, dims;
  double page_z = 0.0;
  std::optional<double> page_points;
  std::string page_name;
  std::string page_symbol;  // of the variable that numbers the pages: "N" of ##PAGE= N=1
};

// A block of the file, from its ##TITLE= to its ##END=, as far as it is read.
struct block {
  std::int64_t line = 0;  // of its ##TITLE=
  std::string title, data_type, block_id;
  std::string x_units, y_units;
  bool link = false;       // it holds blocks
  bool structure = false;  // it is a chemical structure (##JCAMP-CS=), not a spectrum
  std::string unread;      // the label of data in a form that is not read: "##RADATA="
  double x_factor = 1.0, y_factor = 1.0;
  std::optional<double> first_x, last_x, delta_x, points;
  std::optional<double> z;         // of its spectra (##$Z=), where NTUPLES pages give none
  std::size_t first_spectrum = 0;  // the spectra of the file before it
  std::size_t spectra = 0;         // that its data gave
  bool pages = false;              // its spectra are NTUPLES pages, each with its own z
  ntuples_table ntuples;
  // Labels that no writer interprets, the document's once the block proves to hold spectra.
  std::vector<std::pair<std::string, std::string>> labels;
};

// What a data record needs to know: how to scale, where x runs, how many points it declares.
struct data_frame {
  double x_factor = 1.0, y_factor = 1.0;
  std::optional<double> first_x, last_x, delta_x, points;
  std::string x_units, y_units, z_units;
  double z = 0.0;
};

// Reads a file's labelled records block by block into the document: jcamp_reader.cpp walks the
// records, jcamp_data_reader.cpp decodes their data.
class reader {
 public:
  // A spectrum of more than spectrum_points points is refused.
  reader(std::string_view text, spectrum::document& doc, std::size_t spectrum_points)
      : lines_{text},
        doc_{doc},
        most_points_{text.size() * points_per_byte + 1024},
        spectrum_points_{spectrum_points} {}

  spectrum::outcome run();

 private:
  spectrum::trouble at_line(std::string reason) const {
    return spectrum::trouble{std::move(reason), lines_.number()};
  }
  // The points that the file may still hold beside the spectra before and the held ones.
  std::size_t room(std::size_t held) const {
    const std::size_t used = static_cast<std::size_t>(total_points_) + held;
    return used < most_points_ ? most_points_ - used : 0;
  }
  spectrum::outcome record(const std::string& label, std::string_view written,
                           std::string_view value);
  spectrum::outcome number_record(std::optional<double>& target, const std::string& label,
                                  std::string_view value);
  spectrum::outcome text_record(const std::string& label, std::string_view written,
                                std::string_view value);
  spectrum::outcome data_record(const std::string& label, std::string_view value);
  spectrum::outcome assignment_record(std::string_view value);
  spectrum::outcome take_assignment(spectrum::spectrum& t, const std::vector<std::string>& fields,
                                    std::string_view variables);
  spectrum::outcome even_data(spectrum::spectrum& t, const data_frame& f);
  spectrum::outcome point_data(spectrum::spectrum& t, const data_frame& f, const variables& vars);
  // Appends v times the factor to values, or says why not: more points than declared or than the
  // file can hold, or a value beyond double precision. The first is the run of every point.
  spectrum::outcome push(std::vector<double>& values, double v, double factor,
                         std::optional<double> points) {
    const double scaled = v * factor;
    if (values.size() < push_limit(points) && std::isfinite(scaled)) [[likely]] {
      values.push_back(scaled);
      return std::nullopt;
    }
    return refused(values, scaled, points);
  }
  // The count of values that push takes before it refuses one, whatever their values.
  std::size_t push_limit(std::optional<double> points) const;
  spectrum::trouble refused(const std::vector<double>& values, double scaled,
                            std::optional<double> points) const;
  void add_spectrum(spectrum::spectrum t, const data_frame& f);
  std::string continued(std::string_view value, char between = ' ');
  bool comment_line(std::string_view line);
  void skip_data_lines(bool comments_to_log);
  void keep_labels(block& b);
  void finish_block();

  recio::line_scanner lines_;
  spectrum::document& doc_;
  std::size_t most_points_;  // of the whole file, its spectra together
  std::size_t spectrum_points_;  // of one spectrum
  std::vector<block> open_;
  bool any_block_ = false;
  unsigned forms_ = 0;
  std::vector<std::string> skipped_;
  std::int64_t total_points_ = 0;
  bool long_date_ = false;  // the date is that of a ##LONGDATE=
  bool old_date_ = false;   // the date is that of a ##DATE=, to which ##TIME= adds the time
  std::optional<spectrum::date_time> time_;  // of a ##TIME=
  std::optional<int> experiment_code_;       // of ##$SPC EXPERIMENT TYPE=
};

}  // namespace jcamp
