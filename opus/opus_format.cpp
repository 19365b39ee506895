// opus/opus_format.cpp: the FTIR block file's row of the table of formats; it is only read.
#include <array>

#include "opus/opus.hpp"
#include "opus/opus_blocks.hpp"
#include "recio/byte_order.hpp"
#include "spectrum/fields.hpp"

namespace opus {

namespace {
// No extension of its own: the numbered extensions .0, .1, ... say nothing; the bytes do.
constexpr std::array<std::string_view, 0> extensions{};
namespace field = spectrum::field;
constexpr std::uint32_t holds = field::title | field::date | field::instrument | field::resolution |
                                field::experiment | field::x_unit | field::y_unit | field::log |
                                field::labels;
}  // namespace

bool recognises(spectrum::byte_view head) {
  if (head.size() < header::size || recio::get_u32le(head, header::magic) != header::magic_value)
    return false;
  const std::int32_t at = recio::get_i32le(head, header::directory);
  const std::int32_t most = recio::get_i32le(head, header::most_blocks);
  const std::int32_t count = recio::get_i32le(head, header::blocks);
  return at >= static_cast<std::int32_t>(header::size) && count >= 1 && count <= most;
}

const spectrum::file_format format{.name = "opus",
                                   .title = "FTIR block file",
                                   .extensions = extensions,
                                   .binary = true,
                                   .several_spectra = true,
                                   .holds = holds,
                                   .recognises = recognises,
                                   .read = read_file};

}  // namespace opus
