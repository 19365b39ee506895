// fuzz/spc_file_fuzz.cpp: the command line's SPC reader on arbitrary bytes, then both SPC
// writers on whatever it read, and the reader again on what the new-variant writer wrote.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/fuzz_support.hpp"
#include "spc/spc_document.hpp"

namespace {

// What the writer wrote of the document, or nothing when it refused it (a y beyond single
// precision, say).
std::optional<std::string> written(decltype(&spc::write_new) write, const spectrum::document& doc) {
  fuzz_support::write_file("out.spc", {});
  std::int16_t unit = 0;
  std::int32_t status = 0;
  GETCHAN(unit, status);
  recio::open(unit, "out.spc", recio::open_mode::binary_update);
  const spectrum::outcome refused = write(doc, unit, {});
  PUTCHAN(unit, status);
  if (refused) return std::nullopt;
  return fuzz_support::read_file("out.spc");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    spectrum::document doc;
    if (spc::read_file({{data, size}, "in.spc"}, {}, doc)) return;
    written(spc::write_old, doc);
    // What the new-variant writer wrote of a file just read reads again.
    const std::optional<std::string> again = written(spc::write_new, doc);
    if (!again) return;
    spectrum::document back;
    if (spc::read_file(
            {{reinterpret_cast<const std::uint8_t*>(again->data()), again->size()}, "out"}, {},
            back) ||
        back.spectra.size() != doc.spectra.size())
      __builtin_trap();
  });
  return 0;
}
