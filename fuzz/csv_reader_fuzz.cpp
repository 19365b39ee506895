// fuzz/csv_reader_fuzz.cpp: the CSV reader on arbitrary bytes, with the columns taken from the
// first byte; whatever it reads is written as CSV and must read back to the very same spectra,
// points and z.
#include <cstddef>
#include <cstdint>

#include "csv/csv.hpp"
#include "fuzz/fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    fuzz_support::bytes input{data, size};
    const fuzz_support::bytes choice = fuzz_support::take_front(input, 1);
    spectrum::read_options options;
    if (!choice.empty()) {
      options.x_column = choice[0] & 3;
      options.y_column = (choice[0] >> 2) & 3;
    }
    csv::recognises(input);
    spectrum::document doc;
    if (csv::read_file({input, "in.csv"}, options, doc)) return;
    fuzz_support::back_through_csv(doc, true);  // a document that was read is always written
  });
  return 0;
}
