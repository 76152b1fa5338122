// Reply parsing and the command exchange: codes, multi-line replies, the
// accepted-code check and the text of the reply error.
#include "FakeChannel.h"
#include "net/IdExceptions.h"
#include "net/IdTCPClient.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

using mvtest::ExpectError;

namespace {
using Lines = std::vector<std::string>;

TIdRFCReply Parse(const Lines &lines) {
  TIdRFCReply reply;
  reply.ParseLines(lines);
  return reply;
}
} // namespace

TEST(RFCReply, CodesAndTextsOfTheUsualReplies) {
  const struct {
    Lines lines;
    std::string textCode;
    int numericCode;
    Lines text;
  } cases[] = {
      {{"220 mail ready"}, "220", 220, {"mail ready"}},
      {{"250-first", "250-SIZE 1000", "250 HELP"}, "250", 250, {"first", "SIZE 1000", "HELP"}},
      {{"+OK 2 320"}, "+OK", 0, {"2 320"}},
      {{"-ERR bad password"}, "-ERR", 0, {" bad password"}},
      {{"250"}, "250", 250, {""}},
      // A continuation without the code is kept whole, without its leading blanks.
      {{"250-first", "  free text", "250 last"}, "250", 250, {"first", "free text", "last"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.lines.front());
    TIdRFCReply reply = Parse(c.lines);
    EXPECT_EQ(reply.TextCode(), c.textCode);
    EXPECT_EQ(reply.NumericCode(), c.numericCode);
    EXPECT_EQ(reply.Text, c.text);
  }
}

TEST(RFCReply, CodeAndNumberAreCoupled) {
  TIdRFCReply reply;
  reply.SetTextCode("354");
  EXPECT_EQ(reply.NumericCode(), 354);
  reply.SetNumericCode(2);
  EXPECT_EQ(reply.TextCode(), "2");
  reply.SetTextCode("abc");
  EXPECT_EQ(reply.NumericCode(), 0);
  reply.Text = {"x"};
  reply.Clear();
  EXPECT_EQ(reply.NumericCode(), 0);
  EXPECT_EQ(reply.TextCode(), "");
  EXPECT_TRUE(reply.Text.empty());
}

namespace {
struct Exchange {
  FakeChannel channel;
  TIdTCPClient client;
  explicit Exchange(const std::string &incoming) {
    channel.Incoming = {incoming};
    client.SetIOHandler(&channel);
    client.Connect();
  }
};
} // namespace

TEST(ReadReplyLines, SkipsBlankLinesAndEndsAtTheCodeWithASpaceInAnyCase) {
  Exchange e("\r\n  \r\n250-mail.example\r\n250-AUTH LOGIN\r\nodd line\r\n250 ok\r\nNEXT\r\n");
  e.client.ReadReplyLines();
  EXPECT_EQ(e.client.LastCmdResult().Text, (Lines{"mail.example", "AUTH LOGIN", "odd line", "ok"}));
  EXPECT_EQ(e.client.ReadLine(), "NEXT");

  Exchange lower("abc-one\r\nABC two\r\n");
  lower.client.ReadReplyLines();
  EXPECT_EQ(lower.client.LastCmdResult().Text, (Lines{"one", "two"}));
}

TEST(ReadReplyLines, AShortLineEndsAMultiLineReply) {
  Exchange e("250-one\r\n250\r\nrest\r\n");
  e.client.ReadReplyLines();
  EXPECT_EQ(e.client.LastCmdResult().Text, (Lines{"one", ""}));
  EXPECT_EQ(e.client.ReadLine(), "rest");
}

TEST(SendCommand, WritesTheLineAndChecksTheCode) {
  Exchange e("250 ok\r\n550-no such\r\n550 user\r\n251 forwarded\r\n");
  EXPECT_EQ(e.client.SendCommand("MAIL FROM:<a@b>", 250), 250);
  ExpectError<EIdProtocolReplyError>(
      [&] {
        e.client.SendCommand("RCPT TO:<x@y>", {250, 251});
      },
      "no such\r\nuser\r\n", [](const auto &error) { EXPECT_EQ(error.ReplyErrorCode(), 550); });
  EXPECT_EQ(e.client.SendCommand("RCPT TO:<z@y>", {250, 251}), 251);
  EXPECT_EQ(e.channel.Sent, "MAIL FROM:<a@b>\r\nRCPT TO:<x@y>\r\nRCPT TO:<z@y>\r\n");
}

TEST(SendCommand, AnEmptyListAcceptsEveryCode) {
  Exchange e("502 not here\r\n");
  EXPECT_EQ(e.client.SendCommand("EHLO me"), 502);
}

TEST(SendCommand, PeerClosingInsteadOfAnsweringRaisesClosedGracefully) {
  Exchange e("");
  EXPECT_THROW(e.client.SendCommand("NOOP", 250), EIdConnClosedGracefully);
}

TEST(ReadReplyLines, AMultiLineReplyIsCappedInLinesAndBytes) {
  const std::string refused = "Reply exceeds 1000 lines or 65536 bytes.";
  const auto reply = [](std::size_t continuations, std::size_t width) {
    std::string text;
    for (std::size_t i = 0; i < continuations; ++i)
      text += "250-" + std::string(width, 'x') + "\r\n";
    return text + "250 end\r\n";
  };
  const struct {
    const char *what;
    std::string incoming;
    std::size_t lines; // 0: refused
  } cases[] = {
      {"the most lines", reply(999, 8), 1000},
      {"one line too many", reply(1000, 8), 0},
      {"long lines within the size", reply(60, 1000), 61},
      {"long lines past the size", reply(70, 1000), 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    Exchange e(c.incoming);
    if (c.lines) {
      e.client.ReadReplyLines();
      EXPECT_EQ(e.client.LastCmdResult().Text.size(), c.lines);
    } else {
      mvtest::ExpectError<EIdException>([&] { e.client.ReadReplyLines(); }, refused);
    }
  }
}
