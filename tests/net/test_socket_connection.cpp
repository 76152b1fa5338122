// The connection over real sockets on 127.0.0.1 against a scripted peer:
// connecting, host forms, peers that close or never answer, socket errors.
#include "PumpCounter.h"
#include "ScriptedPeer.h"
#include "net/IdExceptions.h"
#include "net/IdIOHandlerSocket.h"
#include "net/IdStack.h"
#include "net/IdTCPClient.h"
#include "tests/support/ExpectError.h"

#include <arpa/inet.h>
#include <cerrno>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using mvtest::ExpectError;

namespace {
void Dial(TIdTCPClient &client, const std::string &host, int port, int timeout = IdTimeoutDefault) {
  client.Host = host;
  client.Port = port;
  client.Connect(timeout);
}

int SocketOption(int fd, int level, int name) {
  int value = -1;
  socklen_t length = sizeof value;
  getsockopt(fd, level, name, &value, &length);
  return value;
}

// A listener whose accept queue is full, so a further connect is never answered.
class SaturatedListener {
public:
  SaturatedListener() {
    FListener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(FListener, reinterpret_cast<sockaddr *>(&address), sizeof address);
    listen(FListener, 0);
    socklen_t length = sizeof address;
    getsockname(FListener, reinterpret_cast<sockaddr *>(&address), &length);
    Port = ntohs(address.sin_port);
    for (int &fd : FFillers) {
      fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
      connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    }
    usleep(100 * 1000); // let the handshakes of the fillers settle
  }
  ~SaturatedListener() {
    for (int fd : FFillers)
      close(fd);
    close(FListener);
  }
  int Port = 0;

private:
  int FListener = -1;
  int FFillers[4] = {};
};
} // namespace

TEST(SocketConnection, LowerCaseLocalhostConnectsAndALineBeforeTheCloseIsRead) {
  ScriptedPeer peer;
  peer.Line("+OK hello").Close().Start();
  TIdTCPClient client;
  Dial(client, "localhost", peer.Port());
  auto *socket = dynamic_cast<TIdIOHandlerSocket *>(client.IOHandler());
  ASSERT_NE(socket, nullptr);
  EXPECT_EQ(socket->Binding()->PeerIP, "127.0.0.1");
  EXPECT_EQ(client.ReadLine(), "+OK hello");
  EXPECT_THROW(client.ReadLine(), EIdConnClosedGracefully);
  EXPECT_FALSE(client.IsConnected());
  client.Disconnect();
  EXPECT_EQ(client.IOHandler(), nullptr);
}

TEST(SocketConnection, PeerClosingMidLineRaisesAndKeepsThePartialLine) {
  ScriptedPeer peer;
  peer.Send("no line feed").Close().Start();
  TIdTCPClient client;
  Dial(client, "127.0.0.1", peer.Port());
  ExpectError<EIdConnClosedGracefully>([&] { client.ReadLine(); }, "Connection Closed Gracefully.");
  EXPECT_EQ(std::string(client.InputBuffer().Data(), client.InputBuffer().Size()), "no line feed");
}

TEST(SocketConnection, ShortIPv4FormsConnect) {
  ScriptedPeer peer;
  peer.Line("x").Start();
  TIdTCPClient client;
  Dial(client, "127.1", peer.Port());
  EXPECT_EQ(client.ReadLine(), "x");
  client.WriteLine("bye");
  client.Disconnect();
  EXPECT_EQ(peer.Transcript(), std::vector<std::string>{"bye"});
}

TEST(SocketConnection, SecondConnectRaisesAlreadyConnectedAndLeavesTheConnection) {
  ScriptedPeer peer;
  peer.Read().Line("still here").Start();
  TIdTCPClient client;
  Dial(client, "127.0.0.1", peer.Port());
  ExpectError<EIdAlreadyConnected>([&] { client.Connect(); }, "Already connected.");
  EXPECT_TRUE(client.IsConnected());
  client.WriteLine("ping");
  EXPECT_EQ(client.ReadLine(), "still here");
  client.Disconnect();
}

TEST(SocketConnection, RefusedConnectRaisesTheTableTextAndAllowsANewConnect) {
  TIdTCPClient client;
  ExpectError<EIdSocketError>([&] { Dial(client, "127.0.0.1", UnusedPort()); },
                              "Socket Error # 10061\r\nConnection refused.",
                              [&](const EIdSocketError &e) { EXPECT_EQ(e.LastError(), 10061); });
  EXPECT_FALSE(client.IsConnected());
  ScriptedPeer peer;
  peer.Line("second try").Start();
  Dial(client, "127.0.0.1", peer.Port());
  EXPECT_EQ(client.ReadLine(), "second try");
  client.Disconnect();
}

TEST(SocketConnection, UnknownHostRaisesHostNotFound) {
  TIdTCPClient client;
  ExpectError<EIdSocketError>([&] { Dial(client, "", 110); }, "Socket Error # 11001\r\nHost not found.",
                              [&](const EIdSocketError &e) { EXPECT_EQ(e.LastError(), 11001); });
}

TEST(SocketConnection, UnansweredConnectTimesOutWhilePumping) {
  SaturatedListener listener;
  PumpCounter pump;
  TIdTCPClient client;
  ExpectError<EIdConnectTimeout>([&] { Dial(client, "127.0.0.1", listener.Port, 600); },
                                 "Connect timed out.");
  EXPECT_GE(pump.Calls, 2); // slices of 125 ms within 600 ms
  EXPECT_FALSE(client.IsConnected());
}

TEST(SocketConnection, ServerThatNeverAnswersKeepsTheReadWaitingAndPumping) {
  ScriptedPeer peer;
  peer.Start();
  PumpCounter pump(20);
  TIdTCPClient client;
  Dial(client, "127.0.0.1", peer.Port());
  // A finite ReadTimeout shows the wait pumps; the default waits until a
  // window event (here the fifth pump call) closes the connection.
  client.ReadTimeout = 100;
  EXPECT_THROW(client.ReadLine(), EIdReadTimeout);
  EXPECT_GE(pump.Calls, 1);
  client.ReadTimeout = 0;
  pump.Calls = 0;
  pump.OnPump = [&client](int calls) {
    if (calls == 5)
      client.Disconnect();
  };
  EXPECT_THROW(client.ReadLine(), EIdConnClosedGracefully);
  EXPECT_EQ(pump.Calls, 5);
  EXPECT_FALSE(client.IsConnected());
}

TEST(SocketConnection, KeepAliveProbesADeadLinkAfterAMinute) {
  ScriptedPeer peer;
  peer.Start();
  TIdTCPClient client;
  Dial(client, "127.0.0.1", peer.Port());
  const int fd = dynamic_cast<TIdIOHandlerSocket *>(client.IOHandler())->Binding()->Handle();
  EXPECT_EQ(SocketOption(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
  EXPECT_EQ(SocketOption(fd, IPPROTO_TCP, TCP_KEEPIDLE), 60);
  EXPECT_EQ(SocketOption(fd, IPPROTO_TCP, TCP_KEEPINTVL), 10);
  EXPECT_EQ(SocketOption(fd, IPPROTO_TCP, TCP_KEEPCNT), 6);
  EXPECT_EQ(SocketOption(fd, IPPROTO_TCP, TCP_NODELAY), 0);
  client.Disconnect();
}

TEST(SocketConnection, WritingToAResetPeerRaisesASocketErrorInsteadOfASignal) {
  ScriptedPeer peer;
  peer.Read().Reset().Start();
  TIdTCPClient client;
  Dial(client, "127.0.0.1", peer.Port());
  client.WriteLine("first");
  peer.Transcript(); // the peer has reset by now
  ExpectError<EIdSocketError>(
      [&] {
        for (int i = 0; i < 100; ++i)
          client.WriteLine("more");
      },
      [](const EIdSocketError &e) {
        EXPECT_TRUE(e.LastError() == 10054 || e.LastError() == 10058) << e.LastError();
      });
  EXPECT_FALSE(client.IsConnected());
}

TEST(SocketConnection, BindFailuresHaveTheirTexts) {
  TIdTCPClient client;
  client.BoundIP = "not-an-address";
  ExpectError<EIdInvalidIPAddress>([&] { Dial(client, "127.0.0.1", UnusedPort()); },
                                   "not-an-address is not a valid IP address.");
  ScriptedPeer busy;
  TIdTCPClient other;
  other.BoundIP = "127.0.0.1";
  other.BoundPort = busy.Port();
  ExpectError<EIdCouldNotBindSocket>([&] { Dial(other, "127.0.0.1", UnusedPort()); },
                                     "Could not bind socket. Address and port are already in use.");
  busy.Close().Start();
  TIdTCPClient closer; // lets the idle peer's accept end
  Dial(closer, "127.0.0.1", busy.Port());
  closer.Disconnect();
}

TEST(SocketStack, IPv4LiteralForms) {
  std::uint32_t address = 0;
  EXPECT_TRUE(TIdStack::ParseIPv4Literal("10.1.2.3", address));
  EXPECT_EQ(address, 0x0A010203u);
  EXPECT_TRUE(TIdStack::ParseIPv4Literal("10.1.65535", address));
  EXPECT_EQ(address, 0x0A01FFFFu);
  EXPECT_TRUE(TIdStack::ParseIPv4Literal("127.16777215", address));
  EXPECT_EQ(address, 0x7FFFFFFFu);
  EXPECT_TRUE(TIdStack::ParseIPv4Literal("4294967295", address));
  EXPECT_EQ(address, 0xFFFFFFFFu);
  for (const char *bad : {"256.1.1.1", "1.2.65536", "1.16777216", "4294967296", "1.2.3.4.5", "1..2", "1.2.",
                          "", "a.b.c.d", "1.2.3.-4", " 1.2.3.4", "0x7f.1"})
    EXPECT_FALSE(TIdStack::ParseIPv4Literal(bad, address)) << bad;
  TIdTCPClient holder; // keeps GStack alive
  EXPECT_EQ(GStack->ResolveHost("LocalHost"), "127.0.0.1");
  EXPECT_EQ(GStack->ResolveHost("127.1"), "127.1");
}

TEST(SocketStack, LinuxErrorsMapToTheTableNumbers) {
  EXPECT_EQ(TIdStack::TranslateErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(TIdStack::TranslateErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(TIdStack::TranslateErrno(ECONNRESET), 10054);
  EXPECT_EQ(TIdStack::TranslateErrno(EPIPE), 10058);
  EXPECT_EQ(TIdStack::TranslateErrno(ECONNABORTED), 10053);
  EXPECT_EQ(TIdStack::TranslateErrno(EHOSTUNREACH), 10065);
  EXPECT_EQ(TIdStack::TranslateErrno(EADDRINUSE), 10048);
  EXPECT_EQ(mv::SocketErrorMessage(10035), "Socket Error # 10035\r\nOperation would block. ");
  EXPECT_EQ(mv::SocketErrorText(11002), "");
}

TEST(NetComponents, TheSharedStackLivesWhileComponentsDo) {
  EXPECT_EQ(GStack, nullptr);
  {
    TIdTCPClient one;
    TIdTCPClient two;
    EXPECT_NE(GStack, nullptr);
    EXPECT_EQ(TIdComponent::InstanceCount(), 2);
  }
  EXPECT_EQ(GStack, nullptr);
}
