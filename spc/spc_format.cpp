// spc/spc_format.cpp: SPC's rows of the table of formats.
#include <array>

#include "spc/spc_document.hpp"

namespace spc {

namespace {
constexpr std::array<std::string_view, 1> extensions{".spc"};
}  // namespace

const spectrum::file_format format{"spc", "SPC",      extensions, true,
                                   true,  recognises, read_file,  write_new};
const spectrum::file_format old_format{
    "spc-old", "SPC, old variant", extensions, true, true, nullptr, nullptr, write_old};

}  // namespace spc
