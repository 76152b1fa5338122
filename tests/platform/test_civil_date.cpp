#include "platform/CivilDate.h"

#include <gtest/gtest.h>

TEST(CivilDate, DayCountsAndDatesAgreeAcrossLeapRulesAndEras) {
  const struct {
    long long year;
    int month, day;
    long long days; // since 1 January 1970
  } cases[] = {
      {1970, 1, 1, 0},         {1899, 12, 30, -mv::kUnixEpochDay},
      {2000, 2, 29, 11016},    {1900, 3, 1, -25508},
      {1969, 12, 31, -1},      {2026, 12, 9, 20796},
      {0, 3, 1, -719468},      {-1, 12, 31, -719529},
      {9999, 12, 31, 2932896},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(mv::DaysFromCivil(c.year, c.month, c.day), c.days) << c.year << "-" << c.month << "-" << c.day;
    const mv::CivilDate date = mv::CivilFromDays(c.days);
    EXPECT_EQ(date.Year, c.year);
    EXPECT_EQ(date.Month, c.month);
    EXPECT_EQ(date.Day, c.day);
  }
  // Every day of four centuries round-trips, one after the other.
  for (long long days = -146097; days < 146097; ++days) {
    const mv::CivilDate date = mv::CivilFromDays(days);
    ASSERT_GE(date.Day, 1);
    ASSERT_LE(date.Day, mv::DaysInMonth(date.Year, date.Month));
    ASSERT_EQ(mv::DaysFromCivil(date.Year, date.Month, date.Day), days);
  }
  const struct {
    long long year;
    int month, days;
  } months[] = {{1900, 2, 28}, {2000, 2, 29}, {2024, 2, 29}, {2023, 2, 28}, {2023, 4, 30}, {2023, 12, 31}};
  for (const auto &m : months)
    EXPECT_EQ(mv::DaysInMonth(m.year, m.month), m.days) << m.year << "-" << m.month;
}
