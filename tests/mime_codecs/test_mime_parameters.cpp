#include "mime/MimeParameters.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {
std::string W(const char *utf8) {
  return mv::Utf8ToWin1251(utf8);
}
} // namespace

TEST(MimeParameters, TokensQuotedStringsBlanksAndFolding) {
  struct Case {
    const char *header;
    const char *name;
    const char *value;
  };
  const Case cases[] = {
      {"multipart/signed; boundary=Sig_A.b; protocol=\"application/pgp-signature\"; micalg=pgp-sha1",
       "boundary", "Sig_A.b"},
      {"multipart/signed; boundary=Sig_A.b; protocol=\"application/pgp-signature\"", "protocol",
       "application/pgp-signature"},
      {"multipart/mixed; boundary= \"x\"", "boundary", "x"},
      {"multipart/mixed; boundary = x", "boundary", "x"},
      {"multipart/mixed;\r\n\tboundary=\"----=_Part_1\"", "boundary", "----=_Part_1"},
      {"multipart/mixed; BOUNDARY=\"a;b\"; charset=x", "boundary", "a;b"},
      {"multipart/mixed; charset=x; boundary=abc", "Boundary", "abc"},
      {"text/plain; charset=\"koi8-r\"", "charset", "koi8-r"},
      {"text/plain;charset=utf-8;format=flowed", "charset", "utf-8"},
      {"text/plain; xcharset=a; charset=b", "charset", "b"},
      {"text/plain; name=\"a \\\"q\\\" \\\\ b\"", "name", "a \"q\" \\ b"},
      {"text/plain; name=\"C:\\dir\\a.doc\"", "name", "C:\\dir\\a.doc"}, // unescaped Windows path
      {"text/plain; name=\"unclosed", "name", "unclosed"},
      {"text/plain; ; novalue; =x; name=ok", "name", "ok"},
      {"text/plain", "charset", ""},
      {"text/plain; charset=", "charset", ""},
  };
  for (const Case &c : cases)
    EXPECT_EQ(mv::MimeParameterValue(c.header, c.name), c.value) << c.header;
  EXPECT_EQ(mv::ParseMimeHeaderValue(" text/html ; charset=x").type, "text/html");
}

TEST(MimeParameters, FileNamesFromEveryMailerForm) {
  struct Case {
    const char *header;
    const char *name;
    std::string expected; // Windows-1251
  };
  const std::string report = W("Отчёт о движении средств.pdf");
  const Case cases[] = {
      // RFC 2231 with charset and percent-encoding, as Thunderbird and Python write it.
      {"attachment; filename*=utf-8''%D0%9E%D1%82%D1%87%D1%91%D1%82%20%D0%BE%20%D0%B4%D0%B2%D0%B8%D0%B6%D0%B5"
       "%D0%BD%D0%B8%D0%B8%20%D1%81%D1%80%D0%B5%D0%B4%D1%81%D1%82%D0%B2.pdf",
       "filename", report},
      {"attachment; filename*=UTF-8'ru'%D0%9E.pdf", "filename", W("О.pdf")},
      // Numbered continuations, encoded and plain, out of order.
      {"attachment;\r\n filename*1*=%20%D0%BE%20%D0%B4%D0%B2%D0%B8%D0%B6%D0%B5%D0%BD%D0%B8%D0%B8;\r\n"
       " filename*0*=utf-8''%D0%9E%D1%82%D1%87%D1%91%D1%82;\r\n"
       " filename*2*=%20%D1%81%D1%80%D0%B5%D0%B4%D1%81%D1%82%D0%B2.pdf",
       "filename", report},
      {"attachment; filename*0=\"long \"; filename*1=\"name.txt\"", "filename", "long name.txt"},
      // A missing section is skipped; the pieces around it still join.
      {"attachment; filename*0*=utf-8''%D0%9E%D1%82; filename*2*=%D1%82.pdf", "filename", W("Отт.pdf")},
      // A character split between two sections survives.
      {"attachment; filename*0*=utf-8''%D0%9E%D1; filename*1*=%82.pdf", "filename", W("От.pdf")},
      {"attachment; filename*0*=koi8-r''%EF%D4%DE%A3%D4; filename*1=.txt", "filename", W("Отчёт.txt")},
      // The extended form wins over a plain fallback, in either order.
      {"attachment; filename=\"fallback.pdf\"; filename*=utf-8''%D0%9E.pdf", "filename", W("О.pdf")},
      // Outlook and Gmail: encoded words inside the quoted value, split across words and lines.
      {"application/pdf; "
       "name=\"=?UTF-8?B?0J7RgtGH0ZHRgiDQviDQtNCy0LjQttC10L3QuNC4INGB0YDQtdC00YHRgtCyLnBkZg==?=\"",
       "name", report},
      {"attachment;\r\n\tfilename=\"=?utf-8?B?0J7RgtGH0Q==?=\r\n =?utf-8?B?kdGC?=.pdf\"", "filename",
       W("Отчёт.pdf")},
      {"attachment; filename=\"=?windows-1251?B?z/Do4uXy?= =?koi8-r?B?8NLJ18XU?=.doc\"", "filename",
       W("ПриветПривет.doc")},
      // Raw UTF-8 (RFC 6532) is converted; raw Windows-1251 stays.
      {"attachment; filename=\"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.pdf\"", "filename", W("Отчёт.pdf")},
      {"attachment; filename=\"\xCE\xF2\xF7\xB8\xF2.pdf\"", "filename", W("Отчёт.pdf")},
      // Characters without a Windows-1251 form become '_' in names.
      {"attachment; filename*=utf-8''R%C3%A9sum%C3%A9%20%F0%9F%98%80.txt", "filename", "R_sum_ _.txt"},
      {"attachment; filename=\"=?UTF-8?B?UsOpc3Vtw6kg8J+YgC50eHQ=?=\"", "filename", "R_sum_ _.txt"},
      {"attachment; filename*=iso-8859-15''%A4%E0.txt", "filename", "\x88_.txt"},      // euro sign, a grave
      {"attachment; filename*=iso-2022-jp'ja'Dij%8aat.mp3", "filename", "Dij_at.mp3"}, // unknown charset
      {"attachment; filename=a.zip", "name", ""},
      {"attachment", "filename", ""},
  };
  for (const Case &c : cases)
    EXPECT_EQ(mv::DecodedMimeParameter(c.header, c.name, '_'), c.expected) << c.header;
}
