#pragma once
// MS-DOS date and time as ZIP and RAR headers store them: the date in the
// high 16 bits, local time, two-second steps, years 1980 to 2107.
#include <cstdint>

namespace mv {
// Seconds since the epoch; 0 when no date is stored.
std::int64_t UnixFromDosTime(std::uint32_t dosTime);
// The MS-DOS stamp of a Unix time; 1980-01-01 00:00 for anything earlier.
std::uint32_t DosTimeFromUnix(std::int64_t unixTime);
} // namespace mv
