#include "platform/CivilDate.h"

namespace mv {
namespace {
// The calendar repeats every 400 years, which are 146097 days; counting years
// from 1 March puts the leap day at the end of the year. 719468 is the day
// 0000-03-01 from 1970-01-01.
constexpr long long kDaysPerEra = 146097;
constexpr long long kEraStartFromUnixEpoch = 719468;
} // namespace

bool IsLeapYear(long long year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(long long year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

long long DaysFromCivil(long long year, int month, int day) {
  const auto m = static_cast<unsigned>(month);
  year -= m <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + static_cast<unsigned>(day) - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * kDaysPerEra + static_cast<long long>(dayOfEra) - kEraStartFromUnixEpoch;
}

CivilDate CivilFromDays(long long days) {
  days += kEraStartFromUnixEpoch;
  const long long era = (days >= 0 ? days : days - (kDaysPerEra - 1)) / kDaysPerEra;
  const auto dayOfEra = static_cast<unsigned>(days - era * kDaysPerEra);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153; // 0 is March
  CivilDate date{};
  date.Day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  date.Month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  date.Year = static_cast<long long>(yearOfEra) + era * 400 + (date.Month <= 2);
  return date;
}
} // namespace mv
