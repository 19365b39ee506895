// tests/unit_pool_test.cpp: GETCHAN and PUTCHAN hand out and take back the pool's twenty units.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "recio/recio.hpp"
#include "tests/support/capture.hpp"

namespace {

using test_support::caught;

// The pool lives for the whole process, so its cases run in one sequence from a fresh pool.
TEST(unit_pool, hands_out_the_lowest_free_unit_and_takes_back_only_units_it_gave) {
  std::int32_t status = 0;
  std::vector<std::int16_t> units(20);
  for (auto& u : units) {
    GETCHAN(u, status);
    EXPECT_EQ(status, 1);
  }
  EXPECT_EQ(units, (std::vector<std::int16_t>{1,  2,  3,  4,  7,  8,  9,  10, 11, 12,
                                              13, 14, 15, 16, 17, 18, 19, 20, 21, 22}));

  std::int16_t unit = 99;
  // The first console record of the process: no line end is pending before it.
  EXPECT_EQ(caught(1, [&] { GETCHAN(unit, status); }), "GETCHAN: NO MORE I/O UNITS FREE. ");
  EXPECT_EQ(status, 13);
  EXPECT_EQ(unit, 99);  // untouched

  PUTCHAN(units[1], status);  // unit 2
  EXPECT_EQ(status, 1);
  GETCHAN(unit, status);
  EXPECT_EQ(unit, 2);

  // A unit that was never handed out, or is given back twice, closes nothing.
  const std::int16_t keyboard_unit = 5;
  EXPECT_EQ(caught(1, [&] { PUTCHAN(keyboard_unit, status); }),
            "\r\nPUTCHAN:  UNIT           5 WAS NOT OPEN. ");
  EXPECT_EQ(status, 1);
  PUTCHAN(units[4], status);  // unit 7: slot 5 is free again
  EXPECT_EQ(caught(1, [&] { PUTCHAN(units[4], status); }),
            "\r\nPUTCHAN:  UNIT           7 WAS NOT OPEN. ");

  // The free count never rises above twenty: after every unit is back, twenty are handed out
  // and the twenty-first is refused.
  for (const std::int16_t u : units) caught(1, [&] { PUTCHAN(u, status); });
  for (int i = 0; i < 20; ++i) GETCHAN(unit, status);
  EXPECT_EQ(status, 1);
  caught(1, [&] { GETCHAN(unit, status); });
  EXPECT_EQ(status, 13);

  // A new run in the same process starts with the whole pool free and no console line pending,
  // whatever the run before left taken.
  caught(1, [] { recio::finish_run(recio::exit_status::normal); });
  recio::begin_new_run();
  GETCHAN(unit, status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(unit, 1);
  EXPECT_EQ(caught(1, [] { recio::write_free(recio::console, {"X"}); }), "X");  // no CR LF first
}

}  // namespace
