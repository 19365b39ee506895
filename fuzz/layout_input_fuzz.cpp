// fuzz/layout_input_fuzz.cpp: reading through layouts (recio::read) from a text file and from a
// text variable. The input's first byte picks the layout, the second the returns, the source and
// the number of variables, the next eight the variables' kinds; the rest is the records.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "fuzz/fuzz_support.hpp"
#include "recio/recio.hpp"
#include "textfmt/text_file.hpp"

namespace {

constexpr int most_statements = 32;

// The layouts that the program reads with, and others with every kind of field that reading
// knows: A alone and Aw, Iw, Fw.d, Ew.d, nX, "/" and repeated groups, some wider than any number.
constexpr std::array layouts{
    recio::layout{"(A1)"},
    recio::layout{"(A12)"},
    recio::layout{"(A130)"},
    recio::layout{"(A260)"},
    recio::layout{"(F4.1)"},
    recio::layout{"(F9.3/F9.3/I6)"},
    recio::layout{"(1X,E14.7)"},
    recio::layout{"(F11.5,2X,E14.7)"},
    recio::layout{"(3(F9.3,1X,E14.7,10X))"},
    recio::layout{"(A)"},
    recio::layout{"(A,I3,A2)"},
    recio::layout{"(I6)"},
    recio::layout{"(I1,I2,I3,I4)"},
    recio::layout{"(2X,A5,F8.2,I4)"},
    recio::layout{"(A3,/,I4,3X,F6.0)"},
    recio::layout{"(2(I2,1X),A)"},
    recio::layout{"(F7.3,E10.2,I1,X,A4)"},
    recio::layout{"(F300.2)"},
    recio::layout{"(I300)"},
    recio::layout{"(E20.10,F20.19)"},
    recio::layout{"(' skipped ',I5,//,F5.5)"},
    recio::layout{"(/)"},
    recio::layout{"(10X,A12,100X,I3)"},
    recio::layout{"(4(F3.0))"},
};
static_assert(layouts.size() <= 32);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using fuzz_support::most_targets;
  fuzz_support::bytes input{data, size};
  const fuzz_support::bytes shape = fuzz_support::take_front(input, 2 + most_targets);
  if (shape.size() < 2 + most_targets) return 0;
  const recio::layout& l = layouts[shape[0] % layouts.size()];
  // Bits 0 and 1: the returns on error and on end; bit 2: the record is a text variable; bits 3
  // to 6: the number of variables, 0 to 8.
  const recio::returns r{.on_error = (shape[1] & 1) != 0, .on_end = (shape[1] & 2) != 0};
  const bool from_text = (shape[1] & 4) != 0;
  const std::size_t n = std::min<std::size_t>(shape[1] >> 3 & 15, most_targets);
  static fuzz_support::variables v;
  v = fuzz_support::variables{};
  fuzz_support::target_list targets{};
  for (std::size_t i = 0; i < most_targets; ++i) targets[i] = v.of_kind(shape[2 + i], i);

  fuzz_support::run([&] {
    if (from_text) {
      const std::string_view record{reinterpret_cast<const char*>(input.data()), input.size()};
      fuzz_support::with_first(targets, n, [&](std::initializer_list<recio::target> t) {
        return recio::read(record, l, r, t);
      });
      return;
    }
    fuzz_support::write_file("in.txt", input);
    const recio::unit_number unit =
        textfmt::open_file(fuzz_support::name_of("in.txt"), recio::open_mode::text_read);
    const auto statement = [&](std::initializer_list<recio::target> t) {
      return recio::read(unit, l, r, t);
    };
    for (int k = 0; k < most_statements; ++k)
      if (fuzz_support::with_first(targets, n, statement) == recio::io_code::end) break;
    textfmt::close_file(unit);
  });
  return 0;
}
