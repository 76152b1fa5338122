// The POP3 client against a real dovecot on 127.0.0.1: log-in, counts and
// sizes, headers, whole messages (a dot-led body line, a 10 MB message),
// deletion committed or undone, a refused password.
#include "RealServers.h"
#include "mime/IdMessage.h"
#include "net/IdExceptions.h"
#include "net/IdPOP3.h"
#include "tests/support/Base64Lines.h"
#include "tests/support/ExpectError.h"
#include "tests/support/Files.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

using mvtest::ExpectError;

namespace {
using Lines = std::vector<std::string>;

using mvtest::Base64Lines;
using mvtest::ReadBytes;

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char &c : bytes)
    c = static_cast<char>(generator());
  return bytes;
}

const std::string kPlain = "From: Sender <sender@example.org>\r\n"
                           "To: test@example.org\r\n"
                           "Subject: first\r\n"
                           "Date: Tue, 08 Dec 2026 10:00:00 +0000\r\n"
                           "\r\n"
                           "Hello\r\n"
                           ".hidden line\r\n"
                           "..two dots\r\n"
                           "bye\r\n";

std::string WithAttachment(const std::string &subject, const std::string &name, const std::string &bytes) {
  return "From: sender@example.org\r\n"
         "To: test@example.org\r\n"
         "Subject: " +
         subject +
         "\r\n"
         "MIME-Version: 1.0\r\n"
         "Content-Type: multipart/mixed; boundary=\"XyZ\"\r\n"
         "\r\n"
         "This is a multi-part message in MIME format\r\n"
         "--XyZ\r\n"
         "Content-Type: text/plain; charset=us-ascii\r\n"
         "\r\n"
         "See the file.\r\n"
         "--XyZ\r\n"
         "Content-Type: application/octet-stream; name=\"" +
         name +
         "\"\r\n"
         "Content-Transfer-Encoding: base64\r\n"
         "Content-Disposition: attachment; filename=\"" +
         name + "\"\r\n\r\n" + Base64Lines(bytes) + "--XyZ--\r\n";
}

const TIdAttachment *FirstAttachment(const TIdMessage &message) {
  for (int i = 0; i < message.Parts.Count(); ++i)
    if (auto *attachment = dynamic_cast<const TIdAttachment *>(&message.Parts[i]))
      return attachment;
  return nullptr;
}

class DovecotTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!DovecotServer::Available())
      GTEST_SKIP() << "dovecot is not installed";
  }
  void Start(const std::vector<std::string> &messages) {
    FServer = std::make_unique<DovecotServer>(messages);
  }
  void Login(TIdPOP3 &pop, const std::string &password = DovecotServer::Password) {
    pop.Host = "127.0.0.1";
    pop.Port = FServer->Port();
    pop.Username = DovecotServer::User;
    pop.Password = password;
    pop.Connect();
  }
  // Deletions are committed while dovecot handles the QUIT, after the client
  // has gone: wait for the stored count to settle on the expected value.
  bool StoredCountBecomes(int expected) {
    for (int i = 0; i < 200; ++i) {
      if (FServer->StoredMessageCount() == expected)
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  std::unique_ptr<DovecotServer> FServer;
};
} // namespace

TEST_F(DovecotTest, CountsSizesAndHeaders) {
  const std::string attached = WithAttachment("second", "data.bin", RandomBytes(3000, 1));
  Start({kPlain, attached});
  TIdPOP3 pop;
  Login(pop);
  EXPECT_EQ(pop.CountMessages(), 2);
  EXPECT_EQ(pop.MailboxSize(), static_cast<std::int64_t>(kPlain.size() + attached.size()));
  EXPECT_EQ(pop.MessageSize(1), static_cast<int>(kPlain.size()));
  EXPECT_EQ(pop.MessageSize(2), static_cast<int>(attached.size()));
  TIdMessage headers;
  EXPECT_TRUE(pop.RetrieveHeaders(2, headers));
  EXPECT_EQ(headers.Subject, "second");
  EXPECT_EQ(headers.From.Address, "sender@example.org");
  EXPECT_EQ(headers.Parts.Count(), 0);
  EXPECT_EQ(pop.CountMessages(), 2); // still in step after TOP
  pop.Disconnect();
}

TEST_F(DovecotTest, WholeMessagesKeepDotLedLinesAndAttachmentBytes) {
  const std::string bytes = RandomBytes(3000, 2);
  Start({kPlain, WithAttachment("second", "data.bin", bytes)});
  TIdPOP3 pop;
  Login(pop);
  TIdMessage plain;
  ASSERT_TRUE(pop.RetrieveMessage(1, plain));
  EXPECT_EQ(plain.Subject, "first");
  EXPECT_EQ(plain.Body, (TIdLines{"Hello", ".hidden line", "..two dots", "bye"}));
  TIdMessage attached;
  ASSERT_TRUE(pop.RetrieveMessage(2, attached));
  const TIdAttachment *attachment = FirstAttachment(attached);
  ASSERT_NE(attachment, nullptr);
  EXPECT_EQ(attachment->FileName, "data.bin");
  EXPECT_EQ(ReadBytes(attachment->StoredPath), bytes);
  TIdMessage missing;
  EXPECT_FALSE(pop.RetrieveMessage(3, missing)); // "-ERR There's no message 3."
  EXPECT_EQ(pop.CountMessages(), 2);
  pop.Disconnect();
}

TEST_F(DovecotTest, TenMegabyteMessageArrivesIntact) {
  const std::string bytes = RandomBytes(7680 * 1024, 3); // about 10 MB once encoded
  const std::string text = WithAttachment("big", "big.bin", bytes);
  ASSERT_GT(text.size(), 10u * 1000 * 1000);
  Start({text});
  TIdPOP3 pop;
  Login(pop);
  EXPECT_EQ(pop.MessageSize(1), static_cast<int>(text.size()));
  TIdMessage message;
  ASSERT_TRUE(pop.RetrieveMessage(1, message));
  const TIdAttachment *attachment = FirstAttachment(message);
  ASSERT_NE(attachment, nullptr);
  EXPECT_TRUE(ReadBytes(attachment->StoredPath) == bytes);
  pop.Disconnect();
}

TEST_F(DovecotTest, DeleteAndQuitRemovesTheMessage) {
  Start({kPlain, kPlain});
  TIdPOP3 pop;
  Login(pop);
  EXPECT_TRUE(pop.DeleteMessage(1));
  pop.Disconnect();
  EXPECT_TRUE(StoredCountBecomes(1));
  TIdPOP3 again;
  Login(again);
  EXPECT_EQ(again.CountMessages(), 1);
  again.Disconnect();
}

TEST_F(DovecotTest, DeleteResetAndQuitKeepsEveryMessage) {
  Start({kPlain, kPlain});
  TIdPOP3 pop;
  Login(pop);
  EXPECT_TRUE(pop.DeleteMessage(1));
  EXPECT_TRUE(pop.DeleteMessage(2));
  EXPECT_TRUE(pop.ResetDeletions());
  pop.Disconnect();
  // A second session that deletes nothing: once its own QUIT is through,
  // the first session's QUIT has long been handled.
  TIdPOP3 again;
  Login(again);
  EXPECT_EQ(again.CountMessages(), 2);
  again.Disconnect();
  EXPECT_EQ(FServer->StoredMessageCount(), 2);
}

TEST_F(DovecotTest, WrongPasswordRaisesTheServerTextAndDisconnects) {
  Start({kPlain});
  TIdPOP3 pop;
  ExpectError<EIdProtocolReplyError>(
      [&] { Login(pop, "wrong"); }, " [AUTH] Authentication failed.\r\n",
      [&](const EIdProtocolReplyError &e) { EXPECT_EQ(e.ReplyErrorCode(), 2); });
  EXPECT_FALSE(pop.IsConnected());
  Login(pop); // the same client logs in afresh
  EXPECT_EQ(pop.CountMessages(), 1);
  pop.Disconnect();
}
