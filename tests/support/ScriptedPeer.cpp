#include "ScriptedPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Long enough for a sanitizer build on a busy machine, short enough that a
// broken test ends instead of hanging.
constexpr int kPeerWaitMs = 20000;

int ListenOnFreePort(int &port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(fd, 4) != 0)
    throw std::runtime_error("scripted peer: cannot listen");
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

bool WaitReadable(int fd) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, kPeerWaitMs) > 0;
}
} // namespace

ScriptedPeer::ScriptedPeer() {
  FListener = ListenOnFreePort(FPort);
}

ScriptedPeer::~ScriptedPeer() {
  if (FThread.joinable())
    FThread.join();
  if (FListener >= 0)
    close(FListener);
}

ScriptedPeer &ScriptedPeer::Send(const std::string &bytes) {
  FSteps.push_back({Step::SendBytes, bytes});
  return *this;
}
ScriptedPeer &ScriptedPeer::Read() {
  FSteps.push_back({Step::ReadLine, {}});
  return *this;
}
ScriptedPeer &ScriptedPeer::ReadData() {
  FSteps.push_back({Step::ReadDataLines, {}});
  return *this;
}
ScriptedPeer &ScriptedPeer::Await() {
  FSteps.push_back({Step::AwaitBytes, {}});
  return *this;
}
ScriptedPeer &ScriptedPeer::Close() {
  FSteps.push_back({Step::CloseFin, {}});
  return *this;
}
ScriptedPeer &ScriptedPeer::Reset() {
  FSteps.push_back({Step::CloseRst, {}});
  return *this;
}

void ScriptedPeer::Start() {
  FThread = std::thread([this] { Run(); });
}

std::vector<std::string> ScriptedPeer::Transcript() {
  if (FThread.joinable())
    FThread.join();
  return FTranscript;
}

bool ScriptedPeer::ReadClientLine(int fd, std::string &pending, std::string &line) {
  for (;;) {
    const std::size_t lf = pending.find('\n');
    if (lf != std::string::npos) {
      line = pending.substr(0, lf);
      if (!line.empty() && line.back() == '\r')
        line.pop_back();
      pending.erase(0, lf + 1);
      return true;
    }
    if (!ReceiveMore(fd, pending))
      return false;
  }
}

bool ScriptedPeer::ReceiveMore(int fd, std::string &pending) {
  if (!WaitReadable(fd))
    return false;
  char chunk[65536];
  const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
  if (n <= 0)
    return false;
  pending.append(chunk, static_cast<std::size_t>(n));
  return true;
}

void ScriptedPeer::Run() {
  if (!WaitReadable(FListener))
    return;
  const int fd = accept(FListener, nullptr, nullptr);
  if (fd < 0)
    return;
  std::string pending;
  std::string line;
  for (const Step &step : FSteps) {
    switch (step.kind) {
    case Step::SendBytes:
      send(fd, step.bytes.data(), step.bytes.size(), MSG_NOSIGNAL);
      break;
    case Step::ReadLine:
      if (ReadClientLine(fd, pending, line))
        FTranscript.push_back(line);
      break;
    case Step::ReadDataLines:
      while (ReadClientLine(fd, pending, line)) {
        FTranscript.push_back(line);
        if (line == ".")
          break;
      }
      break;
    case Step::AwaitBytes:
      if (pending.empty())
        ReceiveMore(fd, pending);
      break;
    case Step::CloseFin:
      close(fd);
      return;
    case Step::CloseRst: {
      const linger abortive{1, 0};
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
      close(fd);
      return;
    }
    }
  }
  while (ReadClientLine(fd, pending, line))
    FTranscript.push_back(line);
  close(fd);
}

int UnusedPort() {
  int port = 0;
  close(ListenOnFreePort(port));
  return port;
}
