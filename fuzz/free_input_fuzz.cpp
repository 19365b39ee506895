// fuzz/free_input_fuzz.cpp: free-form reading (recio::read_free) from a text file into every kind
// of variable. The input's first byte gives the statement's returns and how many variables it
// reads, the next eight their kinds; the rest is the file, read statement after statement.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "fuzz/fuzz_support.hpp"
#include "recio/recio.hpp"
#include "textfmt/text_file.hpp"

namespace {
constexpr int most_statements = 64;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using fuzz_support::most_targets;
  fuzz_support::bytes input{data, size};
  const fuzz_support::bytes shape = fuzz_support::take_front(input, 1 + most_targets);
  if (shape.size() < 1 + most_targets) return 0;
  // Bits 0 and 1: the returns on error and on end; bits 2 to 4: one variable more than their
  // number.
  const recio::returns r{.on_error = (shape[0] & 1) != 0, .on_end = (shape[0] & 2) != 0};
  const std::size_t n = 1 + (shape[0] >> 2 & 7);
  static fuzz_support::variables v;
  v = fuzz_support::variables{};
  fuzz_support::target_list targets{};
  for (std::size_t i = 0; i < most_targets; ++i) targets[i] = v.of_kind(shape[1 + i], i);

  fuzz_support::run([&] {
    fuzz_support::write_file("in.txt", input);
    const recio::unit_number unit =
        textfmt::open_file(fuzz_support::name_of("in.txt"), recio::open_mode::text_read);
    for (int k = 0; k < most_statements; ++k) {
      std::uint32_t filled = 0;
      const auto statement = [&](std::initializer_list<recio::target> t) {
        return recio::read_free(unit, r, t, &filled);
      };
      if (fuzz_support::with_first(targets, n, statement) == recio::io_code::end) break;
    }
    textfmt::close_file(unit);
  });
  return 0;
}
