// fuzz/six_column_reader_fuzz.cpp: the 6XY file reader (READ3) on arbitrary bytes, then the 6XY
// writer on whatever was read.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.hpp"
#include "textfmt/textfmt.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::run([&] {
    spectrum::fixed_spectrum& s = fuzz_support::held;
    fuzz_support::write_file("in.6xy", {data, size});
    READ3(fuzz_support::name_of("in.6xy"), s.x, s.y, s.first_x, s.last_x, s.count,
          spectrum::array_capacity);
    WRITE3(fuzz_support::name_of("out.6xy"), s.x, s.y, s.count);
  });
  return 0;
}
