// The helpers both archive components share: UTF-8 names and MS-DOS times.
#include "archive/DosTime.h"
#include "archive/Utf8.h"

#include <gtest/gtest.h>

#include <ctime>

TEST(ArchiveHelpers, Utf8NamesAreShortestFormOnly) {
  struct Case {
    const char *what;
    std::string text;
    bool nonAsciiUtf8;
    std::wstring wide;
  };
  const Case cases[] = {
      {"ASCII only", "plain.txt", false, L"plain.txt"},
      {"Cyrillic", "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB", true, L"\x0444\x0430\x0439\x043B"},
      {"three and four bytes", "\xE2\x82\xAC\xF0\x9F\x98\x80", true, L"\x20AC\x1F600"},
      {"an overlong '/' (C0 lead)", "a\xC0\xAF", false, L"a\xC0\xAF"},
      {"an overlong 'A' (C1 lead)", "\xC1\x81", false, L"\xC1\x81"},
      {"code page 866, not UTF-8 as a whole", "\xAF\xA8\xE1\xEC\xAC\xAE", false, L"\xAF\xA8\xE1\xCB2E"},
      {"a cut sequence", "ok\xD0", false, L"ok\xD0"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(mv::IsNonAsciiUtf8(c.text), c.nonAsciiUtf8) << c.what;
    EXPECT_EQ(mv::WideFromUtf8(c.text), c.wide) << c.what;
    if (c.nonAsciiUtf8) {
      EXPECT_EQ(mv::Utf8FromWide(c.wide), c.text) << c.what;
    }
  }
}

TEST(ArchiveHelpers, DosTimesRoundTripInLocalTime) {
  std::tm tm{};
  tm.tm_year = 2021 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = 14;
  tm.tm_hour = 15;
  tm.tm_min = 9;
  tm.tm_sec = 26;
  tm.tm_isdst = -1;
  const std::int64_t stamp = std::mktime(&tm);
  const std::uint32_t dos = ((2021 - 1980) << 9 | 3 << 5 | 14) << 16 | (15 << 11 | 9 << 5 | 13);
  struct Case {
    const char *what;
    std::uint32_t dos;
    std::int64_t unix;
  };
  const Case cases[] = {
      {"a stamp", dos, stamp},
      {"no date stored", 0x0000ABCD, 0},
  };
  for (const Case &c : cases)
    EXPECT_EQ(mv::UnixFromDosTime(c.dos), c.unix) << c.what;
  EXPECT_EQ(mv::DosTimeFromUnix(stamp), dos);
  EXPECT_EQ(mv::DosTimeFromUnix(stamp + 1), dos); // two-second steps
  EXPECT_EQ(mv::DosTimeFromUnix(0), (1u << 21) | (1u << 16)) << "before 1980: the earliest MS-DOS time";
}
