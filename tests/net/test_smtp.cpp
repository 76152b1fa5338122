// The SMTP client against scripted peers: greeting and EHLO/HELO, announced
// mechanisms, the envelope order, reply codes, and the data transcript.
#include "ScriptedPeer.h"
#include "net/IdExceptions.h"
#include "net/IdSMTP.h"
#include "tests/support/ExpectError.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

using mvtest::ExpectError;

namespace {
using Lines = std::vector<std::string>;

void Dial(TIdSMTP &smtp, const ScriptedPeer &peer) {
  smtp.Host = "127.0.0.1";
  smtp.Port = peer.Port();
  smtp.HeloName = "desk";
  smtp.Connect();
}

void Fill(TIdMessage &message) {
  message.From.Address = "me@example.org";
  message.Subject = "report";
  message.Body = {"first line", ".", "last"};
}

// The envelope of an accepted message after RSET: MAIL, the recipients, DATA,
// the message lines, the final ".".
ScriptedPeer &Envelope(ScriptedPeer &peer, int recipients) {
  peer.Reply("250 reset").Reply("250 sender ok");
  for (int i = 0; i < recipients; ++i)
    peer.Reply("250 ok");
  return peer.Reply("354 go ahead").ReadData().Line("250 queued");
}

// The client's lines without the message text between an accepted DATA and ".".
Lines Commands(const Lines &transcript) {
  Lines commands;
  bool inData = false;
  for (const std::string &line : transcript) {
    if (inData) {
      inData = line != ".";
      if (inData)
        continue;
    }
    commands.push_back(line);
    inData = line == "DATA";
  }
  return commands;
}

Lines DataLines(const Lines &transcript) {
  auto data = std::find(transcript.begin(), transcript.end(), "DATA");
  auto end = std::find(data, transcript.end(), ".");
  return data == transcript.end() ? Lines{} : Lines(data + 1, end);
}
} // namespace

TEST(SMTP, AnnouncedLoginIsUsedAndRecipientsGoToCcToBccInOrder) {
  ScriptedPeer peer;
  peer.Line("220 mail ready").Reply("250-mail.example\r\n250-AUTH PLAIN LOGIN\r\n250 HELP");
  peer.Reply("250 reset")
      .Reply("334 VXNlcm5hbWU6")
      .Reply("334 UGFzc3dvcmQ6")
      .Reply("235 welcome")
      .Reply("250 ok")
      .Reply("250 ok")
      .Reply("251 will forward")
      .Reply("250 ok")
      .Reply("250 ok")
      .Reply("354 go ahead")
      .ReadData()
      .Line("250 queued")
      .Start();
  TIdSMTP smtp;
  smtp.SetAuthenticationType(atLogin);
  smtp.Username = "test";
  smtp.Password = "secret";
  Dial(smtp, peer);
  EXPECT_EQ(smtp.AuthSchemesSupported(), (Lines{"PLAIN", "LOGIN"}));
  TIdMessage message;
  Fill(message);
  message.Recipients.Add().Address = "one@example.org";
  message.Recipients.Add().Address = "two@example.org";
  message.CCList.Add().Address = "cc@example.org";
  message.BccList.Add().Address = "hidden@example.org";
  message.ExtraHeaders.Add("X-Mailer: typed by hand");
  smtp.SendMessage(message);
  EXPECT_TRUE(smtp.DidAuthenticate());
  smtp.Disconnect();
  EXPECT_FALSE(smtp.DidAuthenticate());
  const Lines transcript = peer.Transcript();
  EXPECT_EQ(Commands(transcript),
            (Lines{"EHLO desk", "RSET", "AUTH LOGIN", "dGVzdA==", "c2VjcmV0", "MAIL FROM:<me@example.org>",
                   "RCPT TO:<one@example.org>", "RCPT TO:<two@example.org>", "RCPT TO:<cc@example.org>",
                   "RCPT TO:<hidden@example.org>", "DATA", ".", "QUIT"}));
  const Lines data = DataLines(transcript);
  EXPECT_NE(std::find(data.begin(), data.end(), ".."), data.end()); // the body line "."
  EXPECT_NE(std::find(data.begin(), data.end(), "Subject: report"), data.end());
  for (const std::string &line : data)
    EXPECT_NE(line.rfind("X-Mailer", 0), 0u) << line;
}

TEST(SMTP, OldStyleAuthEqualsLoginIsRecognised) {
  ScriptedPeer peer;
  peer.Line("220 ready").Reply("250-host\r\n250-AUTH=LOGIN\r\n250 8BITMIME");
  peer.Reply("250 reset").Reply("334 x").Reply("334 y").Reply("235 ok");
  peer.Reply("250 ok").Reply("250 ok").Reply("354 go").ReadData().Line("250 ok").Start();
  TIdSMTP smtp;
  smtp.SetAuthenticationType(atLogin);
  Dial(smtp, peer);
  TIdMessage message;
  Fill(message);
  message.Recipients.Add().Address = "one@example.org";
  smtp.SendMessage(message);
  smtp.Disconnect();
  const Lines commands = Commands(peer.Transcript());
  ASSERT_GE(commands.size(), 3u);
  EXPECT_EQ(commands[2], "AUTH LOGIN");
}

TEST(SMTP, WithoutAnnouncedLoginTheMessageGoesOutUnauthenticated) {
  ScriptedPeer peer;
  peer.Line("220 ready").Reply("250-host\r\n250 AUTH PLAIN");
  Envelope(peer, 1).Start();
  TIdSMTP smtp;
  smtp.SetAuthenticationType(atLogin);
  Dial(smtp, peer);
  TIdMessage message;
  Fill(message);
  message.Recipients.Add().Address = "one@example.org";
  smtp.SendMessage(message);
  smtp.Disconnect();
  EXPECT_EQ(Commands(peer.Transcript()), (Lines{"EHLO desk", "RSET", "MAIL FROM:<me@example.org>",
                                                "RCPT TO:<one@example.org>", "DATA", ".", "QUIT"}));
}

TEST(SMTP, RefusedEhloFallsBackToHeloAndSkipsTheLogIn) {
  ScriptedPeer peer;
  peer.Line("220 ready").Reply("502 command not implemented").Reply("250 hello");
  Envelope(peer, 1).Start();
  TIdSMTP smtp;
  smtp.SetAuthenticationType(atLogin);
  Dial(smtp, peer);
  EXPECT_TRUE(smtp.AuthSchemesSupported().empty());
  TIdMessage message;
  Fill(message);
  message.Recipients.Add().Address = "one@example.org";
  smtp.SendMessage(message);
  smtp.Disconnect();
  EXPECT_EQ(Commands(peer.Transcript()),
            (Lines{"EHLO desk", "HELO desk", "RSET", "MAIL FROM:<me@example.org>",
                   "RCPT TO:<one@example.org>", "DATA", ".", "QUIT"}));
}

TEST(SMTP, NoRecipientsMeansNoRcptAndTheRefusedDataRaises) {
  ScriptedPeer peer;
  peer.Line("220 ready").Reply("250 host").Reply("250 reset").Reply("250 ok").Reply("503 need RCPT").Start();
  TIdSMTP smtp;
  Dial(smtp, peer);
  TIdMessage message;
  Fill(message);
  ExpectError<EIdProtocolReplyError>(
      [&] { smtp.SendMessage(message); }, "need RCPT\r\n",
      [&](const EIdProtocolReplyError &e) { EXPECT_EQ(e.ReplyErrorCode(), 503); });
  smtp.Disconnect();
  EXPECT_EQ(peer.Transcript(), (Lines{"EHLO desk", "RSET", "MAIL FROM:<me@example.org>", "DATA", "QUIT"}));
}

TEST(SMTP, RefusedRecipientEndsTheSending) {
  ScriptedPeer peer;
  peer.Line("220 ready")
      .Reply("250 host")
      .Reply("250 reset")
      .Reply("250 ok")
      .Reply("550 no such user")
      .Start();
  TIdSMTP smtp;
  Dial(smtp, peer);
  TIdMessage message;
  Fill(message);
  message.Recipients.Add().Address = "nobody@example.org";
  message.Recipients.Add().Address = "two@example.org";
  EXPECT_THROW(smtp.SendMessage(message), EIdProtocolReplyError);
  smtp.Disconnect();
  EXPECT_EQ(Commands(peer.Transcript()), (Lines{"EHLO desk", "RSET", "MAIL FROM:<me@example.org>",
                                                "RCPT TO:<nobody@example.org>", "QUIT"}));
}

TEST(SMTP, RefusedGreetingRaisesAfterQuit) {
  ScriptedPeer peer;
  peer.Line("554 go away").Start();
  TIdSMTP smtp;
  ExpectError<EIdProtocolReplyError>(
      [&] { Dial(smtp, peer); }, "go away\r\n",
      [&](const EIdProtocolReplyError &e) { EXPECT_EQ(e.ReplyErrorCode(), 554); });
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_EQ(peer.Transcript(), Lines{"QUIT"});
}

TEST(SMTP, ServerClosingInsteadOfAnsweringRaisesClosedGracefully) {
  ScriptedPeer peer;
  peer.Line("220 ready").Read().Close().Start();
  TIdSMTP smtp;
  EXPECT_THROW(Dial(smtp, peer), EIdConnClosedGracefully);
  EXPECT_FALSE(smtp.IsConnected());
}

TEST(SMTP, EmptyHeloNameUsesTheLocalHostName) {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  ScriptedPeer peer;
  peer.Line("220 ready").Reply("250 host").Start();
  TIdSMTP smtp;
  smtp.Host = "127.0.0.1";
  smtp.Port = peer.Port();
  smtp.Connect();
  smtp.Disconnect();
  EXPECT_EQ(peer.Transcript(), (Lines{std::string("EHLO ") + name, "QUIT"}));
}

TEST(SMTP, EhloAndAuthenticationSettingsAreCoupled) {
  TIdSMTP smtp;
  smtp.SetUseEhlo(false);
  smtp.SetAuthenticationType(atLogin);
  EXPECT_TRUE(smtp.UseEhlo());
  smtp.SetUseEhlo(false);
  EXPECT_EQ(smtp.AuthenticationType(), atNone);
}

TEST(SMTP, AuthPlainSendsTheCredentialsInTheCommand) {
  ScriptedPeer peer;
  peer.Line("220 mx").Reply("250-mx\r\n250 AUTH LOGIN PLAIN").Reply("250 reset").Reply("235 ok");
  peer.Reply("250 sender ok").Reply("250 ok").Reply("354 go ahead").ReadData().Line("250 queued").Start();
  TIdSMTP smtp;
  smtp.Username = "test";
  smtp.Password = "secret";
  smtp.SetAuthenticationType(atPlain);
  Dial(smtp, peer);
  TIdMessage message;
  Fill(message);
  message.Recipients.SetAddressesText("you@example.org");
  smtp.SendMessage(message);
  EXPECT_TRUE(smtp.DidAuthenticate());
  smtp.Disconnect();
  const Lines commands = Commands(peer.Transcript());
  ASSERT_GE(commands.size(), 4u);
  EXPECT_EQ(commands[1], "RSET");
  EXPECT_EQ(commands[2], "AUTH PLAIN AHRlc3QAc2VjcmV0"); // base64 of NUL test NUL secret
  EXPECT_EQ(commands[3], "MAIL FROM:<me@example.org>");
}
