// spa/spa_format.cpp: the row of the table of formats for FTIR .spa and .spg files; they are only
// read.
#include <array>

#include "spa/spa.hpp"
#include "spectrum/fields.hpp"

namespace spa {

namespace {
constexpr std::array<std::string_view, 2> extensions{".spa", ".spg"};
namespace field = spectrum::field;
constexpr std::uint32_t holds = field::title | field::date | field::resolution | field::experiment |
                                field::x_unit | field::y_unit | field::z_unit | field::z |
                                field::log | field::labels;
}  // namespace

const spectrum::file_format format{.name = "spa",
                                   .title = "FTIR spectrum or group (.spa, .spg)",
                                   .extensions = extensions,
                                   .binary = true,
                                   .several_spectra = true,
                                   .holds = holds,
                                   .recognises = recognises,
                                   .read = read_file};

}  // namespace spa
