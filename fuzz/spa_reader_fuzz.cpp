// fuzz/spa_reader_fuzz.cpp: the reader of FTIR .spa and .spg files on arbitrary bytes; whatever it
// reads is written as CSV and must read back to the very same spectra, points and z.
#include <cstddef>
#include <cstdint>
#include <string>

#include "csv/csv.hpp"
#include "fuzz/fuzz_support.hpp"
#include "spa/spa.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    const fuzz_support::bytes input{data, size};
    spa::recognises(input);
    spectrum::document doc;
    if (spa::read_file({input, "in.spa"}, {}, doc) || doc.spectra.empty()) return;
    std::int16_t unit = 0;
    std::int32_t status = 0;
    GETCHAN(unit, status);
    recio::open(unit, "out.csv", recio::open_mode::text_write);
    const spectrum::outcome written = csv::write_file(doc, unit, {});
    PUTCHAN(unit, status);
    if (written) return;  // no points: CSV holds none
    const std::string text = fuzz_support::read_file("out.csv");
    spectrum::document back;
    if (csv::read_file(
            {{reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, "out.csv"}, {},
            back) ||
        back.spectra.size() != doc.spectra.size())
      __builtin_trap();
    for (std::size_t k = 0; k < doc.spectra.size(); ++k)
      if (back.spectra[k].x != doc.spectra[k].x || back.spectra[k].y != doc.spectra[k].y ||
          back.spectra[k].z != doc.spectra[k].z)
        __builtin_trap();
  });
  return 0;
}
