// cli/formats.cpp: the table of formats.
#include "cli/formats.hpp"

#include <algorithm>
#include <array>
#include <cctype>

#include "csv/csv.hpp"
#include "jcamp/jcamp.hpp"
#include "spc/spc_file.hpp"
#include "textfmt/textfmt.hpp"

namespace cli {

namespace {

constexpr std::array<std::string_view, 1> y_extensions{".y"};
constexpr std::array<std::string_view, 1> xy_extensions{".xy"};
constexpr std::array<std::string_view, 1> six_extensions{".6xy"};
constexpr std::array<std::string_view, 1> spc_extensions{".spc"};
constexpr std::array<std::string_view, 3> jcamp_extensions{".jdx", ".dx", ".jcm"};
constexpr std::array<std::string_view, 1> csv_extensions{".csv"};

// Binary formats are tried first, then labelled text; text shapes from the most particular (a Y
// head is also one value a record), and a table last, as a comma-separated XY file is read the
// same either way. Either SPC variant is read by the first SPC row; .spc names the new variant.
constexpr std::array table{
    file_format{"spc", "SPC", spc_extensions, true, true, spc::recognises, spc::read_file,
                spc::write_new},
    file_format{"spc-old", "SPC, old variant", spc_extensions, true, true, nullptr, nullptr,
                spc::write_old},
    file_format{"jcamp", "JCAMP-DX", jcamp_extensions, false, true, jcamp::recognises,
                jcamp::read_file, jcamp::write_file},
    file_format{"y", "Y (single column with a head)", y_extensions, false, false,
                textfmt::recognises_y, textfmt::read_y_file, textfmt::write_y_file},
    file_format{"xy", "XY (two columns)", xy_extensions, false, false, textfmt::recognises_xy,
                textfmt::read_xy_file, textfmt::write_xy_file},
    file_format{"6xy", "6XY (three x/y pairs a record)", six_extensions, false, false,
                textfmt::recognises_6xy, textfmt::read_6xy_file, textfmt::write_6xy_file},
    file_format{"csv", "CSV", csv_extensions, false, false, csv::recognises, csv::read_file,
                csv::write_file},
};

bool same_letters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char p, char q) {
           return std::tolower(static_cast<unsigned char>(p)) ==
                  std::tolower(static_cast<unsigned char>(q));
         });
}

}  // namespace

std::span<const file_format> formats() { return table; }

const file_format* format_named(std::string_view name) {
  for (const file_format& f : table)
    if (f.name == name) return &f;
  return nullptr;
}

const file_format* format_of_extension(std::string_view file_name) {
  const auto slash = file_name.find_last_of("/\\");
  const auto dot = file_name.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
    return nullptr;
  const std::string_view extension = file_name.substr(dot);
  for (const file_format& f : table)
    for (const std::string_view e : f.extensions)
      if (same_letters(e, extension)) return &f;
  return nullptr;
}

const file_format* format_of_contents(spectrum::byte_view head) {
  for (const file_format& f : table)
    if (f.recognises != nullptr && f.recognises(head)) return &f;
  return nullptr;
}

std::string format_names(bool for_output) {
  std::string names;
  for (const file_format& f : table) {
    if (for_output ? f.write == nullptr : f.read == nullptr) continue;
    if (!names.empty()) names += ", ";
    names += f.name;
  }
  return names;
}

}  // namespace cli
