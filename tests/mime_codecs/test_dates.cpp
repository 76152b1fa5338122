#include "mime/IdDateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>

namespace {
// Pins the time zone for one test; restores the previous one afterwards.
class ScopedTimeZone {
public:
  explicit ScopedTimeZone(const char *tz) {
    const char *old = std::getenv("TZ");
    hadOld_ = old != nullptr;
    if (hadOld_)
      old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

private:
  bool hadOld_ = false;
  std::string old_;
};

const char *const ThreeHoursEast = "<+03>-3";
const char *const TwoHoursWest = "<-02>2";

TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  mv::DateTimeFields fields;
  fields.Year = year;
  fields.Month = month;
  fields.Day = day;
  fields.Hour = hour;
  fields.Minute = minute;
  fields.Second = second;
  return mv::EncodeDateTime(fields);
}

// Exact to the second, so rounding in the day fraction cannot hide a fault.
std::string Fields(TDateTime value) {
  const mv::DateTimeFields f = mv::DecodeDateTime(value);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", f.Year, f.Month, f.Day, f.Hour,
                f.Minute, f.Second, f.Millisecond);
  return buffer;
}
} // namespace

TEST(Calendar, DayCountsFrom30December1899) {
  EXPECT_EQ(At(1899, 12, 30), 0.0);
  EXPECT_EQ(At(1900, 1, 1), 2.0);
  EXPECT_EQ(At(2026, 12, 8), 46364.0);
  EXPECT_EQ(At(2026, 1, 5, 12), 46027.5);
  EXPECT_EQ(mv::DayOfWeek(At(2026, 12, 8)), 3); // Tuesday
  EXPECT_EQ(mv::DayOfWeek(At(1899, 12, 30)), 7);
  EXPECT_EQ(mv::DayOfWeek(At(1899, 12, 31)), 1);
}

TEST(Calendar, RejectsDatesOutsideTheCalendar) {
  TDateTime value = 0;
  mv::DateTimeFields f;
  f.Year = 2000, f.Month = 2, f.Day = 29;
  EXPECT_TRUE(mv::TryEncodeDateTime(f, value));
  f.Year = 1900;
  EXPECT_FALSE(mv::TryEncodeDateTime(f, value));
  f = {};
  f.Hour = 24;
  EXPECT_FALSE(mv::TryEncodeDateTime(f, value));
  f = {};
  f.Month = 13;
  EXPECT_THROW(mv::EncodeDateTime(f), EConvertError);
}

TEST(Calendar, FieldsRoundTripExactlyToTheMillisecond) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> year(1900, 2100), month(1, 12), day(1, 28), hour(0, 23), minute(0, 59),
      ms(0, 999);
  for (int i = 0; i < 20000; ++i) {
    mv::DateTimeFields f;
    f.Year = year(random), f.Month = month(random), f.Day = day(random);
    f.Hour = hour(random), f.Minute = minute(random), f.Second = minute(random), f.Millisecond = ms(random);
    const mv::DateTimeFields back = mv::DecodeDateTime(mv::EncodeDateTime(f));
    ASSERT_EQ(
        std::tie(back.Year, back.Month, back.Day, back.Hour, back.Minute, back.Second, back.Millisecond),
        std::tie(f.Year, f.Month, f.Day, f.Hour, f.Minute, f.Second, f.Millisecond));
  }
  EXPECT_EQ(Fields(At(2026, 12, 31, 23, 59, 59)), "2026-12-31 23:59:59.000");
}

TEST(LocalUtcOffset, FollowsTheTimeZoneIncludingDaylightSaving) {
  {
    ScopedTimeZone zone(TwoHoursWest);
    EXPECT_DOUBLE_EQ(LocalUtcOffset(), -2.0 / 24);
  }
  {
    ScopedTimeZone zone(ThreeHoursEast);
    EXPECT_DOUBLE_EQ(LocalUtcOffset(), 3.0 / 24);
  }
  {
    // Daylight saving all year: five hours west, one hour of it given back.
    ScopedTimeZone zone("EST5EDT,0/0,J365/25");
    EXPECT_DOUBLE_EQ(LocalUtcOffset(), -4.0 / 24);
  }
}

TEST(FormatMessageDate, WritesRfc822DateWithCurrentOffset) {
  ScopedTimeZone zone(ThreeHoursEast);
  EXPECT_EQ(FormatMessageDate(At(2026, 1, 5, 14, 3, 7)), "Mon, 5 Jan 2026 14:03:07 +0300");
  EXPECT_EQ(FormatMessageDate(At(2026, 12, 8, 9, 5, 2)), "Tue, 8 Dec 2026 09:05:02 +0300");
  ScopedTimeZone utc("UTC0");
  EXPECT_EQ(FormatMessageDate(At(2026, 12, 8, 9, 5, 2)), "Tue, 8 Dec 2026 09:05:02 +0000");
  EXPECT_EQ(FormatMessageDate(At(2026, 12, 8, 9, 5, 2), true), "Tue, 8 Dec 2026 09:05:02 GMT");
}

TEST(ParseMessageDate, ReadsIntoLocalTime) {
  ScopedTimeZone zone(ThreeHoursEast);
  EXPECT_EQ(Fields(ParseMessageDate("Mon, 5 Jan 2026 14:03:07 +0300")), "2026-01-05 14:03:07.000");
  EXPECT_EQ(Fields(ParseMessageDate("Mon, 5 Jan 2026 14:03:07 +0000")), "2026-01-05 17:03:07.000");
  EXPECT_EQ(Fields(ParseMessageDate("Mon, 5 Jan 2026 14:03:07 -0130 (XYZ)")), "2026-01-05 18:33:07.000");
  EXPECT_EQ(Fields(ParseMessageDate("5-Jan-26 14:03:07 GMT")), "2026-01-05 17:03:07.000");
  EXPECT_EQ(Fields(ParseMessageDate("Mon,5 Jan 2026 14:03:07 +0300")), "2026-01-05 14:03:07.000");
  EXPECT_EQ(Fields(ParseMessageDate("Mon Jan  5 14:03:07 2026")), "2026-01-05 17:03:07.000");
  EXPECT_EQ(Fields(ParseMessageDate("Tue, 08 Dec 2026 09:05:02 +0300")), "2026-12-08 09:05:02.000");
  EXPECT_EQ(Fields(ParseMessageDate("8 Dec 2026 +0300")), "2026-12-08 00:00:00.000");
}

TEST(ParseMessageDate, TwoDigitYears) {
  ScopedTimeZone zone("UTC0");
  EXPECT_EQ(Fields(ParseMessageDate("5 Jan 79 10:00:00 +0000")), "2079-01-05 10:00:00.000");
  EXPECT_EQ(Fields(ParseMessageDate("5 Jan 80 10:00:00 +0000")), "1980-01-05 10:00:00.000");
}

TEST(ParseMessageDate, UnreadableDateGivesTheLocalOffset) {
  ScopedTimeZone zone(ThreeHoursEast);
  for (const char *text : {"Mon, 5 January 2026 14:03:07 +0300", "", "garbage", "31 Feb 2026 10:00:00 +0300",
                           "5 Jan 2026 25:00:00 +0300", "Mon,", "5 Jan xx 10:00:00 +0500"})
    EXPECT_DOUBLE_EQ(ParseMessageDate(text), 3.0 / 24) << text;
}

TEST(ParseDateText, LeavesTheZoneText) {
  std::string text = "Mon, 5 Jan 2026 14:03:07   +0300 (MSK)";
  EXPECT_EQ(Fields(ParseDateText(text)), "2026-01-05 14:03:07.000");
  EXPECT_EQ(text, "+0300 (MSK)");
}

TEST(ZoneOffset, FormatsAndParses) {
  EXPECT_EQ(FormatZoneOffset(0, true), "GMT");
  EXPECT_EQ(FormatZoneOffset(0, false), "+0000");
  EXPECT_EQ(FormatZoneOffset(0.125, false), "+0300");
  EXPECT_EQ(FormatZoneOffset(-1.5 / 24, true), "-0130");
  EXPECT_DOUBLE_EQ(ParseZoneOffset("+0300"), 0.125);
  EXPECT_DOUBLE_EQ(ParseZoneOffset("  -0130 (X)"), -1.5 / 24);
  EXPECT_EQ(ParseZoneOffset("GMT"), 0);
  EXPECT_EQ(ParseZoneOffset("+2500"), 0);
  EXPECT_EQ(ParseZoneOffset("+0360"), 0);
  EXPECT_EQ(ParseZoneOffset("+03"), 0);
  EXPECT_EQ(ParseZoneOffset("+-300"), 0);
}

TEST(NameIndexes, CompareWholeNamesIgnoringCase) {
  EXPECT_EQ(DayNameIndex("sun"), 1);
  EXPECT_EQ(DayNameIndex("SAT"), 7);
  EXPECT_EQ(DayNameIndex("Sunday"), 0);
  EXPECT_EQ(MonthNameIndex("dec"), 12);
  EXPECT_EQ(MonthNameIndex("Jan"), 1);
  EXPECT_EQ(MonthNameIndex("January"), 0);
  EXPECT_EQ(MonthNameIndex(""), 0);
}

TEST(TextHelpers, TakeToken) {
  std::string text = "a b c";
  EXPECT_EQ(TakeToken(text), "a");
  EXPECT_EQ(text, "b c");
  EXPECT_EQ(TakeToken(text, "c", false), "b ");
  EXPECT_EQ(text, "b c");
  EXPECT_EQ(TakeToken(text, ";"), "b c");
  EXPECT_EQ(text, "");
  text = "key: value";
  EXPECT_EQ(TakeToken(text, ": "), "key");
  EXPECT_EQ(text, "value");
}

TEST(TextHelpers, SplitCommaListKeepsQuotedCommas) {
  std::vector<std::string> list = {"old"};
  SplitCommaList(" a , \"b, c\" , ,d,", list);
  EXPECT_EQ(list, (std::vector<std::string>{"a", "\"b, c\"", "d"}));
  SplitCommaList("", list);
  EXPECT_TRUE(list.empty());
}
