// fuzz/xy_reader_fuzz.cpp: the XY file reader (READ2) on arbitrary bytes, then the XY writer on
// whatever was read.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.hpp"
#include "textfmt/textfmt.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    spectrum::fixed_spectrum& s = fuzz_support::held;
    fuzz_support::write_file("in.xy", {data, size});
    READ2(fuzz_support::name_of("in.xy"), s.x, s.y, s.first_x, s.last_x, s.count,
          spectrum::array_capacity);
    WRITE2(fuzz_support::name_of("out.xy"), s.x, s.y, s.count);
  });
  return 0;
}
