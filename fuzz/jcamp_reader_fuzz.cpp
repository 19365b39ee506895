// fuzz/jcamp_reader_fuzz.cpp: the JCAMP-DX reader on arbitrary bytes; whatever it reads is written
// as JCAMP-DX, in both data forms, and must read back to as many spectra and points, each with its
// z, peaks, widths and assignments, and to the same date and as many labels.
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
  const spectrum::date_time &a = doc.date, &b = back.date;
  if (a.year != b.year || a.month != b.month || a.day != b.day || a.hour != b.hour ||
      a.minute != b.minute || a.second != b.second || back.labels.size() != doc.labels.size())
    __builtin_trap();
  for (std::size_t i = 0; i < doc.spectra.size(); ++i) {
    const spectrum::spectrum &t = doc.spectra[i], &u = back.spectra[i];
    if (u.y.size() != t.y.size() || u.z != t.z || u.peaks != t.peaks ||
        u.widths.size() != t.widths.size() || u.assignments.size() != t.assignments.size())
      __builtin_trap();
  }
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
