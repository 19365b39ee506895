// spc/spc_format.cpp: SPC's rows of the table of formats.
#include <array>

#include "spc/spc_document.hpp"
#include "spectrum/fields.hpp"

namespace spc {

namespace {
constexpr std::array<std::string_view, 1> extensions{".spc"};
namespace field = spectrum::field;
// The new variant's header keeps the title (memo), date, source, resolution, experiment and the
// units of all three axes, each sub-file its z, the log block its text; the old variant's header
// has no source, experiment, z unit or log.
constexpr std::uint32_t new_variant_holds = field::title | field::date | field::instrument |
                                            field::resolution | field::experiment | field::x_unit |
                                            field::y_unit | field::z_unit | field::z | field::log;
constexpr std::uint32_t old_variant_holds =
    field::title | field::date | field::resolution | field::x_unit | field::y_unit | field::z;
}  // namespace

const spectrum::file_format format{.name = "spc",
                                   .title = "SPC",
                                   .extensions = extensions,
                                   .binary = true,
                                   .several_spectra = true,
                                   .holds = new_variant_holds,
                                   .reads_even_x = false,
                                   .recognises = recognises,
                                   .read = read_file,
                                   .write = write_new};
const spectrum::file_format old_format{.name = "spc-old",
                                       .title = "SPC, old variant",
                                       .extensions = extensions,
                                       .binary = true,
                                       .several_spectra = true,
                                       .holds = old_variant_holds,
                                       .reads_even_x = false,
                                       .write = write_old};

}  // namespace spc
