#pragma once
// Message dates (the RFC 822 Date value), the local offset from UTC, and the
// small string helpers of the message code.
//
// A date-time is a count of days since 30 December 1899 00:00 local time, the
// fraction being the time of day. A zone offset is a day fraction too
// (three hours east is 0.125).
#include "mime/IdException.h"

#include <string>
#include <string_view>
#include <vector>

using TDateTime = double;

// "Tue, 8 Dec 2026 09:05:02 +0300": the zone is the machine's current offset.
std::string FormatMessageDate(TDateTime date, bool gmt = false);
// Reads a Date value into local time; an unreadable date gives 0 before the
// zone correction (so the result is LocalUtcOffset()).
TDateTime ParseMessageDate(const std::string &text);
// Reads day, month, year and time; leaves the zone text in text. 0 when the
// date cannot be read.
TDateTime ParseDateText(std::string &text);
// "+0300", "-0130"; "GMT" for 0 when gmt is set.
std::string FormatZoneOffset(TDateTime offset, bool gmt);
// "+hhmm" / "-hhmm"; named zones and anything else give 0.
TDateTime ParseZoneOffset(const std::string &text);
// The offset of local time from UTC in force now (daylight saving included),
// positive east of Greenwich. Raises EIdFailedToRetreiveTimeZoneInfo.
TDateTime LocalUtcOffset();

// 1..7 for "SUN".."SAT", 1..12 for "JAN".."DEC", 0 otherwise (whole text,
// letter case ignored).
int DayNameIndex(const std::string &name);
int MonthNameIndex(const std::string &name);

// The text before the first delimiter (all of it when there is none); with
// remove, text becomes what follows the delimiter (empty when there is none).
std::string TakeToken(std::string &text, std::string_view delimiter = " ", bool remove = true);
// Empties list and adds the trimmed, non-empty pieces of text split at commas;
// a comma inside one pair of double quotes does not split.
void SplitCommaList(const std::string &text, std::vector<std::string> &list);

namespace mv {
struct DateTimeFields {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// False for fields outside the calendar (month 13, 31 April, hour 24, ...).
bool TryEncodeDateTime(const DateTimeFields &fields, TDateTime &result);
// Raises EConvertError for invalid fields.
TDateTime EncodeDateTime(const DateTimeFields &fields);
// Exact to the millisecond (the value is rounded to the nearest one).
DateTimeFields DecodeDateTime(TDateTime value);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);
// The current local date-time.
TDateTime Now();
} // namespace mv
