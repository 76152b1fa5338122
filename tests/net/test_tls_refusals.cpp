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

#include <functional>
#include <gtest/gtest.h>

namespace {
using Lines = std::vector<std::string>;

// Runs connect, expects EIdTLSError with `fragment` (UTF-8) in its text, and
// returns what the client sent.
Lines ExpectTLSFailure(ScriptedPeer &peer, const std::function<void()> &connect, const char *fragment) {
  peer.Start();
  try {
    connect();
    ADD_FAILURE() << "connected";
  } catch (const EIdTLSError &e) {
    EXPECT_NE(e.Message().find(mv::Utf8ToWin1251(fragment)), std::string::npos)
        << mv::Win1251ToUtf8(e.Message());
  }
  return peer.Transcript();
}

bool SentCredentials(const Lines &transcript) {
  for (const std::string &line : transcript)
    if (line.rfind("USER", 0) == 0 || line.rfind("PASS", 0) == 0 || line.rfind("AUTH", 0) == 0 ||
        line.find("secret") != std::string::npos)
      return true;
  return false;
}

void Configure(TIdTCPClient &client, const ScriptedPeer &peer, TIdTLSOptions::TMode mode) {
  client.Host = "127.0.0.1";
  client.Port = peer.Port();
  client.TLS.Mode = mode;
}
} // namespace

TEST(TLSRefusals, Pop3ServerWithoutStlsGetsNoPassword) {
  const struct {
    const char *name;
    std::function<void(ScriptedPeer &)> script;
    const char *fragment;
  } cases[] = {
      {"STLS refused", [](ScriptedPeer &p) { p.Line("+OK ready").Reply("-ERR not here"); },
       "отказался перейти на защищённое соединение (STLS): not here"},
      {"garbage after +OK", [](ScriptedPeer &p) { p.Line("+OK ready").Reply("+OK go").Line("+OK hello"); },
       "не по протоколу TLS"},
      {"closed after +OK", [](ScriptedPeer &p) { p.Line("+OK ready").Reply("+OK go").Close(); },
       "сервер закрыл соединение"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer;
    c.script(peer);
    TIdPOP3 pop;
    Configure(pop, peer, TIdTLSOptions::tlsStartTLS);
    pop.Username = "test";
    pop.Password = "secret";
    const Lines sent = ExpectTLSFailure(
        peer, [&] { pop.Connect(); }, c.fragment);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), "STLS");
    EXPECT_FALSE(SentCredentials(sent));
    EXPECT_FALSE(pop.IsConnected());
  }
}

TEST(TLSRefusals, SmtpServerWithoutStartTlsGetsNoCredentials) {
  const struct {
    const char *name;
    std::function<void(ScriptedPeer &)> script;
    const char *fragment;
  } cases[] = {
      {"not offered", [](ScriptedPeer &p) { p.Line("220 mx").Reply("250-mx\r\n250 AUTH PLAIN LOGIN"); },
       "не предлагает защищённое соединение (STARTTLS)"},
      {"EHLO refused, HELO", [](ScriptedPeer &p) { p.Line("220 mx").Reply("502 no").Reply("250 mx"); },
       "не предлагает защищённое соединение (STARTTLS)"},
      {"refused",
       [](ScriptedPeer &p) { p.Line("220 mx").Reply("250-mx\r\n250 STARTTLS").Reply("454 not now"); },
       "отказался перейти на защищённое соединение (STARTTLS): not now"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer;
    c.script(peer);
    TIdSMTP smtp;
    Configure(smtp, peer, TIdTLSOptions::tlsStartTLS);
    smtp.HeloName = "desk";
    smtp.Username = "test";
    smtp.Password = "secret";
    smtp.SetAuthenticationType(atPlain);
    const Lines sent = ExpectTLSFailure(
        peer, [&] { smtp.Connect(); }, c.fragment);
    EXPECT_FALSE(SentCredentials(sent));
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "MAIL FROM:<>"), 0);
    EXPECT_FALSE(smtp.IsConnected());
  }
}

TEST(TLSRefusals, ImplicitTlsToAPeerThatIsNoTlsServer) {
  const struct {
    const char *name;
    std::function<void(ScriptedPeer &)> script;
    int timeout;
    const char *fragment;
  } cases[] = {
      {"plain greeting", [](ScriptedPeer &p) { p.Line("+OK plain POP3 server ready"); }, -1,
       "не по протоколу TLS"},
      {"closes at once", [](ScriptedPeer &p) { p.Close(); }, -1, "сервер закрыл соединение"},
      {"resets at once", [](ScriptedPeer &p) { p.Reset(); }, -1, "Не удалось установить защищённое"},
      {"stays silent", [](ScriptedPeer &) {}, 300, "сервер не ответил вовремя"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedPeer peer;
    c.script(peer);
    TIdPOP3 pop;
    Configure(pop, peer, TIdTLSOptions::tlsImplicit);
    pop.Password = "secret";
    const Lines sent = ExpectTLSFailure(
        peer, [&] { pop.Connect(c.timeout); }, c.fragment);
    EXPECT_FALSE(SentCredentials(sent));
    EXPECT_FALSE(pop.IsConnected());
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
