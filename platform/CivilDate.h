#pragma once
// Proleptic Gregorian calendar arithmetic in whole days, for the message
// dates and the protocol table's date column alike. Days count from
// 1 January 1970 (negative before it); the program's date-time values count
// from 30 December 1899, kUnixEpochDay days earlier.
namespace mv {
inline constexpr long long kUnixEpochDay = 25569;

struct CivilDate {
  long long Year;
  int Month; // 1..12
  int Day;   // 1..31
};

bool IsLeapYear(long long year);
int DaysInMonth(long long year, int month);
// The date must be valid (see DaysInMonth); the result is exact for every
// year a long long day count can hold.
long long DaysFromCivil(long long year, int month, int day);
CivilDate CivilFromDays(long long days);
} // namespace mv
