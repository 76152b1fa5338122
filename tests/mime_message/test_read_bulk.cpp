// Lines that need no care one by one (no dot, no boundary, no decoder start)
// are read from the connection in runs. Whatever arrives in one receive, a
// message must read the same as when every line comes on its own: the
// receive size decides how much a run can hold, so each message is read
// with receives of 1 byte (no runs at all) and of several larger sizes.
#include "MessageTestUtil.h"
#include "mime/IdIOHandlerStream.h"

#include <gtest/gtest.h>

#include <random>

using namespace testutil;

namespace {
std::string Escaped(std::string_view bytes) {
  std::string out;
  for (char c : bytes)
    if (c == '\r')
      out += "\\r";
    else if (c == '\0')
      out += "\\0";
    else
      out += c;
  return out;
}

// Everything the reader made of a message, or the failure it raised.
std::string Outcome(const std::string &text, int receiveSize, bool noDecode) {
  TIdMessage message;
  message.NoDecode = noDecode;
  message.DeleteTempFiles = true;
  TIdMemoryStream input(text);
  TIdMessageClient client;
  client.RecvBufferSize = receiveSize;
  std::string out;
  try {
    client.ReadMessageFromStream(message, input);
  } catch (const std::exception &e) {
    out = std::string("failed: ") + e.what() + "\n";
  }
  for (std::string_view line : message.Body)
    out += "body: " + Escaped(line) + "\n";
  for (int i = 0; i < message.Parts.Count(); ++i) {
    const TIdMessagePart &part = message.Parts[i];
    for (int h = 0; h < part.HeaderLines.Count(); ++h)
      out += "part header: " + part.HeaderLines[h] + "\n";
    if (const auto *t = dynamic_cast<const TIdText *>(&part)) {
      for (std::string_view line : t->Body)
        out += "text: " + Escaped(line) + "\n";
      out += t->FinalLineBreak ? "(final break)\n" : "(no final break)\n";
    } else if (const auto *a = dynamic_cast<const TIdAttachment *>(&part)) {
      out += "file " + a->FileName + ": " + Escaped(ReadBytes(a->StoredPath)) + "\n";
    }
  }
  return out;
}

void ExpectSameAtEveryReceiveSize(const std::string &text, const std::string &what) {
  for (bool noDecode : {false, true}) {
    const std::string lineByLine = Outcome(text, 1, noDecode);
    for (int size : {7, 64, 1000, 32768})
      ASSERT_EQ(Outcome(text, size, noDecode), lineByLine)
          << what << ", receives of " << size << (noDecode ? ", undecoded" : "") << "\n"
          << Escaped(text);
  }
}

const std::string kMixedHeader = "From: a@b.c\r\nSubject: s\r\nMIME-Version: 1.0\r\n"
                                 "Content-Type: multipart/mixed; boundary=\"bb\"\r\n\r\n";

// Lines that each need care of a different kind, and plain ones between.
const std::vector<std::string> kLines = {"plain line",
                                         "",
                                         ".",
                                         "..stuffed",
                                         ".x",
                                         "-",
                                         "--bb",
                                         "--bb--",
                                         "--bb  ",
                                         "--other",
                                         "begin 644 a.txt",
                                         "Begin 644 b",
                                         "M86)C",
                                         "`",
                                         "end",
                                         "text\rwith CR",
                                         "nul\0inside",
                                         "trailing\r",
                                         "=3D soft=",
                                         "QUJD",
                                         "----",
                                         std::string(70, 'w'),
                                         std::string(300, 'l')};
} // namespace

TEST(ReadBulk, HandWrittenMessagesReadAsLineByLine) {
  const std::string longLine(20000, 'x'); // beyond the line limit: a failure, the same either way
  const std::vector<std::pair<std::string, std::string>> messages = {
      {"plain body with dots, dashes and a UUE block",
       "Subject: s\r\n\r\nline one\r\n..dot\r\n-dash\r\n--dashes\r\nbegin 644 f.txt\r\n#86)C\r\n`\r\nend\r\n"
       "after\r\n"},
      {"bare LF and stray CR", "Subject: s\r\n\r\na\nb\r\nc\rd\r\n\r\ne\r\r\nf"},
      {"an 8bit text part, a QP part, a base64 attachment",
       kMixedHeader + "pre\r\n--bb\r\nContent-Type: text/plain\r\n\r\nt1\r\n\r\nt2\r\n--bb\r\n"
                      "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                      "q=3D1 soft=\r\nend\r\n--bb\r\nContent-Type: application/pdf; name=\"a.pdf\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\nQUJD\r\nREVG\r\n\r\n--bb--\r\nepilogue\r\n"},
      {"text part without its closing line",
       kMixedHeader + "--bb\r\nContent-Type: text/plain\r\n\r\nlast\r\nlines\r\n"},
      {"nested multipart, inner closing line missing",
       kMixedHeader +
           "--bb\r\nContent-Type: multipart/alternative; boundary=in\r\n\r\n--in\r\n"
           "Content-Type: text/plain\r\n\r\ninner\r\n--bb\r\nContent-Type: text/plain\r\n\r\nouter\r\n"
           "--bb--\r\n"},
      {"single part attachment", "Subject: s\r\nContent-Type: application/octet-stream; name=x.bin\r\n"
                                 "Content-Transfer-Encoding: base64\r\n\r\nQUJD\r\nREVG\r\n"},
      {"single part quoted-printable", "Subject: s\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                                       "a=3Db\r\nsoft=\r\nend\r\n"},
      {"a line over the limit", "Subject: s\r\n\r\nshort\r\n" + longLine + "\r\nafter\r\n"},
  };
  for (const auto &[what, text] : messages)
    ExpectSameAtEveryReceiveSize(text, what);
}

TEST(ReadBulk, GeneratedMessagesReadAsLineByLine) {
  std::mt19937 random(20261209);
  const auto pick = [&random](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  const std::vector<std::string> breaks = {"\r\n", "\r\n", "\r\n", "\n"};
  const std::vector<std::string> partHeads = {
      "Content-Type: text/plain\r\n\r\n",
      "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n",
      "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\n",
      "Content-Type: application/pdf; name=\"f.pdf\"\r\n\r\n",
      "Content-Type: application/pdf; name=\"g.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\n",
      "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: x-uuencode\r\n\r\n"};
  const auto lines = [&](std::string &text, int count) {
    for (int i = 0; i < count; ++i)
      text += kLines[pick(kLines.size())] + breaks[pick(breaks.size())];
  };
  for (int round = 0; round < 150; ++round) {
    std::string text;
    if (round % 3 == 0) {
      text = "Subject: single\r\n\r\n";
      lines(text, 40);
    } else {
      text = kMixedHeader;
      lines(text, 3);
      for (int part = 0, parts = 1 + static_cast<int>(pick(4)); part < parts; ++part) {
        text += "--bb\r\n" + partHeads[pick(partHeads.size())];
        lines(text, 1 + static_cast<int>(pick(30)));
      }
      if (pick(2) == 0)
        text += "--bb--\r\n";
      lines(text, 2);
    }
    ExpectSameAtEveryReceiveSize(text, "generated message " + std::to_string(round));
  }
}
