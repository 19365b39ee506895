// fuzz/layout_input_fuzz.cpp: reading through layouts (recio::read) from a text file and from a
// text variable. The input's first byte picks the layout, the second the returns, the source and
// the number of variables, the next eight the variables' kinds; the rest is the records.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_support.hpp"
#include "recio/recio.hpp"

namespace {

constexpr std::size_t most_targets = 8;
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

struct variables {
  std::array<std::int16_t, most_targets> short_integers{};
  std::array<std::int32_t, most_targets> integers{};
  std::array<float, most_targets> reals{};
  std::array<recio::fixed_text<1>, most_targets> replies{};
  std::array<recio::fixed_text<12>, most_targets> names{};
  std::array<recio::fixed_text<130>, most_targets> memos{};

  recio::target of_kind(std::uint8_t kind, std::size_t i) {
    switch (kind % 6) {
      case 0:
        return &short_integers[i];
      case 1:
        return &integers[i];
      case 2:
        return &reals[i];
      case 3:
        return replies[i].ref();
      case 4:
        return names[i].ref();
      default:
        return memos[i].ref();
    }
  }
};

// A statement of n targets from a unit or from a text; the target list has a fixed length, so
// it is spelt out.
template <typename source>
recio::io_code read_statement(source from, const recio::layout& l, recio::returns r,
                              const std::array<recio::target, most_targets>& t, std::size_t n) {
  switch (n) {
    case 0:
      return recio::read(from, l, r, {});
    case 1:
      return recio::read(from, l, r, {t[0]});
    case 2:
      return recio::read(from, l, r, {t[0], t[1]});
    case 3:
      return recio::read(from, l, r, {t[0], t[1], t[2]});
    case 4:
      return recio::read(from, l, r, {t[0], t[1], t[2], t[3]});
    case 5:
      return recio::read(from, l, r, {t[0], t[1], t[2], t[3], t[4]});
    case 6:
      return recio::read(from, l, r, {t[0], t[1], t[2], t[3], t[4], t[5]});
    case 7:
      return recio::read(from, l, r, {t[0], t[1], t[2], t[3], t[4], t[5], t[6]});
    default:
      return recio::read(from, l, r, {t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]});
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz_support::set_up(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::bytes input{data, size};
  const fuzz_support::bytes shape = fuzz_support::take_front(input, 2 + most_targets);
  if (shape.size() < 2 + most_targets) return 0;
  const recio::layout& l = layouts[shape[0] % layouts.size()];
  // Bits 0 and 1: the returns on error and on end; bit 2: the record is a text variable; bits 3
  // to 6: the number of variables, 0 to 8.
  const recio::returns r{.on_error = (shape[1] & 1) != 0, .on_end = (shape[1] & 2) != 0};
  const bool from_text = (shape[1] & 4) != 0;
  const std::size_t n = std::min<std::size_t>(shape[1] >> 3 & 15, most_targets);
  static variables v;
  v = variables{};
  std::array<recio::target, most_targets> targets{};
  for (std::size_t i = 0; i < most_targets; ++i) targets[i] = v.of_kind(shape[2 + i], i);

  fuzz_support::run([&] {
    if (from_text) {
      const std::string_view record{reinterpret_cast<const char*>(input.data()), input.size()};
      read_statement(record, l, r, targets, n);
      return;
    }
    fuzz_support::write_file("in.txt", input);
    std::int16_t unit = 0;
    std::int32_t status = 0;
    GETCHAN(unit, status);
    recio::open(unit, "in.txt", recio::open_mode::text_read);
    for (int k = 0; k < most_statements; ++k)
      if (read_statement(unit, l, r, targets, n) == recio::io_code::end) break;
    PUTCHAN(unit, status);
  });
  return 0;
}
