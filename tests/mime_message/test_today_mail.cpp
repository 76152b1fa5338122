// Messages as current mailers write them: made at test time by python3's
// email package (and by hand where mailers differ from it), read by the
// reader, compared with what the email package itself reads from them.
#include "MessageTestUtil.h"
#include "mime/BodyText.h"
#include "platform/CodePage.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/Shell.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>

using namespace testutil;

namespace {
// Builds a message from hex-encoded UTF-8 arguments and prints, one hex line
// each: the message bytes, then the subject, the sender's display name and
// address, the attachment's file name, the text body and the attachment
// bytes as the email package reads them back.
const char kMakeMessage[] = R"PY(
import sys, email, email.policy
from email.message import EmailMessage
from email.headerregistry import Address
policy = email.policy.SMTP if sys.argv[1] == 'smtp' else email.policy.default
subject, name, body, charset, filename = [bytes.fromhex(a).decode() for a in sys.argv[2:]]
m = EmailMessage(policy=policy)
m['Subject'] = subject
m['From'] = Address(name, 'ivan', 'example.org')
m['To'] = Address('Пётр Сидоров', 'petr', 'example.org')
m.set_content(body, charset=charset)
m.add_attachment(b'%PDF-1.4\n\x00\xff\xfe binary', maintype='application', subtype='pdf', filename=filename)
raw = m.as_bytes()
r = email.message_from_bytes(raw, policy=email.policy.default)
a = next(r.iter_attachments())
sender = r['from'].addresses[0]
for v in [raw, r['subject'], sender.display_name, sender.addr_spec, a.get_filename(),
          r.get_body(('plain',)).get_content(), a.get_content()]:
    print((v if isinstance(v, bytes) else v.encode()).hex())
)PY";

std::string Hex(const std::string &bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string Unhex(const std::string &hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

bool PythonEmailAvailable() {
  return std::system("python3 -c 'import email.policy' >/dev/null 2>&1") == 0;
}

// The script's output lines, decoded; nullopt when the script failed.
std::optional<std::vector<std::string>> RunPython(const std::vector<std::string> &args) {
  mvtest::ScratchDir dir;
  const std::string script = dir.Utf8Path() + "make_message.py";
  mvtest::WriteBytes(script, kMakeMessage);
  std::string command = "python3 " + script;
  for (const std::string &a : args)
    command += " " + a;
  std::vector<std::string> lines;
  std::istringstream out(mvtest::CommandOutput(command + " 2>/dev/null"));
  for (std::string line; std::getline(out, line);)
    lines.push_back(Unhex(line));
  if (lines.size() != 7)
    return std::nullopt;
  return lines;
}

// Lines as the email package gives them, at LF or CR LF.
std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!lines.back().empty() && lines.back().back() == '\r')
      lines.back().pop_back();
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return lines;
}
} // namespace

TEST(TodaysMail, MessagesOfPythonsEmailPackageReadAsItReadsThem) {
  struct Case {
    const char *policy;
    const char *subject;
    const char *name;
    const char *body;
    const char *charset;
    const char *fileName;
  };
  const Case cases[] = {
      {"default", "Отчёт за ноябрь 2026", "Иван Петров", "Добрый день!\nОтчёт во вложении.\n", "utf-8",
       "Отчёт о движении средств.pdf"},
      // A long name goes out as numbered RFC 2231 continuations.
      {"smtp", "Сверка взаиморасчётов по договору поставки № 17/2026 за третий квартал", "ООО «Ромашка»",
       "Строка один\nСтрока два\n", "utf-8",
       "Акт сверки взаиморасчётов по договору поставки № 17-2026 за третий квартал.xlsx"},
      // Characters without a Windows-1251 form: '?' in text, '_' in names.
      {"default", "Résumé 😀", "Zoë", "Mañana 😀\n", "utf-8", "Résumé ü 😀.txt"},
      // Mixed charsets: UTF-8 header words, KOI8-R and ISO-8859-5 bodies.
      {"default", "Привет", "Пётр", "Текст в KOI8-R\n", "koi8-r", "Смета.doc"},
      {"smtp", "Привет", "Пётр", "Текст в ISO-8859-5\n", "iso-8859-5", "Смета.doc"},
  };
  if (!PythonEmailAvailable())
    GTEST_SKIP() << "python3 with its email package is not available";
  for (const Case &c : cases) {
    SCOPED_TRACE(c.subject);
    const auto made =
        RunPython({c.policy, Hex(c.subject), Hex(c.name), Hex(c.body), Hex(c.charset), Hex(c.fileName)});
    ASSERT_TRUE(made.has_value());
    const std::vector<std::string> &py = *made;
    TIdMessage m;
    ReadMessageText(m, py[0]);
    EXPECT_EQ(m.Subject, mv::Utf8ToWin1251(py[1]));
    EXPECT_EQ(m.From.Name, mv::Utf8ToWin1251(py[2]));
    EXPECT_EQ(m.From.Address, py[3]);
    ASSERT_EQ(m.Recipients.Count(), 1);
    EXPECT_EQ(m.Recipients.Items(0).Name, mv::Utf8ToWin1251("Пётр Сидоров"));
    TIdAttachment *a = AttachmentAt(m, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->FileName, mv::Utf8ToWin1251Name(py[4]));
    EXPECT_EQ(ReadBytes(a->StoredPath), py[6]);
    TIdText *text = TextAt(m, 0);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(mv::BodyLinesAsUtf8(text->Body, text->ContentType()), SplitLines(py[5]));
  }
}

TEST(TodaysMail, HandWrittenHeadersOfOtherMailers) {
  struct Case {
    const char *what;
    std::vector<std::string> partHeader;
    std::string fileName; // Windows-1251
  };
  const Case cases[] = {
      {"Outlook: encoded words in the quoted name, folded",
       {"Content-Type: application/pdf;", "\tname=\"=?utf-8?B?0J7RgtGH0Q==?=", " =?utf-8?B?kdGC?=.pdf\"",
        "Content-Disposition: attachment;",
        "\tfilename=\"=?utf-8?B?0J7RgtGH0Q==?=", " =?utf-8?B?kdGC?=.pdf\""},
       mv::Utf8ToWin1251("Отчёт.pdf")},
      {"Gmail: one word in the quoted filename",
       {"Content-Type: application/pdf; name=\"=?UTF-8?B?0J7RgtGH0ZHRgi5wZGY=?=\"",
        "Content-Disposition: attachment; filename=\"=?UTF-8?B?0J7RgtGH0ZHRgi5wZGY=?=\""},
       mv::Utf8ToWin1251("Отчёт.pdf")},
      {"RFC 2231 continuations with a missing piece",
       {"Content-Type: application/pdf", "Content-Disposition: attachment;",
        " filename*0*=utf-8''%D0%9E%D1%82; filename*2*=%D1%82.pdf"},
       mv::Utf8ToWin1251("Отт.pdf")},
      {"raw 8-bit UTF-8 name",
       {"Content-Type: application/pdf", "Content-Disposition: attachment; filename=\"Смета.pdf\""},
       mv::Utf8ToWin1251("Смета.pdf")},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> lines = {"Subject: x", "Content-Type: multipart/mixed;",
                                      "  boundary = \"b\"; protocol=\"x\"", "", "--b"};
    lines.insert(lines.end(), c.partHeader.begin(), c.partHeader.end());
    lines.insert(lines.end(), {"", "data", "--b--"});
    TIdMessage m;
    ReadMessageText(m, Crlf(lines));
    TIdAttachment *a = AttachmentAt(m, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->FileName, c.fileName);
  }
}

TEST(TodaysMail, KoiAndWindows1251MessagesAsBefore) {
  // KOI8-R "Привет" and Windows-1251 "Привет" in header words, names and bodies.
  const std::string hello = "\xCF\xF0\xE8\xE2\xE5\xF2";
  struct Case {
    const char *charset;
    const char *word; // base64 of "Привет" in the charset
    std::string bodyLine;
  };
  const Case cases[] = {{"koi8-r", "8NLJ18XU", "\xF0\xD2\xC9\xD7\xC5\xD4"},
                        {"windows-1251", "z/Do4uXy", hello}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.charset);
    const std::string word = std::string("=?") + c.charset + "?B?" + c.word + "?=";
    TIdMessage m;
    ReadMessageText(
        m, Crlf({"Subject: " + word, "From: " + word + " <a@example.org>",
                 "Content-Type: multipart/mixed; boundary=b", "", "--b",
                 std::string("Content-Type: text/plain; charset=") + c.charset, "", c.bodyLine, "--b",
                 "Content-Type: application/octet-stream; name=\"" + word + ".txt\"", "", "x", "--b--"}));
    EXPECT_EQ(m.Subject, hello);
    EXPECT_EQ(m.From.Name, hello);
    EXPECT_EQ(m.From.Address, "a@example.org");
    ASSERT_NE(TextAt(m, 0), nullptr);
    EXPECT_EQ(TextAt(m, 0)->Body, TIdLines{c.bodyLine}); // bytes as they came
    EXPECT_EQ(mv::BodyTextAsUtf8(TextAt(m, 0)->Body, TextAt(m, 0)->ContentType()), "Привет");
    ASSERT_NE(AttachmentAt(m, 0), nullptr);
    EXPECT_EQ(AttachmentAt(m, 0)->FileName, hello + ".txt");
  }
}

TEST(TodaysMail, ViewTextFollowsTheDeclaredOrHtmlCharset) {
  const std::string utf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"; // "Привет"
  const std::string win1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
  struct Case {
    std::vector<std::string> lines;
    const char *contentType;
    const char *charset;
    std::string shown;
  };
  const Case cases[] = {
      {{utf8}, "text/plain; charset=\"UTF-8\"", "UTF-8", utf8},
      {{win1251}, "text/plain", "", utf8},                           // no charset: the program's own text
      {{win1251}, "text/plain; charset=us-ascii", "us-ascii", utf8}, // mislabelled Cyrillic
      {{win1251}, "text/plain; charset=x-mystery", "x-mystery", utf8},
      {{"<html><head><meta charset=\"utf-8\"></head>", "<body>" + utf8 + "</body></html>"},
       "text/html",
       "utf-8",
       "<html><head><meta charset=\"utf-8\"></head>\n<body>" + utf8 + "</body></html>"},
      {{"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=koi8-r\">",
        "\xF0\xD2\xC9\xD7\xC5\xD4"},
       "text/html",
       "koi8-r",
       "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=koi8-r\">\n" + utf8},
      // The part's own charset wins over the document's.
      {{"<meta charset=\"koi8-r\">" + utf8},
       "text/html; charset=utf-8",
       "utf-8",
       "<meta charset=\"koi8-r\">" + utf8},
      {{"a", "", "b"}, "text/plain", "", "a\n\nb"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(mv::BodyCharset(c.lines, c.contentType), c.charset) << c.contentType;
    EXPECT_EQ(mv::BodyTextAsUtf8(c.lines, c.contentType), c.shown) << c.contentType;
  }
}

TEST(TodaysMail, CopyOfAMessageReadInUtf8KeepsItsHeaderBytes) {
  const std::vector<std::string> header = {
      "From: =?utf-8?b?0J7QntCeIMKr0KDQvtC80LDRiNC60LDCuw==?= <a@example.org>",
      "To: =?utf-8?B?0J/RkdGC0YA=?= <p@example.org>, b@example.org",
      "Subject: =?utf-8?b?0J7RgtGH0ZHRgiDwn5iA?=", // "Отчёт 😀": the emoji has no Windows-1251 form
  };
  const std::vector<std::string> names = {"filename*0*=utf-8''%D0%9E%D1%82; filename*1*=%F0%9F%98%80.pdf",
                                          "name=\"=?utf-8?B?0J7RgtGH0ZHRgi5wZGY=?=\""};
  TIdMessage m;
  ReadMessageText(m, Crlf(header) + Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b",
                                          "Content-Type: application/pdf; " + names[1],
                                          "Content-Disposition: attachment; " + names[0],
                                          "Content-Transfer-Encoding: base64", "", "QUJD", "--b--"}));
  const std::string copy = WriteMessageText(m);
  for (const std::string &line : header)
    EXPECT_NE(copy.find(line + "\r\n"), std::string::npos) << line;
  for (const std::string &name : names)
    EXPECT_NE(copy.find(name + "\r\n"), std::string::npos) << name;
  TIdMessage again;
  ReadMessageText(again, copy);
  ASSERT_NE(AttachmentAt(again, 0), nullptr);
  EXPECT_EQ(AttachmentAt(again, 0)->FileName, mv::Utf8ToWin1251("От_.pdf"));
  EXPECT_EQ(again.Subject, m.Subject);

  // A property changed after reading is written anew.
  m.Subject = "new";
  EXPECT_NE(WriteMessageText(m).find("Subject: new\r\n"), std::string::npos);
}
