#include "MessageTestUtil.h"

#include "mime/IdIOHandlerStream.h"
#include "mime/IdMessageClient.h"
#include "net/IdExceptions.h"
#include "platform/FileSystem.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

#include <cmath>

using mvtest::ExpectError;

using namespace testutil;

namespace {
std::string TempPath() {
  std::string p = mv::NewTempFile("mvtest");
  mv::DeleteFileAt(p);
  return p;
}

std::string Bytes(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i)
    s[i] = static_cast<char>((i * 31 + seed + i / 97) & 0xFF);
  return s;
}
} // namespace

TEST(MessageFile, ComposedMessageRoundTrip) {
  const std::string path = TempPath();
  TIdMessage m;
  m.From.SetText("Ivan <ivan@x.org>");
  m.Recipients.SetAddressesText("a@x.org, b@x.org");
  m.CCList.SetAddressesText("c@x.org");
  m.Subject = "\xCE\xF2\xF7\xB8\xF2 \xE7\xE0 2026 \xE3\xEE\xE4";
  m.Body = {"line", ".", "", "\xCF\xF0\xE8\xE2\xE5\xF2"};
  const TDateTime before = mv::Now();
  m.WriteToFile(path);
  EXPECT_NE(ReadBytes(path).find("\r\n..\r\n"), std::string::npos);

  TIdMessage back;
  back.ReadFromFile(path);
  EXPECT_EQ(back.Subject, m.Subject);
  EXPECT_EQ(back.From.Text(), m.From.Text());
  EXPECT_EQ(back.Recipients.AddressesText(), m.Recipients.AddressesText());
  EXPECT_EQ(back.CCList.AddressesText(), m.CCList.AddressesText());
  EXPECT_EQ(back.Body, m.Body);
  EXPECT_LT(std::fabs(back.Date - before), 2.0 / 86400);
  mv::DeleteFileAt(path);
}

TEST(MessageFile, AttachmentsRoundTrip) {
  const std::string a1 = TempPath(), a2 = TempPath(), path = TempPath();
  {
    TIdFileStream f1(a1, TIdFileMode::fmCreate);
    f1.WriteString(Bytes(10000, 1));
    TIdFileStream f2(a2, TIdFileMode::fmCreate);
    f2.WriteString("");
  }
  TIdMessage m;
  m.Body = {"text", ".dot"};
  m.Parts.AddAttachment(a1).FileName = "\xEE\xF2\xF7\xE5\xF2.zip";
  m.Parts.AddAttachment(a2).FileName = "empty.txt";
  m.WriteToFile(path);

  TIdMessage back;
  back.ReadFromFile(path);
  ASSERT_EQ(back.Parts.Count(), 3);
  EXPECT_EQ(back.Body, (TIdLines{"This is a multi-part message in MIME format", ""}));
  EXPECT_EQ(TextAt(back, 0)->Body, (TIdLines{"text", ".dot"}));
  EXPECT_EQ(AttachmentAt(back, 0)->FileName, "\xEE\xF2\xF7\xE5\xF2.zip");
  EXPECT_EQ(ReadBytes(AttachmentAt(back, 0)->StoredPath), Bytes(10000, 1));
  EXPECT_EQ(AttachmentAt(back, 1)->FileName, "empty.txt");
  EXPECT_EQ(ReadBytes(AttachmentAt(back, 1)->StoredPath), "");
  // The attached files are the user's and stay.
  EXPECT_TRUE(mv::FileExists(a1));
  for (const std::string &p : {a1, a2, path})
    mv::DeleteFileAt(p);
}

TEST(MessageFile, ReadWriteReadKeepsAttachmentsAndTextOfNestedMail) {
  // HTML mail with an inline picture and an attachment, as mail clients send it.
  const std::string text = Crlf({"From: a@x.org",
                                 "Subject: nested",
                                 "MIME-Version: 1.0",
                                 "Content-Type: multipart/mixed; boundary=\"M\"",
                                 "",
                                 "This is a multi-part message in MIME format.",
                                 "--M",
                                 "Content-Type: multipart/related; boundary=\"R\"",
                                 "",
                                 "--R",
                                 "Content-Type: multipart/alternative; boundary=\"A\"",
                                 "",
                                 "--A",
                                 "Content-Type: text/plain; charset=windows-1251",
                                 "Content-Transfer-Encoding: quoted-printable",
                                 "",
                                 "=CF=F0=E8=E2=E5=F2",
                                 "..",
                                 "--A",
                                 "Content-Type: text/html",
                                 "Content-Transfer-Encoding: base64",
                                 "",
                                 "PGI+aGk8L2I+",
                                 "--A--",
                                 "--R",
                                 "Content-Type: image/png; name=p.png",
                                 "Content-ID: <p1>",
                                 "Content-Transfer-Encoding: base64",
                                 "",
                                 "iVBORw0KGgo=",
                                 "--R--",
                                 "--M",
                                 "Content-Type: application/pdf; name=\"doc.pdf\"",
                                 "Content-Disposition: attachment; filename=\"doc.pdf\"",
                                 "Content-Transfer-Encoding: 7bit",
                                 "",
                                 "%PDF",
                                 "--M--",
                                 ""});
  TIdMessage first;
  ReadMessageText(first, text);
  const std::string written = WriteMessageText(first);
  TIdMessage second;
  ReadMessageText(second, written);

  auto summary = [](TIdMessage &m) {
    std::vector<std::string> out;
    for (int i = 0; i < m.Parts.Count(); ++i) {
      if (auto *a = dynamic_cast<TIdAttachment *>(&m.Parts[i]))
        out.push_back("A " + a->FileName + " " + ReadBytes(a->StoredPath));
      else if (auto *t = dynamic_cast<TIdText *>(&m.Parts[i]); t && !t->Body.empty())
        for (std::string_view l : t->Body)
          out.push_back("T " + std::string(l));
    }
    return out;
  };
  const std::vector<std::string> expected = {"T \xCF\xF0\xE8\xE2\xE5\xF2", "T .", "T <b>hi</b>",
                                             "A p.png \x89PNG\r\n\x1A\n", "A doc.pdf %PDF"};
  EXPECT_EQ(summary(first), expected);
  EXPECT_EQ(summary(second), expected);
  // No multipart type is ever written on a text part.
  EXPECT_EQ(written.find("Content-Type: multipart/alternative\r\n"), std::string::npos);
}

TEST(MessageFile, FilesWithoutEndLine) {
  TIdMessage a;
  ReadMessageText(a, "Subject: s\r\n\r\nlast line without break");
  EXPECT_EQ(a.Body, (TIdLines{"last line without break"}));
  TIdMessage b;
  ReadMessageText(b, "Subject: s\r\n\r\nbody\r\n");
  EXPECT_EQ(b.Body, (TIdLines{"body"}));
  TIdMessage c;
  ReadMessageText(c, "Subject: s\r\n\r\nbody\r");
  EXPECT_EQ(c.Body, (TIdLines{"body"}));
  TIdMessage empty;
  ReadMessageText(empty, "");
  EXPECT_EQ(empty.HeaderLines.Count(), 0);
  EXPECT_TRUE(empty.Body.empty());
  // A file that has its own end line gets a second one that is never read.
  TIdMessage d;
  ReadMessageText(d, "Subject: s\r\n\r\nx\r\n.\r\n");
  EXPECT_EQ(d.Body, (TIdLines{"x"}));
}

TEST(MessageFile, HeadersOnly) {
  TIdMessage m;
  m.Subject = "s";
  m.Body = {"body"};
  const std::string written = WriteMessageText(m, true);
  EXPECT_EQ(written.substr(written.size() - 4), "\r\n\r\n");
  EXPECT_EQ(written.find("body"), std::string::npos);
  TIdMemoryStream full(WriteMessageText(m));
  TIdMessage back;
  back.ReadFromStream(full, true);
  EXPECT_EQ(back.Subject, "s");
  EXPECT_TRUE(back.Body.empty());
}

TEST(MessageFile, MissingFileFailsAndKeepsMessage) {
  TIdMessage m;
  m.Subject = "kept";
  ExpectError<EIdMessageCannotLoad>([&] { m.ReadFromFile("/nonexistent/x.eml"); },
                                    "Cannot load message from file /nonexistent/x.eml");
  EXPECT_EQ(m.Subject, "kept");
}

TEST(StreamChannel, FailureTexts) {
  TIdIOHandlerStream channel;
  ExpectError<EIdException>([&] { channel.Open(); }, "No InputStream or OutputStream assigned.");
  TIdMemoryStream in("x"), out;
  channel.FreeStreams = false;
  channel.SetInputStream(&in);
  channel.Open();
  EXPECT_THROW(channel.SetInputStream(&in), EIdException);
  ExpectError<EIdException>([&] { channel.SetOutputStream(&out); }, "Cannot set OutputStream while active.");
  char buf[8];
  EXPECT_EQ(channel.Send("abc", 3), 3); // dropped without an output stream
  EXPECT_EQ(channel.Receive(buf, 8), 1);
  EXPECT_FALSE(channel.WaitReadable(0));
  channel.Close();
}

TEST(StreamChannel, EndTextJoinsTheLastByte) {
  struct Case {
    std::string content, expected;
  } cases[] = {{"a\r\n", "a\r\n.\r\n"}, {"a\r", "a\r\n.\r\n"}, {"a", "a\r\n.\r\n"}, {"", "\r\n.\r\n"}};
  for (const Case &c : cases) {
    TIdMemoryStream in(c.content);
    TIdIOHandlerStreamMsg channel;
    channel.FreeStreams = false;
    channel.SetInputStream(&in);
    channel.Open();
    std::string got;
    char byte;
    // One byte at a time: the end text must not depend on how it is asked for.
    while (channel.WaitReadable(0) && channel.Receive(&byte, 1) == 1)
      got += byte;
    EXPECT_EQ(got, c.expected);
    EXPECT_EQ(channel.Receive(&byte, 1), 0);
  }
}

TEST(FailedMessage, ConnectionIsLeftAfterTheMessageEnd) {
  // Each failing message is followed by a good one on the same connection.
  const std::string good = Crlf({"Subject: good", "", "fine", "."});
  const std::string longHeader = Crlf({"Subject: " + std::string(20000, 'x'), "", "body", "."});
  const std::string longBodyLine =
      Crlf({"Content-Type: multipart/mixed; boundary=b", "", "--b", "Content-Type: text/plain", "",
            std::string(17000, 'y') + ".", ".x", "."});
  const std::string badUue = Crlf({"Subject: u", "", "begin 644 a", "{{{{", "more", "end", "."});
  for (const std::string &bad : {longHeader, longBodyLine, badUue}) {
    StreamClient stream(bad + good);
    TIdMessageClient &client = stream.client;
    TIdMessage first;
    EXPECT_THROW(client.ReadMessage(first), EIdException);
    TIdMessage second;
    client.ReadMessage(second);
    EXPECT_EQ(second.Subject, "good");
    EXPECT_EQ(second.Body, (TIdLines{"fine"}));
    client.Disconnect();
    client.SetIOHandler(nullptr);
  }
}

TEST(FailedMessage, HeaderReadUpToEndLineSkipsTheEmptyLine) {
  // The reply to TOP n 0: header lines, an empty line and the end line.
  StreamClient stream(Crlf({"Subject: top", "X-A: 1", "", ".", "Subject: next", "", "."}));
  TIdMessageClient &client = stream.client;
  TIdMessage m;
  EXPECT_EQ(client.ReadMessageHeader(m, "."), ".");
  EXPECT_EQ(m.HeaderLines.Lines(), (std::vector<std::string>{"Subject: top", "X-A: 1"}));
  TIdMessage next;
  EXPECT_EQ(client.ReadMessageHeader(next), "");
  EXPECT_EQ(next.Subject, "next");
  client.Disconnect();
  client.SetIOHandler(nullptr);
}

TEST(MessageFile, WriteToFileReplacesAnOlderFile) {
  const std::string path = TempPath();
  {
    TIdFileStream old(path, TIdFileMode::fmCreate);
    old.WriteString(std::string(100000, 'o'));
  }
  TIdMessage m;
  m.Body = {"new"};
  m.WriteToFile(path);
  const std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.find(std::string(20, 'o')), std::string::npos);
  EXPECT_LT(bytes.size(), 1000u);
  EXPECT_EQ(bytes.substr(bytes.size() - 10), "\r\nnew\r\n.\r\n");
  mv::DeleteFileAt(path);
}
