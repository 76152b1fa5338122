#include "MessageTestUtil.h"
#include "tests/support/Base64Lines.h"

#include "mime/IdCoderMIME.h"
#include "mime/IdCoderUUE.h"
#include "mime/IdIOHandlerStream.h"
#include "mime/IdMessageClient.h"
#include "platform/FileSystem.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using mvtest::Base64Lines;
using mvtest::ExpectError;
using namespace testutil;

namespace {
std::string BinaryBytes(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i)
    s[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
  return s;
}
} // namespace

TEST(Reader, HeaderEndingInEndLineReadsNoBody) {
  TIdMessage m;
  ReadMessageText(m, "Subject: x\r\n.\r\nBody: not read\r\n");
  EXPECT_EQ(m.Subject, "x");
  EXPECT_TRUE(m.Body.empty());
  EXPECT_EQ(m.Parts.Count(), 0);
}

TEST(Reader, SinglePartEncodedBodyStaysUndecodedInBody) {
  TIdMessage m;
  ReadMessageText(m,
                  Crlf({"Content-Type: text/plain", "Content-Transfer-Encoding: base64", "", "YWJj", "..x"}));
  EXPECT_EQ(m.Body, (TIdLines{"YWJj", ".x"}));
  EXPECT_EQ(m.Parts.Count(), 0);
}

TEST(Reader, MixedWithTextAndPdfAttachment) {
  const std::string pdf = "%PDF-1.4\n" + BinaryBytes(5000);
  std::string text =
      Crlf({"From: a@b.c", "Subject: report", "MIME-Version: 1.0",
            "Content-Type: multipart/mixed; boundary=\"XyZ\"", "", "preamble", "--XyZ",
            "Content-Type: text/plain; charset=windows-1251", "Content-Transfer-Encoding: base64", ""}) +
      Base64Lines("line one\r\nline two\r\n") +
      Crlf({"--xyz", "Content-Type: application/pdf", "Content-Disposition: attachment; filename=\"rep.pdf\"",
            "Content-Transfer-Encoding: base64", ""}) +
      Base64Lines(pdf) + Crlf({"--XYZ--", "epilogue"});
  TIdMessage m;
  ReadMessageText(m, text);
  EXPECT_EQ(m.Body, (TIdLines{"preamble", "epilogue"}));
  ASSERT_EQ(m.Parts.Count(), 2);
  ASSERT_NE(TextAt(m, 0), nullptr);
  EXPECT_EQ(TextAt(m, 0)->Body, (TIdLines{"line one", "line two"}));
  EXPECT_EQ(TextAt(m, 0)->ContentType(), "text/plain; charset=windows-1251");
  TIdAttachment *a = AttachmentAt(m, 0);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->FileName, "rep.pdf");
  EXPECT_EQ(ReadBytes(a->StoredPath), pdf);
  EXPECT_EQ(m.BoundaryStack.Count(), 0);
}

TEST(Reader, ClassifiesPartsByDispositionNameAndType) {
  std::string text = Crlf({"Content-Type: multipart/mixed; boundary=b",
                           "",
                           "--b",
                           "Content-Disposition: attachment",
                           "",
                           "x",
                           "--b",
                           "Content-Type: image/gif",
                           "",
                           "g",
                           "--b",
                           "Content-Type: text/html",
                           "",
                           "<p>",
                           "--b",
                           "Content-Type: application/octet-stream; name=a.zip",
                           "Content-Disposition: attachment; filename=b.zip",
                           "",
                           "z",
                           "--b",
                           "Content-Type: application/octet-stream; name=\"a.zip\"",
                           "Content-Disposition: attachment;",
                           "\tfilename=\"b.zip\"",
                           "",
                           "z",
                           "--b",
                           "Content-Type: application/octet-stream;",
                           " name=\"=?windows-1251?B?z/Du4uXw6uA=?=.txt\"",
                           "",
                           "y",
                           "--b",
                           "Content-Type: application/octet-stream; name=\"=?koi8-r?B?0NLP?=\"",
                           "",
                           "k",
                           "--b--"});
  TIdMessage m;
  ReadMessageText(m, text);
  ASSERT_EQ(m.Parts.Count(), 7);
  EXPECT_EQ(AttachmentAt(m, 0)->FileName, "");
  EXPECT_EQ(AttachmentAt(m, 1)->FileName, "");
  EXPECT_EQ(ReadBytes(AttachmentAt(m, 1)->StoredPath), "g");
  EXPECT_EQ(TextAt(m, 0)->Body, (TIdLines{"<p>"}));
  EXPECT_EQ(AttachmentAt(m, 2)->FileName, "b.zip");
  EXPECT_EQ(AttachmentAt(m, 3)->FileName, "b.zip");
  EXPECT_EQ(AttachmentAt(m, 4)->FileName, "\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0.txt");
  EXPECT_EQ(AttachmentAt(m, 5)->FileName, "\xEF\xF0\xEE");
}

TEST(Reader, NestedAlternativeInsideMixed) {
  std::string text = Crlf({"Content-Type: multipart/mixed; boundary=outer",
                           "",
                           "--outer",
                           "Content-Type: multipart/alternative; boundary=inner",
                           "",
                           "--inner",
                           "Content-Type: text/plain",
                           "",
                           "plain",
                           "--inner",
                           "Content-Type: text/html",
                           "",
                           "<b>html</b>",
                           "--inner--",
                           "between",
                           "--outer",
                           "Content-Type: application/zip; name=a.zip",
                           "Content-Transfer-Encoding: base64",
                           "",
                           "UEsDBA==",
                           "--outer--"});
  TIdMessage m;
  ReadMessageText(m, text);
  // The alternative container, its two texts and the attachment.
  ASSERT_EQ(m.Parts.Count(), 4);
  EXPECT_EQ(TextAt(m, 1)->Body, (TIdLines{"plain"}));
  EXPECT_EQ(TextAt(m, 2)->Body, (TIdLines{"<b>html</b>"}));
  EXPECT_EQ(m.Body, (TIdLines{"between"}));
  EXPECT_EQ(AttachmentAt(m, 0)->FileName, "a.zip");
  EXPECT_EQ(ReadBytes(AttachmentAt(m, 0)->StoredPath), std::string("PK\x03\x04", 4));
}

TEST(Reader, ThreeLevelsWithMiddleClosingBetweenPartsKeepAllAttachments) {
  // mixed > related > alternative: the alternative closes, then the related
  // level closes while no part is being read; the attachment after it must
  // still come out.
  std::string text = Crlf({"Content-Type: multipart/mixed; boundary=M",
                           "",
                           "--M",
                           "Content-Type: multipart/related; boundary=R",
                           "",
                           "--R",
                           "Content-Type: multipart/alternative; boundary=A",
                           "",
                           "--A",
                           "Content-Type: text/plain",
                           "",
                           "t",
                           "--A",
                           "Content-Type: text/html",
                           "",
                           "h",
                           "--A--",
                           "",
                           "--R",
                           "Content-Type: image/png; name=p.png",
                           "Content-ID: <p1>",
                           "Content-Transfer-Encoding: base64",
                           "",
                           "iVBORw==",
                           "--R--",
                           "",
                           "--M",
                           "Content-Type: application/pdf; name=doc.pdf",
                           "Content-Transfer-Encoding: base64",
                           "",
                           "JVBERg==",
                           "--M--"});
  TIdMessage m;
  ReadMessageText(m, text);
  ASSERT_NE(AttachmentAt(m, 0), nullptr);
  ASSERT_NE(AttachmentAt(m, 1), nullptr);
  EXPECT_EQ(AttachmentAt(m, 0)->FileName, "p.png");
  EXPECT_EQ(AttachmentAt(m, 1)->FileName, "doc.pdf");
  EXPECT_EQ(ReadBytes(AttachmentAt(m, 1)->StoredPath), "%PDF");
  EXPECT_EQ(m.BoundaryStack.Count(), 0);
}

TEST(Reader, MissingInnerClosingLineStillEndsAtOuterBoundary) {
  std::string text =
      Crlf({"Content-Type: multipart/mixed; boundary=O", "", "--O",
            "Content-Type: multipart/alternative; boundary=I", "", "--I", "Content-Type: text/plain", "", "t",
            "--O", "Content-Type: application/octet-stream; name=x.bin", "", "data", "--O--"});
  TIdMessage m;
  ReadMessageText(m, text);
  ASSERT_NE(AttachmentAt(m, 0), nullptr);
  EXPECT_EQ(AttachmentAt(m, 0)->FileName, "x.bin");
  EXPECT_EQ(TextAt(m, 1)->Body, (TIdLines{"t"}));
}

TEST(Reader, Base64WithOddLineLengthsAndTrailingBlanksDecodes) {
  const std::string bytes = BinaryBytes(200);
  const std::string b64 = TIdEncoderMIME::EncodeString(bytes);
  std::string body;
  for (size_t i = 0; i < b64.size(); i += 50)
    body += b64.substr(i, 50) + "  \r\n";
  std::string text =
      Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b",
            "Content-Type: application/octet-stream; name=o.bin", "Content-Transfer-Encoding: base64", ""}) +
      body + "--b--\r\n";
  TIdMessage m;
  ReadMessageText(m, text);
  ASSERT_NE(AttachmentAt(m, 0), nullptr);
  EXPECT_EQ(ReadBytes(AttachmentAt(m, 0)->StoredPath), bytes);
}

TEST(Reader, UueBlockInPlainText) {
  std::string data(100, 'q');
  std::string text = Crlf({"Subject: u", "", "before", "begin 644 report.txt"});
  // Two lines of 45 bytes ("M") and one of 10.
  text +=
      Crlf({TIdEncoderUUE::EncodeString(data.substr(0, 45)), TIdEncoderUUE::EncodeString(data.substr(45, 45)),
            TIdEncoderUUE::EncodeString(data.substr(90)), "`", "end", "after", "begin 0644 x", "after2"});
  TIdMessage m;
  ReadMessageText(m, text);
  EXPECT_EQ(m.Body, (TIdLines{"before", "after", "begin 0644 x", "after2"}));
  ASSERT_NE(AttachmentAt(m, 0), nullptr);
  EXPECT_EQ(AttachmentAt(m, 0)->FileName, "report.txt");
  EXPECT_EQ(ReadBytes(AttachmentAt(m, 0)->StoredPath), data);
}

TEST(Reader, ShortUueAndXxeFilesAreRecognised) {
  TIdMessage m;
  // Files shorter than 45 bytes: the first data line starts neither with M nor h.
  const std::string xxe = TIdEncoderXXE::EncodeString("abc");
  ASSERT_EQ(xxe[0], '1');
  ReadMessageText(m, Crlf({"", "begin 660 a.txt", "#86)C", "`", "end", "begin 660 b.txt", xxe, "+", "end"}));
  ASSERT_NE(AttachmentAt(m, 1), nullptr);
  EXPECT_EQ(ReadBytes(AttachmentAt(m, 0)->StoredPath), "abc");
  EXPECT_EQ(ReadBytes(AttachmentAt(m, 1)->StoredPath), "abc");

  TIdMessage bad;
  ExpectError<EIdException>(
      [&] {
        ReadMessageText(bad, Crlf({"", "begin 660 c.txt", "{{{{", "end"}));
      },
      "Unrecognized UUE encoding scheme.");
}

TEST(Reader, DotHandling) {
  TIdMessage m;
  ReadMessageText(m, Crlf({"Content-Type: multipart/mixed; boundary=b", "", "..x", "--b",
                           "Content-Type: text/plain", "", ".y", "..z", "--b--"}));
  EXPECT_EQ(m.Body, (TIdLines{".x"}));
  EXPECT_EQ(TextAt(m, 0)->Body, (TIdLines{"y", ".z"}));
}

TEST(Reader, TemporaryFilesGoWithTheirParts) {
  std::string text = Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b",
                           "Content-Type: application/octet-stream; name=a.bin", "", "data", "--b--"});
  std::string path;
  {
    TIdMessage m;
    ReadMessageText(m, text);
    path = AttachmentAt(m, 0)->StoredPath;
    EXPECT_TRUE(mv::FileExists(path));
    EXPECT_FALSE(AttachmentAt(m, 0)->DeleteStoredFile);
    m.ResetMessage();
    EXPECT_FALSE(mv::FileExists(path));
  }
  // Copied out or not, the temporary file goes; the copy stays.
  const std::string copy = mv::NewTempFile("mvtest");
  mv::DeleteFileAt(copy);
  {
    TIdMessage m;
    ReadMessageText(m, text);
    path = AttachmentAt(m, 0)->StoredPath;
    EXPECT_TRUE(AttachmentAt(m, 0)->CopyToFile(copy));
    EXPECT_TRUE(AttachmentAt(m, 0)->DeleteStoredFile);
    EXPECT_THROW(AttachmentAt(m, 0)->CopyToFile(copy), EIdException);
  }
  EXPECT_FALSE(mv::FileExists(path));
  EXPECT_EQ(ReadBytes(copy), "data");
  // A file the program attached is never removed.
  {
    TIdMessage m;
    TIdAttachment &a = m.Parts.AddAttachment(copy);
    EXPECT_EQ(a.FileName, copy.substr(copy.rfind('/') + 1));
    const std::string second = copy + ".2";
    a.CopyToFile(second);
    EXPECT_FALSE(a.DeleteStoredFile);
    mv::DeleteFileAt(second);
  }
  EXPECT_TRUE(mv::FileExists(copy));
  mv::DeleteFileAt(copy);
}

TEST(Reader, EndLineIsReadOnceWhenTheLastPartFailsToStore) {
  // A full disk, made by a file size limit: the attachment running to the
  // message's end fails only when its last bytes are written, after the end
  // line was read. The reply after the message must still be there to read.
  const std::string message =
      Crlf({"Content-Type: application/octet-stream; name=big.bin", "", std::string(4000, 'x'), "."});
  StreamClient stream(message + Crlf({"+OK next reply", "."}));
  TIdMessageClient &client = stream.client;
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto oldSignal = signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &small);
  TIdMessage m;
  bool failed = false;
  try {
    client.ReadMessage(m);
  } catch (const std::exception &) {
    failed = true;
  }
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldSignal);
  EXPECT_TRUE(failed);
  EXPECT_EQ(client.ReadLine(), "+OK next reply");
  client.Disconnect();
  client.SetIOHandler(nullptr);
}
