// csv/csv_format.cpp: CSV's row of the table of formats.
#include <array>

#include "csv/csv.hpp"

namespace csv {

namespace {
constexpr std::array<std::string_view, 1> extensions{".csv"};
}  // namespace

const spectrum::file_format format{.name = "csv",
                                   .title = "CSV",
                                   .extensions = extensions,
                                   .recognises = recognises,
                                   .read = read_file,
                                   .write = write_file};

}  // namespace csv
