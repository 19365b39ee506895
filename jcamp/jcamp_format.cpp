// jcamp/jcamp_format.cpp: JCAMP-DX's row of the table of formats, and how its files are
// recognised.
#include <array>
#include <string>
#include <string_view>

#include "jcamp/jcamp.hpp"
#include "jcamp/jcamp_text.hpp"

namespace jcamp {

bool recognises(spectrum::byte_view head) {
  line_reader lines{head};
  std::string_view line;
  std::string label;
  std::string_view value;
  while (lines.next(line)) {
    if (lines.number() == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    if (labelled(line, label, value))
      return label == "TITLE" && trimmed(line).find('=') != std::string_view::npos;
    const std::string_view rest = trimmed(line);
    if (!rest.empty() && rest.substr(0, 2) != "$$") return false;
  }
  return false;
}

namespace {
constexpr std::array<std::string_view, 3> extensions{".jdx", ".dx", ".jcm"};
}  // namespace

const spectrum::file_format format{"jcamp", "JCAMP-DX", extensions, false,
                                   true,    recognises, read_file,  write_file};

}  // namespace jcamp
