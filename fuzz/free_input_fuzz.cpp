// fuzz/free_input_fuzz.cpp: free-form reading (recio::read_free) from a text file into every kind
// of variable. The input's first byte gives the statement's returns and how many variables it
// reads, the next eight their kinds; the rest is the file, read statement after statement.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.hpp"
#include "recio/recio.hpp"

namespace {

constexpr std::size_t most_targets = 8;
constexpr int most_statements = 64;

// The variables a statement reads into, of every kind the program reads: both integer widths,
// reals, and texts as long as the program's (a reply, a file name, a memo) and longer.
struct variables {
  std::array<std::int16_t, most_targets> short_integers{};
  std::array<std::int32_t, most_targets> integers{};
  std::array<float, most_targets> reals{};
  std::array<recio::fixed_text<1>, most_targets> replies{};
  std::array<recio::fixed_text<12>, most_targets> names{};
  std::array<recio::fixed_text<130>, most_targets> memos{};
  std::array<recio::fixed_text<260>, most_targets> long_texts{};

  recio::target of_kind(std::uint8_t kind, std::size_t i) {
    switch (kind % 7) {
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
      case 5:
        return memos[i].ref();
      default:
        return long_texts[i].ref();
    }
  }
};

// Reads one statement of n targets; the target list has a fixed length, so it is spelt out.
recio::io_code read_statement(recio::unit_number unit, recio::returns r,
                              const std::array<recio::target, most_targets>& t, std::size_t n,
                              std::uint32_t& filled) {
  switch (n) {
    case 1:
      return recio::read_free(unit, r, {t[0]}, &filled);
    case 2:
      return recio::read_free(unit, r, {t[0], t[1]}, &filled);
    case 3:
      return recio::read_free(unit, r, {t[0], t[1], t[2]}, &filled);
    case 4:
      return recio::read_free(unit, r, {t[0], t[1], t[2], t[3]}, &filled);
    case 5:
      return recio::read_free(unit, r, {t[0], t[1], t[2], t[3], t[4]}, &filled);
    case 6:
      return recio::read_free(unit, r, {t[0], t[1], t[2], t[3], t[4], t[5]}, &filled);
    case 7:
      return recio::read_free(unit, r, {t[0], t[1], t[2], t[3], t[4], t[5], t[6]}, &filled);
    default:
      return recio::read_free(unit, r, {t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]}, &filled);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz_support::set_up(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz_support::bytes input{data, size};
  const fuzz_support::bytes shape = fuzz_support::take_front(input, 1 + most_targets);
  if (shape.size() < 1 + most_targets) return 0;
  // Bits 0 and 1: the returns on error and on end; bits 2 to 4: one variable more than their
  // number.
  const recio::returns r{.on_error = (shape[0] & 1) != 0, .on_end = (shape[0] & 2) != 0};
  const std::size_t n = 1 + (shape[0] >> 2 & 7);
  static variables v;
  v = variables{};
  std::array<recio::target, most_targets> targets{};
  for (std::size_t i = 0; i < most_targets; ++i) targets[i] = v.of_kind(shape[1 + i], i);

  fuzz_support::run([&] {
    fuzz_support::write_file("in.txt", input);
    std::int16_t unit = 0;
    std::int32_t status = 0;
    GETCHAN(unit, status);
    recio::open(unit, "in.txt", recio::open_mode::text_read);
    for (int k = 0; k < most_statements; ++k) {
      std::uint32_t filled = 0;
      if (read_statement(unit, r, targets, n, filled) == recio::io_code::end) break;
    }
    PUTCHAN(unit, status);
  });
  return 0;
}
