// The courier's session across cycles, in process: a session the server has
// dropped is replaced quietly, a message that keeps failing is listed once
// per run, and a message whose files were filed by an earlier download is
// removed when removal is switched on later.
#include "DeskTestKit.h"
#include "RealServers.h"
#include "ScriptedPeer.h"
#include "desk/Courier.h"
#include "records/mData.h"

#include <gtest/gtest.h>

namespace {
using namespace desktest;

struct SilentObserver : mv::CourierObserver {
  void ShowStatus(const std::string &text) override { status = text; }
  std::string StatusText() const override { return status; }
  void ClearMessageRows() override { rows = 0; }
  void AddMessageRow(const mv::MessageRow &) override { ++rows; }
  std::string status;
  int rows = 0;
};

struct CourierFixture : ::testing::Test {
  ScratchBase base;
  TdmMail data{base.Base()};
  SilentObserver observer;
  mv::Courier courier{base.Dirs, data.Table1, observer};

  void Account(int port) {
    courier.Settings.PopHost = "127.0.0.1";
    courier.Settings.PopPort = port;
    courier.Settings.PopUser = "test";
    courier.Settings.PopPassword = "secret";
  }
};

void EmptyMailboxSession(ScriptedPeer &peer) {
  peer.Line("+OK ready").Reply("+OK").Reply("+OK").Reply("+OK 0 0").Reply("+OK").Line(".");
}

TEST_F(CourierFixture, ASessionTheServerDroppedIsReplacedQuietly) {
  ScriptedPeer dropped, fresh;
  EmptyMailboxSession(dropped);
  dropped.Reset(); // the server's autologout while the session sat idle
  EmptyMailboxSession(fresh);
  dropped.Start();
  fresh.Start();
  Account(dropped.Port());
  ASSERT_TRUE(courier.CheckMailExecute());
  dropped.Transcript();
  Account(fresh.Port());
  EXPECT_NO_THROW(courier.CheckMailExecute());
  EXPECT_EQ(observer.status, W("Нет сообщений на сервере"));
  courier.QuitExecute();
  const std::vector<std::string> lines = fresh.Transcript();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "USER test");
}

TEST_F(CourierFixture, AFailingMessageIsListedOncePerRunAndMarksSurviveToTheNextCycle) {
  if (!DovecotServer::Available())
    GTEST_SKIP() << "dovecot is not installed";
  const char *date = "Tue, 01 Dec 2026 10:00:00 +0000";
  DovecotServer server(
      {Message("a@example.org", "Filed", date, {{"a.txt", "a"}}),
       "From: b@example.org\r\nSubject: Broken\r\nX-Long: " + std::string(20000, 'x') + "\r\n\r\nb\r\n"});
  base.Rules({{"", "", base.Target("Docs"), 0}});
  Account(server.Port());

  // Removal off: the file is filed, nothing leaves the server.
  ASSERT_TRUE(courier.CheckMailExecute());
  EXPECT_EQ(courier.FailedCount, 1);
  ASSERT_EQ(courier.Failures.size(), 1u);
  EXPECT_EQ(courier.Failures[0].Number, 2);
  // Its header could not be read, yet it has its row: row k is message k + 1.
  EXPECT_EQ(observer.rows, 2);
  EXPECT_EQ(courier.MessageList.size(), 2u);
  EXPECT_EQ(base.Files(base.Target("Docs")), std::vector<std::string>{"a.txt"});

  // Removal switched on: the file is recognised as filed, and the message
  // still counts as routed, so it is copied and marked; the broken one is
  // not listed again.
  courier.DeleteRouted = true;
  ASSERT_TRUE(courier.CheckMailExecute());
  EXPECT_EQ(courier.FailedCount, 1);
  EXPECT_TRUE(courier.Failures.empty());
  EXPECT_EQ(base.Files(base.Dirs.DeleteDir), std::vector<std::string>{"DMsg.eml"});
  EXPECT_EQ(base.Files(base.Target("Docs")), std::vector<std::string>{"a.txt"});
  // The next cycle's QUIT commits the mark.
  ASSERT_TRUE(courier.CheckMailExecute());
  EXPECT_EQ(courier.MessageCount, 1);
  courier.QuitExecute();
  EXPECT_TRUE(StoredCountBecomes(server, 1));
}

TEST_F(CourierFixture, AttachmentsOfAForwardedMessageAreFiledAsTheOuterMessages) {
  if (!DovecotServer::Available())
    GTEST_SKIP() << "dovecot is not installed";
  const char *date = "Tue, 01 Dec 2026 10:00:00 +0000";
  const std::string inner = Message("bank@bank.example", "Statement", date, {{"statement.pdf", "%PDF"}});
  const std::string outer =
      "From: Boss <boss@office.example>\r\nSubject: Fwd: Statement\r\nDate: " + std::string(date) +
      "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"out\"\r\n\r\n"
      "--out\r\nContent-Type: text/plain\r\n\r\nSee the forwarded mail.\r\n"
      "--out\r\nContent-Type: message/rfc822; name=\"fwd.eml\"\r\n"
      "Content-Disposition: attachment; filename=\"fwd.eml\"\r\n\r\n" +
      inner + "--out--\r\n";
  DovecotServer server({outer});
  base.Rules({{"", "", base.Target("Docs"), 0}});
  Account(server.Port());
  ASSERT_TRUE(courier.CheckMailExecute());
  EXPECT_EQ(base.Files(base.Target("Docs")), (std::vector<std::string>{"fwd.eml", "statement.pdf"}));
  data.Table1.Open();
  data.Table1.First();
  ASSERT_EQ(data.Table1.RecordCount(), 2);
  for (; !data.Table1.Eof(); data.Table1.Next()) {
    EXPECT_EQ(data.Table1.Current().FFrom, "boss@office.example");
    EXPECT_EQ(data.Table1.Current().FTema, "Fwd: Statement");
  }
}

} // namespace
