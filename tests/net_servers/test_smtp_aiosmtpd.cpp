// The SMTP client against a real SMTP server (aiosmtpd) on 127.0.0.1: the
// envelope reaches every recipient once, body and attachment arrive intact,
// AUTH LOGIN succeeds with the right password and fails with a wrong one.
#include "RealServers.h"
#include "mime/IdMessage.h"
#include "mime/IdStream.h"
#include "net/IdExceptions.h"
#include "net/IdSMTP.h"
#include "tests/support/ExpectError.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sstream>

using mvtest::ExpectError;

namespace {
using Lines = std::vector<std::string>;

class SmtpTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!SmtpServer::Available())
      GTEST_SKIP() << "python3-aiosmtpd is not installed";
  }
  void Start(bool authRequired) { FServer = std::make_unique<SmtpServer>(authRequired); }
  void Dial(TIdSMTP &smtp) {
    smtp.Host = "127.0.0.1";
    smtp.Port = FServer->Port();
    smtp.Connect();
  }
  std::string WriteAttachment(const std::string &name, std::size_t size) {
    std::mt19937 generator(7);
    FAttachmentBytes.assign(size, '\0');
    for (char &c : FAttachmentBytes)
      c = static_cast<char>(generator());
    const std::string path = FTempDir.Utf8Path() + name;
    std::ofstream(path, std::ios::binary) << FAttachmentBytes;
    return path;
  }
  mvtest::ScratchDir FTempDir;
  std::string FAttachmentBytes;
  std::unique_ptr<SmtpServer> FServer;
};

// Fills the message the way the message editor does.
void Compose(TIdMessage &message, const std::string &to, const std::string &cc, const std::string &bcc) {
  message.ContentType = "text/plain";
  message.Body = {"Dear colleague,", ".", "..two", "\xCF\xF0\xE8\xE2\xE5\xF2", "end"};
  message.From.SetText("Desk <desk@example.org>");
  message.ReplyTo.SetAddressesText("desk@example.org");
  message.Recipients.SetAddressesText(to);
  message.CCList.SetAddressesText(cc);
  message.BccList.SetAddressesText(bcc);
  message.Subject = "documents";
  message.Priority = mpNormal;
}

std::string DotStuffed(const std::string &content) {
  std::string stuffed;
  bool lineStart = true;
  for (char c : content) {
    if (lineStart && c == '.')
      stuffed += '.';
    stuffed += c;
    lineStart = c == '\n';
  }
  return stuffed;
}
} // namespace

TEST_F(SmtpTest, EveryRecipientGetsTheMessageOnceWithBodyAndAttachmentIntact) {
  Start(false);
  TIdMessage message;
  Compose(message, "one@example.org, Two <two@example.org>", "cc@example.org", "hidden@example.org");
  message.Parts.AddAttachment(WriteAttachment("report.bin", 200 * 1024));
  TIdSMTP smtp;
  Dial(smtp);
  smtp.SendMessage(message);
  smtp.Disconnect();

  const std::vector<SmtpServer::Received> received = FServer->Messages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].MailFrom, "desk@example.org");
  Lines recipients = received[0].RcptTos;
  EXPECT_EQ(recipients,
            (Lines{"one@example.org", "two@example.org", "cc@example.org", "hidden@example.org"}));
  EXPECT_EQ(received[0].Content.find("hidden@example.org"), std::string::npos); // BCC stays out of the text

  // The server stores the DATA after removing the dot-stuffing; the message
  // reader takes the transfer form, so stuff it again.
  TIdMemoryStream stream(DotStuffed(received[0].Content));
  TIdMessage arrived;
  arrived.ReadFromStream(stream);
  EXPECT_EQ(arrived.Subject, "documents");
  EXPECT_EQ(arrived.Recipients.Count(), 2);
  EXPECT_EQ(arrived.CCList.Count(), 1);
  const TIdText *text = nullptr;
  const TIdAttachment *attachment = nullptr;
  for (int i = 0; i < arrived.Parts.Count(); ++i) {
    if (!text)
      text = dynamic_cast<const TIdText *>(&arrived.Parts[i]);
    if (!attachment)
      attachment = dynamic_cast<const TIdAttachment *>(&arrived.Parts[i]);
  }
  ASSERT_NE(text, nullptr);
  ASSERT_NE(attachment, nullptr);
  ASSERT_GE(text->Body.size(), message.Body.size());
  EXPECT_EQ(Lines(text->Body.begin(), text->Body.begin() + static_cast<long>(message.Body.size())),
            Lines(message.Body.begin(), message.Body.end()));
  EXPECT_EQ(attachment->FileName, "report.bin");
  EXPECT_TRUE(mvtest::ReadBytes(attachment->StoredPath) == FAttachmentBytes);
}

TEST_F(SmtpTest, AuthLoginWithTheRightPasswordIsAccepted) {
  Start(true);
  TIdMessage message;
  Compose(message, "one@example.org", "", "");
  TIdSMTP smtp;
  smtp.SetAuthenticationType(atLogin);
  smtp.Username = "test";
  smtp.Password = "secret";
  Dial(smtp);
  EXPECT_NE(std::find(smtp.AuthSchemesSupported().begin(), smtp.AuthSchemesSupported().end(), "LOGIN"),
            smtp.AuthSchemesSupported().end());
  smtp.SendMessage(message);
  EXPECT_TRUE(smtp.DidAuthenticate());
  smtp.Disconnect();
  const std::vector<SmtpServer::Received> received = FServer->Messages();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].AuthUser, "test");
}

TEST_F(SmtpTest, AuthLoginWithAWrongPasswordIsRefused) {
  Start(true);
  TIdMessage message;
  Compose(message, "one@example.org", "", "");
  TIdSMTP smtp;
  smtp.SetAuthenticationType(atLogin);
  smtp.Username = "test";
  smtp.Password = "wrong";
  Dial(smtp);
  ExpectError<EIdProtocolReplyError>(
      [&] { smtp.SendMessage(message); }, "5.7.8 Authentication credentials invalid\r\n",
      [&](const EIdProtocolReplyError &e) { EXPECT_EQ(e.ReplyErrorCode(), 535); });
  smtp.Disconnect();
  EXPECT_TRUE(FServer->Messages().empty());
}

TEST_F(SmtpTest, WithoutLogInAServerThatRequiresItRefusesTheSender) {
  Start(true);
  TIdMessage message;
  Compose(message, "one@example.org", "", "");
  TIdSMTP smtp;
  Dial(smtp);
  ExpectError<EIdProtocolReplyError>(
      [&] { smtp.SendMessage(message); },
      [](const EIdProtocolReplyError &e) { EXPECT_EQ(e.ReplyErrorCode(), 530); });
  smtp.Disconnect();
  EXPECT_TRUE(FServer->Messages().empty());
}
