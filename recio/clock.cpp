// recio/clock.cpp: the local date and time.
#include <ctime>

#include "recio/recio.hpp"

namespace recio {

namespace {
std::tm local_now(long& milliseconds) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  milliseconds = now.tv_nsec / 1000000;
  std::tm parts{};
  ::localtime_r(&now.tv_sec, &parts);
  return parts;
}
}  // namespace

void local_date(std::int16_t& year, std::int16_t& month, std::int16_t& day) {
  long ms = 0;
  const std::tm t = local_now(ms);
  year = static_cast<std::int16_t>(t.tm_year + 1900);
  month = static_cast<std::int16_t>(t.tm_mon + 1);
  day = static_cast<std::int16_t>(t.tm_mday);
}

void local_time(std::int16_t& hour, std::int16_t& minute, std::int16_t& second,
                std::int16_t& hundredths) {
  long ms = 0;
  const std::tm t = local_now(ms);
  hour = static_cast<std::int16_t>(t.tm_hour);
  minute = static_cast<std::int16_t>(t.tm_min);
  second = static_cast<std::int16_t>(t.tm_sec);
  hundredths = static_cast<std::int16_t>(ms / 10);
}

}  // namespace recio
