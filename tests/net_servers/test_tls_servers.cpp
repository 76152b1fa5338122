// Secure connections to real servers on 127.0.0.1 with a CA and a server
// certificate made at test time: dovecot with POP3S and STLS, aiosmtpd with
// STARTTLS (AUTH only after it) and with TLS from the first byte. Each case
// is judged by what the server kept or the error the client raised.
#include "RealServers.h"
#include "mime/IdMessage.h"
#include "net/IdExceptions.h"
#include "net/IdPOP3.h"
#include "net/IdSMTP.h"
#include "platform/CodePage.h"
#include "tests/support/ExpectError.h"

#include <cctype>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {
const std::string kMessage = "From: sender@example.org\r\nTo: test@example.org\r\nSubject: over tls\r\n\r\n"
                             "line one\r\n..dotted\r\n";

// What a case expects: the connect works (empty), or fails with this text (UTF-8).
struct Outcome {
  const char *failure = nullptr;
};

void ExpectOutcome(const std::function<void()> &run, const Outcome &want, const std::string &fingerprint) {
  if (!want.failure) {
    run();
    return;
  }
  mvtest::ExpectError<EIdTLSError>(run, [&](const EIdTLSError &e) {
    const std::string text = mv::Win1251ToUtf8(e.Message());
    EXPECT_NE(text.find(want.failure), std::string::npos) << text;
    // A rejected certificate names the fingerprint the server showed.
    if (text.find("Отпечаток SHA-256") != std::string::npos) {
      EXPECT_NE(text.find(fingerprint), std::string::npos) << text;
    }
  });
}

class TLSServers : public ::testing::Test {
protected:
  void SetUp() override {
    if (!TestCertificates::Available())
      GTEST_SKIP() << "openssl is not installed";
    FCertificates = std::make_unique<TestCertificates>();
  }
  std::unique_ptr<TestCertificates> FCertificates;
};
} // namespace

TEST_F(TLSServers, DovecotOverPop3sAndStls) {
  if (!DovecotServer::Available())
    GTEST_SKIP() << "dovecot is not installed";
  DovecotServer server({kMessage}, *FCertificates);
  const std::string &ca = FCertificates->CAFile;
  const std::string &pin = FCertificates->Fingerprint;
  std::string lowerPin = pin;
  for (char &c : lowerPin)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string wrongPin = pin;
  wrongPin[0] = wrongPin[0] == 'A' ? 'B' : 'A';
  const struct {
    const char *name;
    TIdTLSOptions::TMode mode;
    const char *host;
    std::string caFile, fingerprint;
    Outcome want;
  } cases[] = {
      {"POP3S with the CA", TIdTLSOptions::tlsImplicit, "localhost", ca, "", {}},
      {"STLS with the CA", TIdTLSOptions::tlsStartTLS, "localhost", ca, "", {}},
      {"no CA", TIdTLSOptions::tlsImplicit, "localhost", "", "", {"неизвестным издателем"}},
      {"STLS, no CA", TIdTLSOptions::tlsStartTLS, "localhost", "", "", {"неизвестным издателем"}},
      {"name not in the certificate",
       TIdTLSOptions::tlsImplicit,
       "127.0.0.1",
       ca,
       "",
       {"не на имя 127.0.0.1"}},
      {"pinned, no CA, any name", TIdTLSOptions::tlsImplicit, "127.0.0.1", "", pin, {}},
      {"pinned in lower case", TIdTLSOptions::tlsStartTLS, "127.0.0.1", "", lowerPin, {}},
      {"wrong pin beats a good chain",
       TIdTLSOptions::tlsImplicit,
       "localhost",
       ca,
       wrongPin,
       {"не совпадает с заданным"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TIdPOP3 pop;
    pop.Host = c.host;
    pop.Port = c.mode == TIdTLSOptions::tlsImplicit ? server.TLSPort() : server.Port();
    pop.Username = DovecotServer::User;
    pop.Password = DovecotServer::Password;
    pop.TLS.Mode = c.mode;
    pop.TLS.CAFile = c.caFile;
    pop.TLS.Fingerprint = c.fingerprint;
    ExpectOutcome(
        [&] {
          pop.Connect();
          EXPECT_TRUE(pop.Encrypted());
          ASSERT_EQ(pop.CountMessages(), 1);
          TIdMessage message;
          ASSERT_TRUE(pop.RetrieveMessage(1, message));
          EXPECT_EQ(message.Subject, "over tls");
          EXPECT_EQ(message.Body, (TIdLines{"line one", "..dotted"}));
          pop.Disconnect();
        },
        c.want, pin);
    EXPECT_FALSE(pop.IsConnected());
  }
}

TEST_F(TLSServers, AiosmtpdWithStartTlsAndImplicitTls) {
  if (!SmtpServer::Available())
    GTEST_SKIP() << "python3-aiosmtpd is not installed";
  SmtpServer starttls(true, *FCertificates, SmtpServer::StartTLS);
  SmtpServer implicit(true, *FCertificates, SmtpServer::ImplicitTLS);
  const struct {
    const char *name;
    SmtpServer *server;
    TIdTLSOptions::TMode mode;
    TAuthenticationType auth;
    bool withCA;
    Outcome want;
  } cases[] = {
      {"STARTTLS, AUTH LOGIN", &starttls, TIdTLSOptions::tlsStartTLS, atLogin, true, {}},
      {"STARTTLS, AUTH PLAIN", &starttls, TIdTLSOptions::tlsStartTLS, atPlain, true, {}},
      {"implicit, AUTH PLAIN", &implicit, TIdTLSOptions::tlsImplicit, atPlain, true, {}},
      {"implicit, AUTH LOGIN", &implicit, TIdTLSOptions::tlsImplicit, atLogin, true, {}},
      {"STARTTLS, no CA", &starttls, TIdTLSOptions::tlsStartTLS, atLogin, false, {"неизвестным издателем"}},
  };
  std::size_t delivered[2] = {0, 0};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TIdSMTP smtp;
    smtp.Host = "localhost";
    smtp.Port = c.server->Port();
    smtp.HeloName = "desk";
    smtp.Username = "test";
    smtp.Password = "secret";
    smtp.SetAuthenticationType(c.auth);
    smtp.TLS.Mode = c.mode;
    smtp.TLS.CAFile = c.withCA ? FCertificates->CAFile : "";
    TIdMessage message;
    message.From.Address = "desk@example.org";
    message.Recipients.SetAddressesText("boss@example.org");
    message.Subject = c.name;
    message.Body = {"sent over TLS"};
    ExpectOutcome(
        [&] {
          smtp.Connect();
          EXPECT_TRUE(smtp.Encrypted());
          smtp.SendMessage(message);
          smtp.Disconnect();
        },
        c.want, FCertificates->Fingerprint);
    const std::vector<SmtpServer::Received> kept = c.server->Messages();
    std::size_t &count = delivered[c.server == &implicit];
    if (c.want.failure) {
      EXPECT_EQ(kept.size(), count);
      continue;
    }
    ASSERT_EQ(kept.size(), count + 1);
    ++count;
    EXPECT_EQ(kept.back().AuthUser, "test");
    EXPECT_EQ(kept.back().RcptTos, (std::vector<std::string>{"boss@example.org"}));
    EXPECT_NE(kept.back().Content.find("sent over TLS"), std::string::npos);
  }
}

TEST_F(TLSServers, AServerOfferingOnlyObsoleteProtocolsIsRefused) {
  if (access("/usr/bin/python3", X_OK) != 0)
    GTEST_SKIP() << "python3 is not installed";
  LegacyTLSServer server(*FCertificates);
  for (const char *pin : {"", FCertificates->Fingerprint.c_str()}) { // a pin does not lower the bar
    SCOPED_TRACE(pin);
    TIdPOP3 pop;
    pop.Host = "localhost";
    pop.Port = server.Port();
    pop.Password = "secret";
    pop.TLS.Mode = TIdTLSOptions::tlsImplicit;
    pop.TLS.CAFile = FCertificates->CAFile;
    pop.TLS.Fingerprint = pin;
    ExpectOutcome([&] { pop.Connect(); }, {"только устаревшие версии протокола"}, FCertificates->Fingerprint);
    EXPECT_FALSE(pop.IsConnected());
  }
}
