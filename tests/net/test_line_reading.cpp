// Line reading, exact reads and writes of the connection over a scripted
// channel: length limits, CR handling, chunking, buffered writes, failures.
#include "FakeChannel.h"
#include "mime/IdStream.h"
#include "net/IdExceptions.h"
#include "net/IdTCPClient.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

using mvtest::ExpectError;

namespace {
using Connected = ConnectedOver<FakeChannel>;

std::string Repeat(char c, std::size_t n) {
  return std::string(n, c);
}
} // namespace

TEST(ReadLine, StripsOnlyTheCarriageReturnNextToTheLineFeed) {
  Connected c({"abc\r\r\nabc\n\nlast\r\n"});
  EXPECT_EQ(c.client.ReadLine(), "abc\r");
  EXPECT_EQ(c.client.ReadLine(), "abc");
  EXPECT_EQ(c.client.ReadLine(), "");
  EXPECT_EQ(c.client.ReadLine(), "last");
}

TEST(ReadLine, LimitCountsTheCarriageReturn) {
  const std::string full = Repeat('x', 16384);
  Connected c({full + "\n" + full + "\r\n"});
  EXPECT_EQ(c.client.ReadLine(), full);
  ExpectError<EIdReadLnMaxLineLengthExceeded>([&] { c.client.ReadLine(); }, "Max line length exceeded.");
  // The long line stays buffered and the connection open.
  EXPECT_EQ(c.client.InputBuffer().Size(), full.size() + 2);
  EXPECT_TRUE(c.client.IsConnected());
}

TEST(ReadLine, OverlongLineWithoutLineFeedFailsBeforeReadingMore) {
  Connected c({Repeat('y', 16385), "never read\n"});
  EXPECT_THROW(c.client.ReadLine(), EIdReadLnMaxLineLengthExceeded);
  EXPECT_EQ(c.channel.Receives, 1);
}

TEST(ReadLine, SplitModeReturnsTheFirstMaximumBytes) {
  Connected c({"abcdefgh\n"});
  c.client.MaxLineLength = 3;
  c.client.MaxLineAction = maSplit;
  EXPECT_EQ(c.client.ReadLine(), "abc");
  EXPECT_TRUE(c.client.ReadLnSplit());
  EXPECT_EQ(c.client.ReadLine(), "def");
  c.client.MaxLineLength = 0; // no limit
  EXPECT_EQ(c.client.ReadLine(), "gh");
  EXPECT_FALSE(c.client.ReadLnSplit());
}

TEST(ReadLine, LinesCutAcrossTinyReceivesComeOutWhole) {
  std::deque<std::string> bytes;
  for (char ch : std::string("one\r\ntwo\r")) // the CR of "two" arrives alone
    bytes.push_back(std::string(1, ch));
  bytes.push_back("\nthree\n");
  Connected c(bytes);
  c.client.RecvBufferSize = 1;
  EXPECT_EQ(c.client.ReadLine(), "one");
  EXPECT_EQ(c.client.ReadLine(), "two");
  EXPECT_EQ(c.client.ReadLine(), "three");
}

TEST(ReadLine, PeerClosingMidLineKeepsThePartialBytes) {
  Connected c({"complete\npart"});
  EXPECT_EQ(c.client.ReadLine(), "complete");
  EXPECT_THROW(c.client.ReadLine(), EIdConnClosedGracefully);
  EXPECT_EQ(std::string(c.client.InputBuffer().Data(), c.client.InputBuffer().Size()), "part");
  EXPECT_FALSE(c.client.IsConnected());
}

TEST(ReadLine, ManySmallLinesCompactTheBufferOnlyAfterThirtyTwoKilobytes) {
  std::string data;
  for (int i = 0; i < 10000; ++i)
    data += "line " + std::to_string(i) + "\r\n";
  Connected c({data});
  c.client.RecvBufferSize = static_cast<int>(data.size());
  std::size_t highestOffset = 0;
  for (int i = 0; i < 10000; ++i) {
    ASSERT_EQ(c.client.ReadLine(), "line " + std::to_string(i));
    highestOffset = std::max(highestOffset, c.client.InputBuffer().ConsumedOffset());
  }
  EXPECT_GE(highestOffset, TIdManagedBuffer::CompactThreshold - 16);
  EXPECT_LT(highestOffset, TIdManagedBuffer::CompactThreshold);
}

TEST(ReadNonBlankLine, SkipsBlankLinesAndTrimsBothEnds) {
  Connected c({"\r\n   \r\n\t \r\n  +OK ready \t\r\n"});
  EXPECT_EQ(c.client.ReadNonBlankLine(), "+OK ready");
}

TEST(ReadNonBlankLine, GivesUpAfterTheAttempts) {
  Connected c({"\r\n \r\nlate\r\n"});
  EXPECT_EQ(c.client.ReadNonBlankLine(2), "");
  EXPECT_EQ(c.client.ReadLine(), "late");
}

TEST(ReadExact, WaitsForAllBytesAndFailsWhenThePeerClosesFirst) {
  Connected c({"ab", "cdef", "g"});
  EXPECT_EQ(c.client.ReadExact(5), "abcde");
  EXPECT_EQ(c.client.ReadExact(1), "f");
  EXPECT_THROW(c.client.ReadExact(2), EIdConnClosedGracefully);
}

TEST(ReadLinesUntil, UnstuffsDotsAndStopsAtTheDelimiter) {
  Connected c({"first\r\n..x\r\n.\r\nafter\r\n"});
  std::vector<std::string> lines;
  EXPECT_EQ(c.client.ReadLinesUntil(lines), 2);
  EXPECT_EQ(lines, (std::vector<std::string>{"first", ".x"}));
  EXPECT_EQ(c.client.ReadLine(), "after");
}

TEST(ReadLinesUntil, StreamReceivesLinesWithLineBreaks) {
  Connected c({"a\n..b\r\nEND\r\n"});
  TIdMemoryStream stream;
  EXPECT_EQ(c.client.ReadLinesUntil(stream, "END", false), 2);
  EXPECT_EQ(stream.DataString(), "a\r\n..b\r\n");
}

TEST(WorkNotifications, ReadsAreReportedInsideTheirBracket) {
  Connected c({"ab\r\ncd\r\n.\r\n"});
  std::vector<std::int64_t> counts;
  int begins = 0;
  int ends = 0;
  c.client.OnWorkBegin = [&](TIdComponent &, TWorkMode mode, std::int64_t) { begins += mode == wmRead; };
  c.client.OnWork = [&](TIdComponent &, TWorkMode, std::int64_t count) { counts.push_back(count); };
  c.client.OnWorkEnd = [&](TIdComponent &, TWorkMode) { ++ends; };
  std::vector<std::string> lines;
  c.client.ReadLinesUntil(lines);
  EXPECT_EQ(begins, 1);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(counts, (std::vector<std::int64_t>{4, 8, 11}));
}

TEST(WorkNotifications, TheBracketClosesAlsoWhenTheReadFails) {
  // A connection that closes before the end line: the read raises, and the
  // work opened for it must still end, or the next transfer nests in it.
  Connected c({"ab\r\ncd\r\n"});
  std::vector<std::string> events;
  c.client.OnWorkBegin = [&](TIdComponent &, TWorkMode, std::int64_t) { events.push_back("begin"); };
  c.client.OnWorkEnd = [&](TIdComponent &, TWorkMode) { events.push_back("end"); };
  std::vector<std::string> lines;
  EXPECT_ANY_THROW(c.client.ReadLinesUntil(lines));
  EXPECT_EQ(events, (std::vector<std::string>{"begin", "end"}));
}

TEST(ConnectionWrite, PartialSendsAreRepeatedUntilEverythingIsOut) {
  Connected c({});
  c.channel.SendLimit = 3;
  c.client.WriteLine("RETR 12");
  c.client.WriteText("");
  c.client.WriteLines({"a", "b"});
  EXPECT_EQ(c.channel.Sent, "RETR 12\r\na\r\nb\r\n");
}

TEST(ConnectionWrite, BufferedWritesGoOutAtTheThresholdAndAtTheEnd) {
  Connected c({});
  c.client.BeginBufferedWrites(8);
  c.client.WriteText("12345");
  EXPECT_EQ(c.channel.Sent, "");
  c.client.WriteText("6789A");
  EXPECT_EQ(c.channel.Sent, "12345678");
  c.client.WriteBytes("now", 3, true);
  EXPECT_EQ(c.channel.Sent, "12345678now");
  c.client.FlushBufferedWrites(1);
  EXPECT_EQ(c.channel.Sent, "12345678now9");
  c.client.WriteText("tail");
  c.client.DiscardBufferedWrites();
  c.client.WriteText("BC");
  c.client.EndBufferedWrites();
  EXPECT_EQ(c.channel.Sent, "12345678now9BC");
  EXPECT_FALSE(c.client.WriteBuffering());
}

TEST(ConnectionWrite, AWriteOfSeveralThresholdsSendsTheirWholeMultiple) {
  Connected c({});
  c.channel.SendLimit = 5; // the channel takes few bytes per call
  c.client.BeginBufferedWrites(8);
  c.client.WriteText("ab");
  c.client.WriteText(std::string(20, 'x'));
  EXPECT_EQ(c.channel.Sent, "ab" + std::string(14, 'x'));
  c.client.EndBufferedWrites();
  EXPECT_EQ(c.channel.Sent, "ab" + std::string(20, 'x'));
}

TEST(ConnectionWrite, ConnectionLostWhileSendingClosesTheChannel) {
  Connected c({});
  c.channel.SendError = 10054;
  ExpectError<EIdSocketError>([&] { c.client.WriteLine("QUIT"); },
                              "Socket Error # 10054\r\nConnection reset by peer.",
                              [&](const EIdSocketError &e) { EXPECT_EQ(e.LastError(), 10054); });
  EXPECT_FALSE(c.client.IsConnected());
}

TEST(ConnectionWrite, WithoutAChannelRaisesNotConnected) {
  TIdTCPClient client;
  ExpectError<EIdNotConnected>([&] { client.WriteLine("x"); }, "Not Connected");
  EXPECT_THROW(client.ReadLine(), EIdNotConnected);
}

TEST(ConnectionReceive, ShutdownErrorReadsAsEndOfDataWhileBytesAreBuffered) {
  Connected c({"half"}, false);
  c.channel.ReceiveError = 10058;
  EXPECT_THROW(c.client.ReadLine(), EIdConnClosedGracefully);
  EXPECT_EQ(c.channel.Closes, 1);

  Connected empty({}, false);
  empty.channel.ReceiveError = 10053;
  ExpectError<EIdSocketError>([&] { empty.client.ReadLine(); },
                              [](const EIdSocketError &e) { EXPECT_EQ(e.LastError(), 10053); });
}

TEST(ConnectionReceive, ResetRaisesItsSocketErrorAndLeavesTheConnectionClosed) {
  Connected c({}, false);
  c.channel.ReceiveError = 10054;
  EXPECT_THROW(c.client.ReadLine(), EIdSocketError);
  EXPECT_FALSE(c.client.IsConnected());
}

TEST(ConnectionDisconnect, CallsOnDisconnectedOnceAndKeepsAnInstalledChannel) {
  Connected c({});
  int notified = 0;
  c.client.OnDisconnected = [&] { ++notified; };
  c.client.Disconnect();
  c.client.Disconnect();
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(c.client.IOHandler(), &c.channel);
  EXPECT_FALSE(c.client.IsConnected());
}
