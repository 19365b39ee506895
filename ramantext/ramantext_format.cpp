// ramantext/ramantext_format.cpp: the Raman text export's row of the table of formats; it is
// only read.
#include <array>

#include "ramantext/ramantext.hpp"
#include "spectrum/fields.hpp"

namespace ramantext {

namespace {
// No extension of its own: a .txt file is told by its header.
constexpr std::array<std::string_view, 0> extensions{};
namespace field = spectrum::field;
constexpr std::uint32_t holds = field::title | field::date | field::instrument | field::x_unit |
                                field::y_unit | field::z_unit | field::z | field::labels |
                                field::experiment;
}  // namespace

const spectrum::file_format format{.name = "raman-text",
                                   .title = "Raman text export",
                                   .extensions = extensions,
                                   .several_on_one_x = true,
                                   .holds = holds,
                                   .recognises = recognises,
                                   .read = read_file};

}  // namespace ramantext
