#include "mime/IdDateTime.h"

#include "mime/IdTrim.h"
#include "platform/CivilDate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

using mv::idtext::Trim;
using mv::idtext::TrimLeft;

namespace {
const char *const DayNames[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
const char *const MonthNames[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                  "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
const char *const DayText[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char *const MonthText[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

constexpr long long MsPerDay = 86400000;

int NameIndex(const std::string &name, const char *const *table, int count) {
  std::string upper = name;
  for (char &c : upper)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  for (int i = 0; i < count; ++i)
    if (upper == table[i])
      return i + 1;
  return 0;
}

// A decimal number with an optional sign; false for anything else (or too long).
bool ReadDecimal(const std::string &text, int &value) {
  std::size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
  if (i == text.size() || text.size() - i > 9)
    return false;
  int result = 0;
  for (std::size_t k = i; k < text.size(); ++k) {
    if (text[k] < '0' || text[k] > '9')
      return false;
    result = result * 10 + (text[k] - '0');
  }
  value = text[0] == '-' ? -result : result;
  return true;
}

int DecimalOr(const std::string &text, int fallback) {
  int value = fallback;
  return ReadDecimal(text, value) ? value : fallback;
}

// Day, month, year and time of a Date value; false when they do not form a date.
bool ReadDateFields(std::string &text, TDateTime &result) {
  if (text.size() >= 3 && DayNameIndex(text.substr(0, 3)) != 0) {
    if (text.size() >= 5 && text[3] == ',' && text[4] != ' ')
      text.insert(4, " ");
    TakeToken(text, " ");
    text = TrimLeft(text);
  }
  const std::size_t dash = text.find('-');
  const std::size_t space = text.find(' ');
  const std::string separator = dash != std::string::npos && dash >= 1 && dash < space ? "-" : " ";

  std::string dayText;
  std::string monthText;
  if (MonthNameIndex(text.substr(0, text.find(separator))) != 0) {
    monthText = TakeToken(text, separator);
    text = TrimLeft(text);
    dayText = TakeToken(text, separator);
  } else {
    dayText = TakeToken(text, separator);
    text = TrimLeft(text);
    monthText = TakeToken(text, separator);
  }
  text = TrimLeft(text);

  mv::DateTimeFields fields;
  fields.Day = DecimalOr(dayText, 1);
  fields.Month = MonthNameIndex(monthText);
  const std::string yearField = TakeToken(text, " ");
  if (!ReadDecimal(yearField, fields.Year)) {
    // asctime order: the time comes before the year
    if (!ReadDecimal(Trim(text), fields.Year))
      return false;
    text = yearField;
  }
  if (fields.Year < 80)
    fields.Year += 2000;
  else if (fields.Year < 100)
    fields.Year += 1900;

  if (text.find(':') != std::string::npos) {
    std::string timeText = TakeToken(text, " ");
    fields.Hour = DecimalOr(TakeToken(timeText, ":"), 0);
    fields.Minute = DecimalOr(TakeToken(timeText, ":"), 0);
    fields.Second = DecimalOr(TakeToken(timeText, ":"), 0);
  }
  text = TrimLeft(text);
  return mv::TryEncodeDateTime(fields, result);
}
} // namespace

int DayNameIndex(const std::string &name) {
  return NameIndex(name, DayNames, 7);
}
int MonthNameIndex(const std::string &name) {
  return NameIndex(name, MonthNames, 12);
}

std::string TakeToken(std::string &text, std::string_view delimiter, bool remove) {
  const std::size_t pos = text.find(delimiter);
  if (pos == std::string::npos) {
    std::string result = text;
    if (remove)
      text.clear();
    return result;
  }
  std::string result = text.substr(0, pos);
  if (remove)
    text.erase(0, pos + delimiter.size());
  return result;
}

void SplitCommaList(const std::string &text, std::vector<std::string> &list) {
  list.clear();
  std::string piece;
  int quotes = 0;
  const auto flush = [&] {
    std::string trimmed = Trim(piece);
    if (!trimmed.empty())
      list.push_back(std::move(trimmed));
    piece.clear();
    quotes = 0;
  };
  for (char c : text) {
    if (c == ',' && quotes != 1) {
      flush();
      continue;
    }
    if (c == '"')
      ++quotes;
    piece += c;
  }
  flush();
}

TDateTime LocalUtcOffset() {
  tzset(); // TZ may have changed since the last call
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr)
    throw EIdFailedToRetreiveTimeZoneInfo("Failed attempting to retrieve time zone information.");
  // Whole minutes, as the zone tables give them.
  return static_cast<double>(local.tm_gmtoff / 60) / 1440.0;
}

std::string FormatZoneOffset(TDateTime offset, bool gmt) {
  const long long minutes = std::llround(std::fabs(offset) * 1440.0);
  if (minutes == 0 && gmt)
    return "GMT";
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%c%02lld%02lld", offset >= 0 || minutes == 0 ? '+' : '-',
                minutes / 60 % 100, minutes % 60);
  return buffer;
}

TDateTime ParseZoneOffset(const std::string &text) {
  const std::string zone = Trim(text).substr(0, 5);
  if (zone.size() < 5 || (zone[0] != '+' && zone[0] != '-'))
    return 0;
  int hours = 0;
  int minutes = 0;
  const std::string hoursText = zone.substr(1, 2);
  const std::string minutesText = zone.substr(3, 2);
  if (hoursText[0] == '+' || hoursText[0] == '-' || minutesText[0] == '+' || minutesText[0] == '-' ||
      !ReadDecimal(hoursText, hours) || !ReadDecimal(minutesText, minutes) || hours > 23 || minutes > 59)
    return 0;
  const TDateTime offset = (hours * 60 + minutes) / 1440.0;
  return zone[0] == '-' ? -offset : offset;
}

std::string FormatMessageDate(TDateTime date, bool gmt) {
  const mv::DateTimeFields f = mv::DecodeDateTime(date);
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%s, %d %s %d %02d:%02d:%02d ", DayText[mv::DayOfWeek(date) - 1],
                f.Day, MonthText[f.Month - 1], f.Year, f.Hour, f.Minute, f.Second);
  return buffer + FormatZoneOffset(LocalUtcOffset(), gmt);
}

TDateTime ParseDateText(std::string &text) {
  text = Trim(text);
  TDateTime result = 0;
  if (text.empty() || !ReadDateFields(text, result)) {
    text.clear(); // no zone either: an unreadable date is read as 0 throughout
    return 0;
  }
  return result;
}

TDateTime ParseMessageDate(const std::string &text) {
  std::string rest = text;
  const TDateTime date = ParseDateText(rest);
  const TDateTime zone = rest.size() > 4 ? ParseZoneOffset(rest) : 0;
  return date - zone + LocalUtcOffset();
}

namespace mv {
bool TryEncodeDateTime(const DateTimeFields &f, TDateTime &result) {
  if (f.Year < 1 || f.Year > 9999 || f.Month < 1 || f.Month > 12 || f.Day < 1 ||
      f.Day > mv::DaysInMonth(f.Year, f.Month) || f.Hour < 0 || f.Hour > 23 || f.Minute < 0 ||
      f.Minute > 59 || f.Second < 0 || f.Second > 59 || f.Millisecond < 0 || f.Millisecond > 999)
    return false;
  const double date = static_cast<double>(mv::DaysFromCivil(f.Year, f.Month, f.Day) + mv::kUnixEpochDay);
  const double time =
      static_cast<double>(((f.Hour * 60LL + f.Minute) * 60 + f.Second) * 1000 + f.Millisecond) / MsPerDay;
  // Before day 0 the fraction still counts forward from the day's midnight.
  result = date >= 0 ? date + time : date - time;
  return true;
}

TDateTime EncodeDateTime(const DateTimeFields &fields) {
  TDateTime result = 0;
  if (!TryEncodeDateTime(fields, result))
    throw EConvertError("Invalid argument to date encode");
  return result;
}

DateTimeFields DecodeDateTime(TDateTime value) {
  long long days = static_cast<long long>(value >= 0 ? std::floor(value) : std::ceil(value));
  long long ms = std::llround(std::fabs(value - static_cast<double>(days)) * MsPerDay);
  if (ms >= MsPerDay) {
    ms -= MsPerDay;
    ++days;
  }
  DateTimeFields f;
  const mv::CivilDate civil = mv::CivilFromDays(days - mv::kUnixEpochDay);
  f.Year = static_cast<int>(civil.Year);
  f.Month = civil.Month;
  f.Day = civil.Day;
  f.Hour = static_cast<int>(ms / 3600000);
  f.Minute = static_cast<int>(ms / 60000 % 60);
  f.Second = static_cast<int>(ms / 1000 % 60);
  f.Millisecond = static_cast<int>(ms % 1000);
  return f;
}

int DayOfWeek(TDateTime value) {
  const DateTimeFields f = DecodeDateTime(value);
  const long long days = mv::DaysFromCivil(f.Year, f.Month, f.Day) + mv::kUnixEpochDay;
  return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1; // day 0 was a Saturday
}

TDateTime Now() {
  std::timespec now{};
  std::timespec_get(&now, TIME_UTC);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  DateTimeFields f;
  f.Year = local.tm_year + 1900;
  f.Month = local.tm_mon + 1;
  f.Day = local.tm_mday;
  f.Hour = local.tm_hour;
  f.Minute = local.tm_min;
  f.Second = std::min(local.tm_sec, 59); // a leap second reads as :59
  f.Millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return EncodeDateTime(f);
}
} // namespace mv
