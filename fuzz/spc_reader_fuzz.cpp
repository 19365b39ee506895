// fuzz/spc_reader_fuzz.cpp: the SPC input (READ5, and through it READSC and both variant readers)
// on arbitrary bytes, then both SPC writers on whatever was read.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.hpp"
#include "spc/spc.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    spectrum::fixed_spectrum& s = fuzz_support::held;
    fuzz_support::write_file("in.spc", {data, size});
    READ5(fuzz_support::name_of("in.spc"), s.x, s.y, s.first_x, s.last_x, s.count);
    if (s.count > spectrum::array_capacity) return;
    // The new-variant writer builds on the header just read, log block included.
    WRITE6(fuzz_support::name_of("new.spc"), s.x, s.y, s.count, s.memo);
    WRITE5(fuzz_support::name_of("old.spc"), s.x, s.y, s.count, s.memo);
  });
  return 0;
}
