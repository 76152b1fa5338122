#include "mime/HeaderText.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {
std::string W(const char *utf8) {
  return mv::Utf8ToWin1251(utf8);
}
} // namespace

TEST(DecodeHeaderText, EncodedWordsOfEveryKnownCharset) {
  struct Case {
    std::string value;
    std::string expected; // Windows-1251
  };
  const Case cases[] = {
      {"=?utf-8?b?0J7RgtGH0ZHRgg==?= 2026", W("Отчёт 2026")},
      {"=?UTF-8?Q?=D0=9F=D1=80=D0=B8=D0=B2=D0=B5=D1=82_=D0=B2=D1=81=D0=B5=D0=BC?=", W("Привет всем")},
      {"=?UTF-8*ru?B?0J7RgtGH0ZHRgg==?=", W("Отчёт")},
      {"=?koi8-r?B?8NLJ18XU?=", W("Привет")},
      {"Re: =?KOI8-R?Q?=F0=D2=C9=D7=C5=D4?=", W("Re: Привет")},
      {"=?koi8-u?B?t9bByw==?=", W("Їжак")},
      {"=?iso-8859-5?B?v+DY0tXi?=", W("Привет")},
      {"=?cp866?B?j+CooqXi?=", W("Привет")},
      {"=?windows-1251?B?z/Do4uXy?=", W("Привет")},
      {"=?us-ascii?Q?plain_text?=", "plain text"},
      {"=?ISO-8859-1?Q?caf=E9?=", "caf?"}, // é has no Windows-1251 form
      // A character split across two words, as some mailers cut long subjects.
      {"=?utf-8?B?0J7RgtGH0Q==?= =?utf-8?B?kdGC?=", W("Отчёт")},
      // Mixed charsets in one header; blanks between adjacent words dropped, other text kept.
      {"=?koi8-r?B?8NLJ18XU?= =?utf-8?b?0J7RgtGH0ZHRgg==?= and =?iso-8859-5?B?v+DY0tXi?=",
       W("ПриветОтчёт and Привет")},
      // Raw 8-bit UTF-8 is converted; raw Windows-1251 and KOI8-R stay as they are.
      {"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \xF0\x9F\x98\x80", W("Отчёт ?")},
      {"\xCF\xF0\xE8\xE2\xE5\xF2", "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {"\xF0\xD2\xC9\xD7\xC5\xD4", "\xF0\xD2\xC9\xD7\xC5\xD4"},
      // Unknown charsets: ISO and Windows ones give their bytes, others stay as written.
      {"=?ISO-8859-2?Q?=B1?=", "\xB1"},
      {"=?x-unknown?B?QUJD?=", "=?x-unknown?B?QUJD?="},
      // Malformed words stay; a bad escape is kept, not fatal; fill bytes vanish.
      {"=?utf-8?B?QUJD", "=?utf-8?B?QUJD"},
      {"=?utf-8?X?abc?=", "=?utf-8?X?abc?="},
      {"=?utf-8?Q?a=ZZb?=", "a=ZZb"},
      {"=?utf-8?Q?a=00b?=", "ab"},
      {"=?utf-8?B?YQ?=", "a"},
      {"", ""},
  };
  for (const Case &c : cases)
    EXPECT_EQ(mv::DecodeHeaderText(c.value), c.expected) << c.value;
  EXPECT_EQ(mv::DecodeHeaderText("=?utf-8?b?8J+YgA==?=", '_'), "_");
}
