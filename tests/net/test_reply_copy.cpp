// Copying multi-line replies as blocks, and receiving without a wait after a
// receive that filled the buffer: what arrives, in whatever pieces, is what
// the stream gets; the wait and its time limit still come when nothing is at
// hand.
#include "FakeChannel.h"
#include "PumpCounter.h"
#include "ScriptedPeer.h"
#include "mime/IdStream.h"
#include "net/IdExceptions.h"
#include "net/IdTCPClient.h"

#include <gtest/gtest.h>

namespace {
// A channel that, like a socket, hands over bytes already at hand without a
// wait, and counts the waits.
class ReadyChannel : public FakeChannel {
public:
  int Waits = 0;
  bool WaitReadable(int milliseconds) override {
    ++Waits;
    return FakeChannel::WaitReadable(milliseconds);
  }
  int ReceiveNow(void *buffer, int length) override {
    if (Incoming.empty() && !CloseAtEnd)
      return Id_WOULD_BLOCK;
    return Receive(buffer, length);
  }
};

using Connected = ConnectedOver<ReadyChannel>;

const std::string kNext = "+OK next\r\n";
} // namespace

TEST(CopyReplyLines, CopiesUpToTheEndLineWhereverTheReceivesCut) {
  struct Case {
    std::string reply;  // as the server sends it, end line included
    std::string copied; // what the stream must hold
  };
  const Case cases[] = {
      {".\r\n", ""},
      {"a\r\n..b\r\n.\r\n", "a\r\n..b\r\n"}, // dot-stuffed lines stay stuffed
      {"x\n\n.\n", "x\n\n"},                 // bare line feeds end lines too
      {"a.\r\n.x\r\n..\r\n.\r\n", "a.\r\n.x\r\n..\r\n"},
      {".\r\r\n.\r\n", ".\r\r\n"}, // a CR more: not the end line
      {"\r\n\r\n.\r\n", "\r\n\r\n"},
  };
  for (const Case &c : cases) {
    const std::string bytes = c.reply + kNext;
    for (std::size_t cut = 1; cut < bytes.size(); ++cut) { // a receive never gives 0 bytes
      for (int recvSize : {1, 2, 1024}) {
        SCOPED_TRACE(testing::Message() << "reply " << testing::PrintToString(c.reply) << " cut at " << cut
                                        << ", receives of " << recvSize);
        std::deque<std::string> pieces{bytes.substr(0, cut), bytes.substr(cut)};
        Connected conn(pieces);
        conn.client.RecvBufferSize = recvSize;
        TIdMemoryStream stream;
        EXPECT_EQ(conn.client.CopyReplyLines(stream), static_cast<std::int64_t>(c.copied.size()));
        EXPECT_EQ(stream.DataString(), c.copied);
        EXPECT_EQ(conn.client.ReadLine(), "+OK next");
      }
    }
  }
}

TEST(CopyReplyLines, LinesFarBeyondEveryLineLimitPassWhole) {
  const std::string longLine = std::string(3 << 20, 'y') + "\r\n";
  for (const std::string &copied : {longLine, "..\r\n" + longLine + "z\r\n"}) {
    std::deque<std::string> pieces;
    const std::string bytes = copied + ".\r\n" + kNext;
    for (std::size_t at = 0; at < bytes.size(); at += 700)
      pieces.push_back(bytes.substr(at, 700));
    Connected conn(pieces);
    conn.client.RecvBufferSize = 1024;
    TIdMemoryStream stream;
    EXPECT_EQ(conn.client.CopyReplyLines(stream), static_cast<std::int64_t>(copied.size()));
    EXPECT_TRUE(stream.DataString() == copied);
    EXPECT_EQ(conn.client.ReadLine(), "+OK next");
  }
}

TEST(CopyReplyLines, APeerClosingBeforeTheEndLineRaises) {
  for (const std::string &partial : {std::string("abc\r\n"), std::string("abc\r\n.")}) {
    Connected conn({partial});
    TIdMemoryStream stream;
    EXPECT_THROW(conn.client.CopyReplyLines(stream), EIdConnClosedGracefully) << partial;
  }
}

TEST(ReceiveNow, OnlyAReceiveThatFilledTheBufferIsFollowedByOneWithoutAWait) {
  struct Case {
    std::deque<std::string> chunks;
    int waits;
  };
  const std::string full(1024, 'f');
  const Case cases[] = {
      {{full, full, "short"}, 1},
      {{"short", full, full, "s"}, 2},
      {{full, "short", full, "s"}, 2},
      {{"a", "b", "c"}, 3},
  };
  for (const Case &c : cases) {
    std::size_t total = 0;
    for (const std::string &chunk : c.chunks)
      total += chunk.size();
    Connected conn(c.chunks, false);
    conn.client.RecvBufferSize = 1024;
    EXPECT_EQ(conn.client.ReadExact(static_cast<int>(total)).size(), total);
    EXPECT_EQ(conn.channel.Waits, c.waits) << "first chunk of " << c.chunks.front().size();
  }
}

TEST(ReceiveNow, OverASocketBytesArriveWholeThePumpRunsAndTheTimeLimitHolds) {
  const std::string line(64 * 1024, 'x');
  ScriptedPeer peer;
  peer.Line(line).Send("no line feed follows");
  peer.Start();
  TIdTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = peer.Port();
  client.RecvBufferSize = 1024;
  client.MaxLineLength = 0;
  client.ReadTimeout = 200;
  PumpCounter pump;
  client.Connect();
  EXPECT_TRUE(client.ReadLine() == line);
  // At least one pump for each receive, as when each one waited.
  EXPECT_GE(pump.Calls, 64);
  EXPECT_THROW(client.ReadLine(), EIdReadTimeout);
  client.Disconnect();
  peer.Transcript();
}
