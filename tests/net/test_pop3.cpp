// The POP3 client against scripted peers: the reply cases a real server
// cannot be made to produce, and the exact command transcript.
#include "ScriptedPeer.h"
#include "net/IdExceptions.h"
#include "net/IdPOP3.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

namespace {
using mvtest::ExpectError;
using Lines = std::vector<std::string>;

// Greeting, USER and PASS accepted; the rest of the script follows.
ScriptedPeer &LoggedIn(ScriptedPeer &peer) {
  return peer.Line("+OK ready").Reply("+OK").Reply("+OK logged in");
}

void Login(TIdPOP3 &pop, const ScriptedPeer &peer) {
  pop.Host = "127.0.0.1";
  pop.Port = peer.Port();
  pop.Username = "test";
  pop.Password = "secret";
  pop.Connect();
}
} // namespace

TEST(POP3, LogInCountSizesAndQuit) {
  ScriptedPeer peer;
  LoggedIn(peer)
      .Reply("+OK 2 320")
      .Reply("+OK 2 messages")
      .Line("1 120")
      .Line("2 200")
      .Line(".")
      .Reply("+OK 2 200")
      .Reply("+OK 3")
      .Start();
  TIdPOP3 pop;
  Login(pop, peer);
  EXPECT_TRUE(pop.IsConnected());
  EXPECT_EQ(pop.CountMessages(), 2);
  EXPECT_EQ(pop.LastCmdResult().NumericCode(), 1);
  EXPECT_EQ(pop.LastCmdResult().TextCode(), "1");
  EXPECT_EQ(pop.MailboxSize(), 320);
  EXPECT_EQ(pop.MessageSize(2), 200);
  EXPECT_EQ(pop.MessageSize(3), -1); // "+OK 3": no size
  pop.Disconnect();
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_EQ(peer.Transcript(),
            (Lines{"USER test", "PASS secret", "STAT", "LIST", "LIST 2", "LIST 3", "QUIT"}));
}

TEST(POP3, RefusedPasswordRaisesTheServerTextSendsQuitAndDisconnects) {
  ScriptedPeer peer;
  peer.Line("+OK ready").Reply("+OK").Reply("-ERR [AUTH] Authentication failed.").Start();
  TIdPOP3 pop;
  ExpectError<EIdProtocolReplyError>([&] { Login(pop, peer); }, " [AUTH] Authentication failed.\r\n",
                                     [](const auto &e) { EXPECT_EQ(e.ReplyErrorCode(), 2); });
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_EQ(peer.Transcript(), (Lines{"USER test", "PASS secret", "QUIT"}));
}

TEST(POP3, LowerCaseStatusLinesAndBlankLinesBeforeAReplyAreAccepted) {
  ScriptedPeer peer;
  peer.Line("+ok hi").Reply("+ok").Send("\r\n  \r\n").Reply("+ok").Reply("-err locked").Start();
  TIdPOP3 pop;
  Login(pop, peer);
  ExpectError<EIdProtocolReplyError>([&] { pop.CountMessages(); }, " locked\r\n",
                                     [](const auto &e) { EXPECT_EQ(e.ReplyErrorCode(), 2); });
  EXPECT_TRUE(pop.IsConnected()); // a refused command leaves the session open
  pop.Disconnect();
}

TEST(POP3, StatusWithoutASpaceAfterOkIsUnrecognised) {
  ScriptedPeer peer;
  peer.Line("+OK2 ready").Start();
  TIdPOP3 pop;
  ExpectError<EIdException>([&] { Login(pop, peer); }, "Unrecognized POP3 Response Header:\n\" ready\r\n\"",
                            [](const EIdException &e) {
                              EXPECT_FALSE(dynamic_cast<const EIdProtocolReplyError *>(&e))
                                  << "mapped as a reply code";
                            });
  EXPECT_EQ(peer.Transcript(), Lines{"QUIT"});
}

TEST(POP3, StatWithoutTheSizeRaisesTheConversionError) {
  ScriptedPeer peer;
  LoggedIn(peer).Reply("+OK 2").Reply("+OK 0 0").Start();
  TIdPOP3 pop;
  Login(pop, peer);
  ExpectError<EConvertError>([&] { pop.CountMessages(); }, "'' is not a valid integer value");
  EXPECT_EQ(pop.CountMessages(), 0); // the empty mailbox
  pop.Disconnect();
}

TEST(POP3, ListingCountsNonNumericSizesAsZeroAndFailuresAsMinusOne) {
  ScriptedPeer peer;
  LoggedIn(peer)
      .Reply("+OK")
      .Line("1 abc")
      .Line("2 100 extra")
      .Line(".")
      .Reply("+OK")
      .Line(".")
      .Reply("-ERR not now")
      .Start();
  TIdPOP3 pop;
  Login(pop, peer);
  EXPECT_EQ(pop.MailboxSize(), 100);
  EXPECT_EQ(pop.MailboxSize(), 0);
  EXPECT_EQ(pop.MailboxSize(), -1);
  pop.Disconnect();
}

TEST(POP3, RetrieveReadsHeaderAndBodyAndStopsAtTheEndLine) {
  ScriptedPeer peer;
  LoggedIn(peer)
      .Reply("+OK 60 octets")
      .Line("Subject: first")
      .Line("From: a@example.org")
      .Line("")
      .Line("..x")
      .Line("plain")
      .Line(".")
      .Reply("-ERR no such message")
      .Reply("+OK")
      .Line("Subject: header only")
      .Line(".")
      .Reply("+OK")
      .Line("Subject: top")
      .Line("")
      .Line(".")
      .Reply("+OK marked")
      .Reply("+OK reset")
      .Start();
  TIdPOP3 pop;
  Login(pop, peer);
  TIdMessage message;
  EXPECT_TRUE(pop.RetrieveMessage(1, message));
  EXPECT_EQ(message.Subject, "first");
  EXPECT_EQ(message.From.Address, "a@example.org");
  EXPECT_EQ(message.Body, (TIdLines{".x", "plain"}));

  TIdMessage missing;
  EXPECT_FALSE(pop.RetrieveMessage(9, missing));
  EXPECT_TRUE(missing.Body.empty());

  TIdMessage headerOnly;
  EXPECT_TRUE(pop.RetrieveMessage(2, headerOnly));
  EXPECT_EQ(headerOnly.Subject, "header only");
  EXPECT_TRUE(headerOnly.Body.empty());

  TIdMessage top;
  EXPECT_TRUE(pop.RetrieveHeaders(1, top));
  EXPECT_EQ(top.Subject, "top");
  EXPECT_TRUE(pop.DeleteMessage(1));
  EXPECT_TRUE(pop.ResetDeletions());
  pop.Disconnect();
  EXPECT_EQ(peer.Transcript(), (Lines{"USER test", "PASS secret", "RETR 1", "RETR 9", "RETR 2", "TOP 1 0",
                                      "DELE 1", "RSET", "QUIT"}));
}

TEST(POP3, ServerClosingInsteadOfAnsweringRaisesClosedGracefully) {
  ScriptedPeer peer;
  LoggedIn(peer).Read().Close().Start();
  TIdPOP3 pop;
  Login(pop, peer);
  EXPECT_THROW(pop.CountMessages(), EIdConnClosedGracefully);
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_NO_THROW(pop.Disconnect()); // nothing left to say QUIT to
}

TEST(POP3, DisconnectWithoutAConnectionDoesNothing) {
  TIdPOP3 pop;
  EXPECT_NO_THROW(pop.Disconnect());
  EXPECT_FALSE(pop.IsConnected());
}

TEST(POP3, OverlongHeaderLineFailsTheFetchButNotTheSession) {
  ScriptedPeer peer;
  LoggedIn(peer)
      .Reply("+OK")
      .Line("Subject: " + std::string(20000, 'x'))
      .Line("")
      .Line("body")
      .Line(".")
      .Reply("+OK 1 99")
      .Start();
  TIdPOP3 pop;
  Login(pop, peer);
  TIdMessage message;
  EXPECT_THROW(pop.RetrieveMessage(1, message), EIdReadLnMaxLineLengthExceeded);
  // The rest of the failed message was skipped: the next reply is read in step.
  EXPECT_EQ(pop.CountMessages(), 1);
  pop.Disconnect();
}
