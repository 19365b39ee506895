// fuzz/wdf_reader_fuzz.cpp: the reader of Raman .wdf files on arbitrary bytes; whatever it reads
// is written as CSV and must read back to the very same spectra, points and z.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.hpp"
#include "wdf/wdf.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    fuzz_support::read_and_back_through_csv(wdf::format, {data, size}, "in.wdf");
  });
  return 0;
}
