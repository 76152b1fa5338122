// Lines read in place: each case arrives whole and one byte per receive, and
// both ways must give the same lines, the same ending and the same byte count
// reported as work, with the view read before the next line replaces it.
#include "FakeChannel.h"
#include "net/IdExceptions.h"
#include "net/IdTCPClient.h"

#include <gtest/gtest.h>

namespace {
enum class Ending { None, Closed, TooLong };

struct ViewCase {
  const char *what;
  std::string input;
  int maxLength;
  TIdMaxLineAction action;
  std::vector<std::string> lines; // read before the ending
  Ending ending;
};

std::deque<std::string> OneBytePerReceive(const std::string &input) {
  std::deque<std::string> bytes;
  for (char c : input)
    bytes.emplace_back(1, c);
  return bytes;
}
} // namespace

TEST(ReadLineView, SameLinesWholeAndOneByteAtATime) {
  const std::string longLine(40, 'L');
  const std::vector<ViewCase> cases = {
      {"CR LF and bare LF", "one\r\ntwo\nthree\r\n", 0, maException, {"one", "two", "three"}, Ending::Closed},
      {"empty lines", "\r\n\n\r\n", 0, maException, {"", "", ""}, Ending::Closed},
      {"CR inside a line stays", "a\rb\r\r\n\rc\n", 0, maException, {"a\rb\r", "\rc"}, Ending::Closed},
      {"last line without break at close", "whole\npart", 0, maException, {"whole"}, Ending::Closed},
      {"overlong line split", "abcdefgh\nxy\n", 3, maSplit, {"abc", "def", "gh", "xy"}, Ending::Closed},
      {"split counts the CR before the LF", "abc\r\n", 3, maSplit, {"abc", ""}, Ending::Closed},
      {"overlong line refused", "ok\n" + longLine + "\n", 16, maException, {"ok"}, Ending::TooLong},
      {"line at the limit passes", longLine + "\r\n", 41, maException, {longLine}, Ending::Closed},
  };
  for (const ViewCase &c : cases) {
    for (bool oneByte : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (oneByte ? " (byte by byte)" : " (whole)"));
      FakeChannel channel;
      channel.Incoming = oneByte ? OneBytePerReceive(c.input) : std::deque<std::string>{c.input};
      TIdTCPClient client;
      client.SetIOHandler(&channel);
      client.Connect();
      client.MaxLineLength = c.maxLength;
      client.MaxLineAction = c.action;
      if (oneByte)
        client.RecvBufferSize = 1;
      std::int64_t reported = 0;
      client.OnWork = [&](TIdComponent &, TWorkMode, std::int64_t count) { reported = count; };
      std::vector<std::string> lines;
      std::size_t consumed = 0;
      Ending ending = Ending::None;
      {
        TIdWorkScope work(client, wmRead);
        try {
          for (std::size_t i = 0; i <= c.lines.size(); ++i) {
            const std::string_view line = client.ReadLineView();
            consumed += line.size() + (client.ReadLnSplit()                      ? 0
                                       : c.input[consumed + line.size()] == '\r' ? 2
                                                                                 : 1);
            lines.emplace_back(line);
          }
        } catch (const EIdConnClosedGracefully &) {
          ending = Ending::Closed;
        } catch (const EIdReadLnMaxLineLengthExceeded &) {
          ending = Ending::TooLong;
        }
      }
      EXPECT_EQ(lines, c.lines);
      EXPECT_EQ(ending, c.ending);
      EXPECT_EQ(reported, static_cast<std::int64_t>(consumed));
    }
  }
}

TEST(ReadLineView, ManyLinesNeverMoveTheBufferForEachLine) {
  std::string data;
  for (int i = 0; i < 20000; ++i)
    data += "line " + std::to_string(i) + "\r\n";
  FakeChannel channel;
  channel.Incoming = {data};
  TIdTCPClient client;
  client.SetIOHandler(&channel);
  client.Connect();
  client.RecvBufferSize = static_cast<int>(data.size());
  std::size_t offset = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string expected = "line " + std::to_string(i);
    ASSERT_EQ(client.ReadLineView(), expected);
    // One receive holds every line: the consumed bytes are only skipped.
    offset += expected.size() + 2;
    ASSERT_EQ(client.InputBuffer().ConsumedOffset(), offset);
  }
}
