// recio/unit_pool.cpp: the pool of I/O unit numbers, GETCHAN and PUTCHAN; a fresh start of the
// layer for a new run.
#include <array>
#include <cstdint>
#include <string>

#include "recio/console.hpp"
#include "recio/files.hpp"
#include "recio/recio.hpp"

namespace {

constexpr std::size_t slot_count = 20;

// Slots 1 to 4 hold units 1 to 4 and slots 5 to 20 units 7 to 22: units 5 and 6 are the
// keyboard and the console.
constexpr std::array<std::int16_t, slot_count> slot_units{1,  2,  3,  4,  7,  8,  9,  10, 11, 12,
                                                          13, 14, 15, 16, 17, 18, 19, 20, 21, 22};

struct pool {
  std::array<std::int16_t, slot_count> in_use{};  // 1: handed out; anything else: free
  std::int16_t free_count = slot_count;
};
thread_local pool units;  // each thread converts with units of its own

constexpr std::int32_t done = 1;
constexpr std::int32_t none_free = 13;
constexpr std::int32_t close_failed = -1;

}  // namespace

void GETCHAN(std::int16_t& unit, std::int32_t& status) {
  status = done;
  if (units.free_count == 0) {
    status = none_free;
    recio::write_free(recio::console, {"GETCHAN: NO MORE I/O UNITS FREE. "});
    return;
  }
  unit = 0;
  for (std::size_t slot = 0; slot < slot_count; ++slot) {
    if (units.in_use[slot] == 1) continue;
    unit = slot_units[slot];
    --units.free_count;
    units.in_use[slot] = 1;
    return;
  }
  status = none_free;  // the count said a slot was free, but none is
}

void PUTCHAN(const std::int16_t& unit, std::int32_t& status) {
  status = done;
  for (std::size_t slot = 0; slot < slot_count; ++slot) {
    if (slot_units[slot] != unit || units.in_use[slot] != 1) continue;
    // The file stays on disk; a failed close is told by the status alone.
    const int code = recio::close(unit, {.on_error = true});
    units.in_use[slot] = 0;
    if (units.free_count < static_cast<std::int16_t>(slot_count)) ++units.free_count;
    if (code != 0) status = close_failed;
    return;
  }
  recio::write_free(recio::console,
                    {"PUTCHAN:  UNIT ", static_cast<std::int32_t>(unit), " WAS NOT OPEN. "});
}

namespace recio {

std::string close_thread_files(bool keep) {
  std::string lost{files::close_all(keep)};
  units = pool{};
  return lost;
}

void begin_new_run() {
  units = pool{};
  console_io::clear_pending();
  console_io::reset_keyboard();
}

}  // namespace recio
