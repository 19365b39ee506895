// fuzz/y_reader_fuzz.cpp: the Y file reader (READ1) on arbitrary bytes, then the Y writer on
// whatever was read.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.hpp"
#include "textfmt/textfmt.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    spectrum::fixed_spectrum& s = fuzz_support::held;
    fuzz_support::write_file("in.y", {data, size});
    READ1(fuzz_support::name_of("in.y"), s.x, s.y, s.first_x, s.last_x, s.count,
          spectrum::array_capacity);
    WRITE1(fuzz_support::name_of("out.y"), s.y, s.first_x, s.last_x, s.count);
  });
  return 0;
}
