// spc/spc_format.cpp: SPC's rows of the table of formats.
#include <array>

#include "spc/spc_document.hpp"

namespace spc {

namespace {
constexpr std::array<std::string_view, 1> extensions{".spc"};
}  // namespace

const spectrum::file_format format{.name = "spc",
                                   .title = "SPC",
                                   .extensions = extensions,
                                   .binary = true,
                                   .several_spectra = true,
                                   .recognises = recognises,
                                   .read = read_file,
                                   .write = write_new};
const spectrum::file_format old_format{.name = "spc-old",
                                       .title = "SPC, old variant",
                                       .extensions = extensions,
                                       .binary = true,
                                       .several_spectra = true,
                                       .write = write_old};

}  // namespace spc
