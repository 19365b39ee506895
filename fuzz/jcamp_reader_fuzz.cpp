// fuzz/jcamp_reader_fuzz.cpp: the JCAMP-DX reader on arbitrary bytes; whatever it reads is written
// as JCAMP-DX, in both data forms, and must read back to as many spectra and points.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.hpp"
#include "jcamp/jcamp.hpp"

namespace {

// Writes the document on a unit of its own and reads the file back.
void write_and_read_back(const spectrum::document& doc, bool affn) {
  std::int16_t unit = 0;
  std::int32_t status = 0;
  GETCHAN(unit, status);
  recio::open(unit, "out.jdx", recio::open_mode::text_write);
  spectrum::write_options options;
  options.jcamp_affn = affn;
  const spectrum::outcome written = jcamp::write_file(doc, unit, options);
  PUTCHAN(unit, status);
  if (written) __builtin_trap();  // a document that was read is always written
  const std::string text = fuzz_support::read_file("out.jdx");
  spectrum::document back;
  const spectrum::outcome read = jcamp::read_file(
      {{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, "out.jdx"}, {}, back);
  if (read || back.spectra.size() != doc.spectra.size()) __builtin_trap();
  for (std::size_t i = 0; i < doc.spectra.size(); ++i)
    if (back.spectra[i].y.size() != doc.spectra[i].y.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    const spectrum::byte_view bytes{data, size};
    jcamp::recognises(bytes);
    spectrum::document doc;
    if (jcamp::read_file({bytes, "in.jdx"}, {}, doc)) return;
    write_and_read_back(doc, false);
    write_and_read_back(doc, true);
  });
  return 0;
}
