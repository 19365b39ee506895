// jcamp/jcamp_format.cpp: JCAMP-DX's row of the table of formats, and how its files are
// recognised.
#include <array>
#include <string>
#include <string_view>

#include "jcamp/jcamp.hpp"
#include "jcamp/jcamp_text.hpp"
#include "spectrum/fields.hpp"

namespace jcamp {

bool recognises(spectrum::byte_view head) {
  recio::line_scanner lines{recio::text_of_bytes(head)};
  std::string_view line;
  std::string label;
  std::string_view value;
  while (lines.next(line)) {
    if (labelled(line, label, value))
      return label == "TITLE" && line.find('=') != std::string_view::npos;
    const std::string_view rest = recio::trimmed(line, blanks);
    if (!rest.empty() && !rest.starts_with(comment_marker)) return false;
  }
  return false;
}

namespace {
constexpr std::array<std::string_view, 3> extensions{".jdx", ".dx", ".jcm"};
namespace field = spectrum::field;
// Each text has its record, z and its unit private labels of each block, the log comment lines,
// peaks a peak table or their assignments, and any other label is written as it was read.
constexpr std::uint32_t holds = field::title | field::date | field::origin | field::owner |
                                field::instrument | field::resolution | field::experiment |
                                field::x_unit | field::y_unit | field::z_unit | field::z |
                                field::log | field::labels | field::peaks;
}  // namespace

const spectrum::file_format format{.name = "jcamp",
                                   .title = "JCAMP-DX",
                                   .extensions = extensions,
                                   .several_spectra = true,
                                   .holds = holds,
                                   .recognises = recognises,
                                   .read = read_file,
                                   .write = write_file};

}  // namespace jcamp
