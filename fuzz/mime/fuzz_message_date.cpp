// Reads arbitrary Date values; a date that was read (from the year 100 on,
// as two-digit years are widened) must survive writing and reading again.
#include "mime/IdDateTime.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const bool zoneSet = [] { return setenv("TZ", "<+03>-3", 1) == 0; }();
  (void)zoneSet;
  const TDateTime date = ParseMessageDate(std::string(reinterpret_cast<const char *>(data), size));
  mv::DateTimeFields year100;
  year100.Year = 100, year100.Month = 1, year100.Day = 2;
  if (date < mv::EncodeDateTime(year100) || date > 2958465) // up to 31 December 9999
    return 0;
  const TDateTime again = ParseMessageDate(FormatMessageDate(date));
  if (std::fabs(again - date) > 1.001 / 86400)
    __builtin_trap();
  return 0;
}
