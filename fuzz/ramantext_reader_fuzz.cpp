// fuzz/ramantext_reader_fuzz.cpp: the reader of Raman text exports on arbitrary bytes; whatever it
// reads is written as CSV and must read back to the very same spectra, points and z.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.hpp"
#include "ramantext/ramantext.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    fuzz_support::read_and_back_through_csv(ramantext::format, {data, size}, "in.txt");
  });
  return 0;
}
