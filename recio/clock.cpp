// recio/clock.cpp: the local date and time.
#include "recio/os.hpp"
#include "recio/recio.hpp"

namespace recio {

void local_date(std::int16_t& year, std::int16_t& month, std::int16_t& day) {
  const os::clock_reading t = os::local_clock();
  year = static_cast<std::int16_t>(t.year);
  month = static_cast<std::int16_t>(t.month);
  day = static_cast<std::int16_t>(t.day);
}

void local_time(std::int16_t& hour, std::int16_t& minute, std::int16_t& second,
                std::int16_t& hundredths) {
  const os::clock_reading t = os::local_clock();
  hour = static_cast<std::int16_t>(t.hour);
  minute = static_cast<std::int16_t>(t.minute);
  second = static_cast<std::int16_t>(t.second);
  hundredths = static_cast<std::int16_t>(t.millisecond / 10);
}

}  // namespace recio
