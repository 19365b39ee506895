// csv/csv_format.cpp: CSV's row of the table of formats.
#include <array>

#include "csv/csv.hpp"
#include "spectrum/fields.hpp"

namespace csv {

namespace {
constexpr std::array<std::string_view, 1> extensions{".csv"};
namespace field = spectrum::field;
// The header names the units of x, y and z and each column's z.
constexpr std::uint32_t holds = field::x_unit | field::y_unit | field::z_unit | field::z;
}  // namespace

const spectrum::file_format format{.name = "csv",
                                   .title = "CSV",
                                   .extensions = extensions,
                                   .several_on_one_x = true,
                                   .holds = holds,
                                   .recognises = recognises,
                                   .read = read_file,
                                   .write = write_file};

}  // namespace csv
