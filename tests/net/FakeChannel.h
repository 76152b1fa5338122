#pragma once
// A channel that plays received bytes from a list of chunks (one chunk per
// Receive, cut to the requested length) and records what is sent, for tests
// of the connection that need exact control over arrival and failures.
#include "net/IdIOHandler.h"
#include "net/IdTCPClient.h"

#include <algorithm>
#include <deque>
#include <string>

class FakeChannel : public TIdIOHandler {
public:
  // Bytes that arrive, one Receive per chunk.
  std::deque<std::string> Incoming;
  // After the chunks: true = the peer closed (Receive 0); false = silence (never readable).
  bool CloseAtEnd = true;
  // A Receive that fails with this socket error once the chunks are used up (0: none).
  int ReceiveError = 0;
  // Largest count one Send accepts (0: all); SendError fails every Send.
  int SendLimit = 0;
  int SendError = 0;
  std::string Sent;
  int Receives = 0;
  int Closes = 0;

  void Close() override {
    ++Closes;
    TIdIOHandler::Close();
  }
  bool WaitReadable(int) override { return !Incoming.empty() || CloseAtEnd || ReceiveError != 0; }
  int Receive(void *buffer, int length) override {
    ++Receives;
    if (Incoming.empty()) {
      if (ReceiveError != 0) {
        FError = ReceiveError;
        return Id_SOCKET_ERROR;
      }
      return 0;
    }
    std::string &chunk = Incoming.front();
    const int count = std::min<int>(length, static_cast<int>(chunk.size()));
    chunk.copy(static_cast<char *>(buffer), static_cast<std::size_t>(count));
    chunk.erase(0, static_cast<std::size_t>(count));
    if (chunk.empty())
      Incoming.pop_front();
    return count;
  }
  int Send(const void *buffer, int length) override {
    if (SendError != 0) {
      FError = SendError;
      return Id_SOCKET_ERROR;
    }
    const int count = SendLimit > 0 ? std::min(length, SendLimit) : length;
    Sent.append(static_cast<const char *>(buffer), static_cast<std::size_t>(count));
    return count;
  }
  int LastError() const override { return FError; }

private:
  int FError = 0;
};

// A client connected over a fake channel that plays `incoming`.
template <class Channel = FakeChannel> struct ConnectedOver {
  Channel channel;
  TIdTCPClient client;
  explicit ConnectedOver(std::deque<std::string> incoming, bool closeAtEnd = true) {
    channel.Incoming = std::move(incoming);
    channel.CloseAtEnd = closeAtEnd;
    client.SetIOHandler(&channel);
    client.Connect();
  }
};
