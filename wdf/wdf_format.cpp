// wdf/wdf_format.cpp: the Raman .wdf file's row of the table of formats; it is only read.
#include <array>

#include "spectrum/fields.hpp"
#include "wdf/wdf.hpp"

namespace wdf {

namespace {
constexpr std::array<std::string_view, 1> extensions{".wdf"};
namespace field = spectrum::field;
constexpr std::uint32_t holds = field::title | field::date | field::instrument | field::x_unit |
                                field::y_unit | field::z_unit | field::z | field::labels |
                                field::experiment | field::log;
}  // namespace

const spectrum::file_format format{.name = "wdf",
                                   .title = "Raman map or spectra (.wdf)",
                                   .extensions = extensions,
                                   .binary = true,
                                   .several_spectra = true,
                                   .holds = holds,
                                   .recognises = recognises,
                                   .read = read_file};

}  // namespace wdf
