#include "MessageTestUtil.h"
#include "tests/support/Base64Lines.h"

#include "mime/IdCoderMIME.h"
#include "mime/IdCoderUUE.h"
#include "mime/IdIOHandlerStream.h"
#include "mime/IdMessageClient.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

using mvtest::Base64Lines;
using namespace testutil;

namespace {
// The body as written: everything after the header's empty line.
std::string BodyOf(const std::string &written) {
  return written.substr(written.find("\r\n\r\n") + 4);
}

std::string DefaultCharset() {
  TTransfer transfer;
  char letter;
  std::string charset;
  DefaultHeaderCharset(transfer, letter, charset);
  return charset;
}

// A file in the temporary directory holding `bytes`, removed at the end of the test.
class TempFile {
public:
  explicit TempFile(const std::string &bytes) : FPath(mv::NewTempFile("mvtest")) {
    TIdFileStream f(FPath, TIdFileMode::fmCreate);
    f.WriteString(bytes);
  }
  ~TempFile() { mv::DeleteFileAt(FPath); }
  const std::string &Path() const { return FPath; }

private:
  std::string FPath;
};

} // namespace

TEST(Writer, PlainBodyAndDotStuffing) {
  TIdMessage m;
  m.From.SetText("a@x.org");
  m.Body = {"Hello", ".", ".x"};
  const std::string written = WriteMessageText(m);
  EXPECT_EQ(written.substr(0, 17), "From: a@x.org\r\nDa");
  EXPECT_EQ(BodyOf(written), Crlf({"Hello", "..", "..x", "."}));
}

TEST(Writer, BodyWithOneAttachmentByteExact) {
  const std::string pdf(130, '\x25');
  TempFile file(pdf);
  TIdMessage m;
  m.Body = {"See attached."};
  TIdAttachment &a = m.Parts.AddAttachment(file.Path());
  a.FileName = "C:\\data\\rep.pdf";
  const std::string expected =
      Crlf({"This is a multi-part message in MIME format", "", "--=_MoreStuf_2zzz1234sadvnqw3nerasdf",
            "Content-Type: text/plain;", "    charset=\"" + DefaultCharset() + "\"",
            "Content-Transfer-Encoding: 7bit", "", "See attached.", "",
            "--=_MoreStuf_2zzz1234sadvnqw3nerasdf", "Content-Type: application/octet-stream;",
            "        name=\"rep.pdf\"", "Content-Transfer-Encoding: base64",
            "Content-Disposition: attachment;", "        filename=\"rep.pdf\"", ""}) +
      Base64Lines(pdf) + Crlf({"", "--=_MoreStuf_2zzz1234sadvnqw3nerasdf--", "."});
  const std::string written = WriteMessageText(m);
  EXPECT_EQ(BodyOf(written), expected);
  EXPECT_NE(written.find("Content-Type: multipart/mixed;"), std::string::npos);
  EXPECT_NE(written.find("MIME-Version: 1.0\r\n"), std::string::npos);
  // 76-character lines.
  EXPECT_EQ(Base64Lines(pdf).find("\r\n"), 76u);
}

TEST(Writer, CyrillicBodyBesideAttachmentIsLabelled8bit) {
  TempFile file("x");
  TIdMessage m;
  m.Body = {"\xCF\xF0\xE8\xE2\xE5\xF2"};
  m.Parts.AddAttachment(file.Path());
  EXPECT_NE(WriteMessageText(m).find("Content-Transfer-Encoding: 8bit\r\n"), std::string::npos);
}

TEST(Writer, ContentIdSwitchesToRelatedBoundary) {
  TempFile file("x");
  TIdMessage m;
  TIdAttachment &a = m.Parts.AddAttachment(file.Path());
  a.SetContentID("<pic1>");
  const std::string body = BodyOf(WriteMessageText(m));
  EXPECT_EQ(body.find("--=_MoreStuf_2zzz"), std::string::npos);
  EXPECT_NE(body.find("--=_MoreStuf_2relzzzsadvnq1234w3nerasdf\r\nContent-Type"), std::string::npos);
  EXPECT_NE(body.find("        filename=\"" + a.FileName + "\"\r\nContent-Id: <pic1>\r\n"),
            std::string::npos);
}

TEST(Writer, TwoTextPartsWithoutAttachments) {
  TIdMessage m;
  m.Body = {"not written"};
  m.Parts.AddText({"first", ".x"});
  TIdText &html = m.Parts.AddText({"<b>second</b>"});
  html.SetContentType("text/html");
  html.SetContentTransfer("8bit");
  const std::string expected = Crlf(
      {"This is a multi-part message in MIME format", "", "--=_MoreStuf_2zzz1234sadvnqw3nerasdf",
       "Content-Type: text/plain", "Content-Transfer-Encoding: quoted-printable", "", "first", "=2Ex", "",
       "--=_MoreStuf_2zzz1234sadvnqw3nerasdf", "Content-Type: text/html", "Content-Transfer-Encoding: 8bit",
       "", "<b>second</b>", "", "--=_MoreStuf_2zzz1234sadvnqw3nerasdf--", "."});
  EXPECT_EQ(BodyOf(WriteMessageText(m)), expected);
}

TEST(Writer, SingleTextPartIsWrittenInsteadOfBody) {
  // A read message keeps its preamble in Body and its text in the part.
  TIdMessage m;
  m.Body = {"This is a multi-part message in MIME format", ""};
  TIdText &t = m.Parts.AddText({"real text", ".dot"});
  t.SetContentTransfer("base64"); // as read: the lines are already decoded
  const std::string written = WriteMessageText(m);
  TIdMessage back;
  ReadMessageText(back, written);
  ASSERT_NE(TextAt(back, 0), nullptr);
  EXPECT_EQ(TextAt(back, 0)->Body, (TIdLines{"real text", ".dot"}));
  EXPECT_EQ(TextAt(back, 0)->ContentTransfer(), "quoted-printable");
}

TEST(Writer, UUEncodedAttachment) {
  const std::string bytes(50, 'z');
  TempFile file(bytes);
  TIdMessage m;
  m.SetEncoding(meUU);
  m.Body = {"text"};
  m.Parts.AddAttachment(file.Path()).FileName = "a.bin";
  std::string expected = Crlf({"text", "", "begin 660 a.bin"});
  TIdMemoryStream source(bytes);
  TIdEncoderUUE coder;
  expected += coder.Encode(source, 45) + "\r\n";
  expected += coder.Encode(source, 45) + "\r\n";
  expected += Crlf({"`", "end", "", "."});
  const std::string written = WriteMessageText(m);
  EXPECT_EQ(BodyOf(written), expected);
  EXPECT_EQ(written.find("Content-Type"), std::string::npos);
  // And it reads back as the same file.
  TIdMessage back;
  ReadMessageText(back, written);
  ASSERT_NE(AttachmentAt(back, 0), nullptr);
  EXPECT_EQ(ReadBytes(AttachmentAt(back, 0)->StoredPath), bytes);
}

TEST(Writer, EmptyAttachmentHasNoDataLines) {
  TempFile file("");
  TIdMessage m;
  m.Parts.AddAttachment(file.Path()).FileName = "e.txt";
  const std::string body = BodyOf(WriteMessageText(m));
  EXPECT_NE(body.find("filename=\"e.txt\"\r\n\r\n\r\n--=_MoreStuf_2zzz1234sadvnqw3nerasdf--"),
            std::string::npos);
}

TEST(Writer, StatusNotifications) {
  TempFile file("x");
  TIdMessage m;
  m.Body = {"b"};
  m.Parts.AddAttachment(file.Path());
  m.Parts.AddAttachment(file.Path());
  TIdMessageClient client;
  TIdMemoryStream out;
  TIdIOHandlerStream channel;
  channel.FreeStreams = false;
  channel.SetOutputStream(&out);
  client.SetIOHandler(&channel);
  std::vector<std::string> statuses;
  client.OnStatus = [&](const std::string &s) { statuses.push_back(s); };
  client.Connect();
  client.WriteMessage(m);
  client.Disconnect();
  client.SetIOHandler(nullptr);
  EXPECT_EQ(statuses,
            (std::vector<std::string>{"Encoding text", "Encoding attachment", "Encoding attachment"}));
}

TEST(Writer, MissingAttachmentFileFailsAfterEarlierLines) {
  TIdMessage m;
  m.Body = {"b"};
  m.Parts.AddAttachment("/nonexistent/dir/x.bin");
  TIdMemoryStream out;
  EXPECT_THROW(m.WriteToStream(out), std::exception);
  EXPECT_NE(out.DataString().find("filename=\"x.bin\""), std::string::npos);
}

TEST(Writer, CopiesKeepEveryPartByteForByte) {
  // As a mail program sends it: text with an empty last line, text without a
  // final break, and a 7bit attachment whose last line has no break either.
  const std::string text = Crlf({"Content-Type: multipart/mixed; boundary=\"o\"",
                                 "",
                                 "--o",
                                 "Content-Type: text/plain",
                                 "Content-Transfer-Encoding: 7bit",
                                 "",
                                 "first line",
                                 "",
                                 "last line",
                                 "",
                                 "--o",
                                 "Content-Type: text/html",
                                 "Content-Transfer-Encoding: 8bit",
                                 "",
                                 "<p>x</p>",
                                 "--o",
                                 "Content-Type: text/csv; name=t.csv",
                                 "",
                                 "a,b",
                                 "..c",
                                 "--o--"});
  TIdMessage first;
  ReadMessageText(first, text);
  const std::string written = WriteMessageText(first);
  // The text parts' bytes stand in the copy exactly as they were sent.
  EXPECT_NE(written.find("\r\n\r\nfirst line\r\n\r\nlast line\r\n\r\n--"), std::string::npos);
  EXPECT_NE(written.find("\r\n\r\n<p>x</p>\r\n--"), std::string::npos);
  TIdMessage second;
  ReadMessageText(second, written);
  for (TIdMessage *m : {&first, &second}) {
    // The copy holds the two texts in an alternative container of its own.
    std::vector<TIdText *> texts;
    for (int i = 0; TextAt(*m, i); ++i)
      if (!TextAt(*m, i)->ContentType().starts_with("multipart/"))
        texts.push_back(TextAt(*m, i));
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->Body, (TIdLines{"first line", "", "last line"}));
    EXPECT_TRUE(texts[0]->FinalLineBreak);
    EXPECT_EQ(texts[1]->Body, (TIdLines{"<p>x</p>"}));
    EXPECT_FALSE(texts[1]->FinalLineBreak);
    EXPECT_EQ(ReadBytes(AttachmentAt(*m, 0)->StoredPath), "a,b\r\n.c");
  }
}

TEST(Writer, CopyOfASinglePartAttachmentMessageIsOneValidMultipart) {
  const std::string pdf = "%PDF-1.4 scanned";
  const std::string text =
      Crlf({"Subject: scan", "MIME-Version: 1.0", "Content-Type: application/pdf; name=scan.pdf",
            "Content-Transfer-Encoding: base64", "Content-Disposition: attachment; filename=scan.pdf", ""}) +
      Base64Lines(pdf);
  TIdMessage first;
  ReadMessageText(first, text);
  ASSERT_EQ(first.Parts.Count(), 1);
  const std::string written = WriteMessageText(first);
  const std::string header = written.substr(0, written.find("\r\n\r\n") + 2);
  EXPECT_NE(header.find("Content-Type: multipart/mixed;"), std::string::npos);
  // The file's own labels no longer describe the top level.
  EXPECT_EQ(header.find("Content-Transfer-Encoding"), std::string::npos);
  EXPECT_EQ(header.find("scan.pdf"), std::string::npos);
  TIdMessage second;
  ReadMessageText(second, written);
  ASSERT_NE(AttachmentAt(second, 0), nullptr);
  EXPECT_EQ(AttachmentAt(second, 1), nullptr);
  EXPECT_EQ(AttachmentAt(second, 0)->FileName, "scan.pdf");
  EXPECT_EQ(ReadBytes(AttachmentAt(second, 0)->StoredPath), pdf);
}

TEST(Writer, EveryLineBeginningWithADotIsStuffed) {
  // 14 bytes make a UUE line whose length character is '.'.
  const std::string bytes = std::string(45, 'u') + "fourteen bytes";
  TempFile file(bytes);
  TIdMessage m;
  m.SetEncoding(meUU);
  m.Body = {".body"};
  m.Parts.AddAttachment(file.Path()).FileName = "u.bin";
  const std::string written = WriteMessageText(m);
  const std::string last = TIdEncoderUUE::EncodeString("fourteen bytes");
  ASSERT_EQ(last[0], '.');
  EXPECT_NE(written.find("\r\n." + last + "\r\n"), std::string::npos);
  EXPECT_NE(written.find("\r\n..body\r\n"), std::string::npos);
  TIdMessage back;
  ReadMessageText(back, written);
  ASSERT_NE(AttachmentAt(back, 0), nullptr);
  EXPECT_EQ(ReadBytes(AttachmentAt(back, 0)->StoredPath), bytes);
}
