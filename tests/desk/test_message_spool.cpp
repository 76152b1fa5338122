// The spool file of the server's answers: each answer replaces the one
// before whatever their lengths, stays dot-stuffed as sent and ends in the
// end line; a refused command spools nothing.
#include "DeskTestKit.h"
#include "ScriptedPeer.h"
#include "desk/MessageFetch.h"
#include "net/IdPOP3.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

TEST(MessageSpool, EachAnswerReplacesTheLastOneWholly) {
  std::string longBody = "Subject: long\r\n\r\n..dot\r\n";
  for (int i = 0; i < 40; ++i)
    longBody += std::string(8000, 'a') + "\r\n";
  const std::string shortBody = "Subject: short\r\n\r\nb\r\n";
  struct Step {
    std::string command;
    std::string reply; // the status line
    std::string body;  // sent after an +OK, with the end line
  };
  const Step steps[] = {
      {"RETR 1", "+OK", longBody}, {"RETR 2", "+OK", shortBody}, {"RETR 3", "-ERR no such message", ""},
      {"TOP 1 0", "+OK", ""},      {"RETR 1", "+OK", longBody},
  };
  ScriptedPeer peer;
  peer.Line("+OK ready").Reply("+OK").Reply("+OK");
  for (const Step &step : steps) {
    peer.Reply(step.reply);
    if (step.reply == "+OK")
      peer.Send(step.body + ".\r\n");
  }
  peer.Start();
  TIdPOP3 pop3;
  pop3.Host = "127.0.0.1";
  pop3.Port = peer.Port();
  pop3.Username = "test";
  pop3.Password = "secret";
  pop3.RecvBufferSize = 1024;
  pop3.Connect();
  mv::MessageSpool spool;
  std::string expected; // the last answer spooled
  for (const Step &step : steps) {
    const bool ok = step.reply == "+OK";
    EXPECT_EQ(spool.Fetch(pop3, step.command, false), ok) << step.command;
    if (ok)
      expected = step.body + ".\r\n";
    EXPECT_TRUE(desktest::ReadBytes(mv::ToDiskPath(spool.Path())) == expected) << step.command;
  }
  TIdMessage message;
  spool.ReadInto(message, false);
  EXPECT_EQ(message.Subject, "long");
  pop3.Disconnect();
  peer.Transcript();
}
