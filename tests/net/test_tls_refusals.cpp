// Secure connections that cannot be made, against scripted peers: a server
// that refuses or does not offer the switch to TLS, one that is no TLS
// server, closes during the handshake or stays silent. Each fails with a
// clear error, and the credentials never go out.
#include "FakeChannel.h"
#include "ScriptedPeer.h"
#include "net/IdExceptions.h"
#include "net/IdPOP3.h"
#include "net/IdSMTP.h"
#include "platform/CodePage.h"
#include "tests/support/ExpectError.h"

#include <functional>
#include <gtest/gtest.h>

namespace {
using Lines = std::vector<std::string>;

// Runs connect, expects EIdTLSError with `fragment` (UTF-8) in its text, and
// returns what the client sent.
Lines ExpectTLSFailure(ScriptedPeer &peer, const std::function<void()> &connect, const char *fragment) {
  peer.Start();
  mvtest::ExpectError<EIdTLSError>(connect, [&](const EIdTLSError &e) {
    EXPECT_NE(e.Message().find(mv::Utf8ToWin1251(fragment)), std::string::npos)
        << mv::Win1251ToUtf8(e.Message());
  });
  return peer.Transcript();
}

bool SentCredentials(const Lines &transcript) {
  for (const std::string &line : transcript)
    if (line.rfind("USER", 0) == 0 || line.rfind("PASS", 0) == 0 || line.rfind("AUTH", 0) == 0 ||
        line.find("secret") != std::string::npos)
      return true;
  return false;
}

// Dials the peer with a client of the protocol that holds credentials, so
// that whatever it sends before failing can be searched for them.
struct Dialer {
  TIdPOP3 pop;
  TIdSMTP smtp;
  TIdTCPClient &Client(bool isSmtp) { return isSmtp ? static_cast<TIdTCPClient &>(smtp) : pop; }
  Dialer() {
    pop.Username = smtp.Username = "test";
    pop.Password = smtp.Password = "secret";
    smtp.HeloName = "desk";
    smtp.SetAuthenticationType(atPlain);
  }
};

enum Protocol { Pop3, Smtp };
} // namespace

TEST(TLSRefusals, EachFailsClearlyBeforeAnyCredentialGoesOut) {
  using Script = std::function<void(ScriptedPeer &)>;
  const auto stls = TIdTLSOptions::tlsStartTLS;
  const auto implicit = TIdTLSOptions::tlsImplicit;
  const struct {
    const char *name;
    Protocol protocol;
    TIdTLSOptions::TMode mode;
    Script script;
    const char *fragment;
    int timeout = -1;
  } cases[] = {
      {"STLS refused", Pop3, stls, [](ScriptedPeer &p) { p.Line("+OK ready").Reply("-ERR not here"); },
       "отказался перейти на защищённое соединение (STLS): not here"},
      {"garbage after STLS", Pop3, stls,
       [](ScriptedPeer &p) { p.Line("+OK ready").Reply("+OK go").Line("+OK hello"); }, "не по протоколу TLS"},
      {"closed after STLS", Pop3, stls, [](ScriptedPeer &p) { p.Line("+OK ready").Reply("+OK go").Close(); },
       "сервер закрыл соединение"},
      {"STARTTLS not offered", Smtp, stls,
       [](ScriptedPeer &p) { p.Line("220 mx").Reply("250-mx\r\n250 AUTH PLAIN LOGIN"); },
       "не предлагает защищённое соединение (STARTTLS)"},
      {"EHLO refused, HELO", Smtp, stls,
       [](ScriptedPeer &p) { p.Line("220 mx").Reply("502 no").Reply("250 mx"); },
       "не предлагает защищённое соединение (STARTTLS)"},
      {"STARTTLS refused", Smtp, stls,
       [](ScriptedPeer &p) { p.Line("220 mx").Reply("250-mx\r\n250 STARTTLS").Reply("454 not now"); },
       "отказался перейти на защищённое соединение (STARTTLS): not now"},
      {"plain greeting to TLS", Pop3, implicit, [](ScriptedPeer &p) { p.Line("+OK plain server ready"); },
       "не по протоколу TLS"},
      {"closes at once", Smtp, implicit, [](ScriptedPeer &p) { p.Close(); }, "сервер закрыл соединение"},
      // Reset on the client's hello: a reset before that may come while the
      // connect is still being confirmed, and is then a plain socket error.
      {"resets on the hello", Pop3, implicit, [](ScriptedPeer &p) { p.Await().Reset(); },
       "Не удалось установить защищённое"},
      {"stays silent", Pop3, implicit, [](ScriptedPeer &) {}, "сервер не ответил вовремя", 300},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer;
    c.script(peer);
    Dialer dialer;
    TIdTCPClient &client = dialer.Client(c.protocol == Smtp);
    client.Host = "127.0.0.1";
    client.Port = peer.Port();
    client.TLS.Mode = c.mode;
    const Lines sent = ExpectTLSFailure(
        peer, [&] { client.Connect(c.timeout); }, c.fragment);
    EXPECT_FALSE(SentCredentials(sent));
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "MAIL FROM:<>"), 0);
    EXPECT_FALSE(client.IsConnected());
    if (c.protocol == Pop3 && c.mode == stls) {
      ASSERT_FALSE(sent.empty());
      EXPECT_EQ(sent.front(), "STLS");
    }
  }
}

TEST(TLSRefusals, TlsNeedsASocketChannel) {
  FakeChannel channel;
  channel.Incoming = {"+OK ready\r\n"};
  TIdPOP3 pop;
  pop.SetIOHandler(&channel);
  pop.TLS.Mode = TIdTLSOptions::tlsImplicit;
  EXPECT_THROW(pop.Connect(), EIdTLSError);
  EXPECT_TRUE(channel.Sent.empty());
}
