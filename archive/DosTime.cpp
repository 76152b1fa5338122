#include "archive/DosTime.h"

#include <ctime>

namespace mv {
std::int64_t UnixFromDosTime(std::uint32_t dosTime) {
  if ((dosTime >> 16) == 0)
    return 0;
  std::tm tm{};
  tm.tm_year = static_cast<int>(dosTime >> 25) + 80;
  tm.tm_mon = static_cast<int>((dosTime >> 21) & 0x0F) - 1;
  tm.tm_mday = static_cast<int>((dosTime >> 16) & 0x1F);
  tm.tm_hour = static_cast<int>((dosTime >> 11) & 0x1F);
  tm.tm_min = static_cast<int>((dosTime >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>(dosTime & 0x1F) * 2;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  return t == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(t);
}

std::uint32_t DosTimeFromUnix(std::int64_t unixTime) {
  const std::time_t t = static_cast<std::time_t>(unixTime);
  std::tm tm{};
  if (!::localtime_r(&t, &tm) || tm.tm_year < 80)
    return (1u << 21) | (1u << 16); // 1980-01-01 00:00, the earliest MS-DOS time
  if (tm.tm_year > 80 + 127)
    tm.tm_year = 80 + 127;
  return static_cast<std::uint32_t>(tm.tm_year - 80) << 25 | static_cast<std::uint32_t>(tm.tm_mon + 1) << 21 |
         static_cast<std::uint32_t>(tm.tm_mday) << 16 | static_cast<std::uint32_t>(tm.tm_hour) << 11 |
         static_cast<std::uint32_t>(tm.tm_min) << 5 | static_cast<std::uint32_t>(tm.tm_sec / 2);
}
} // namespace mv
