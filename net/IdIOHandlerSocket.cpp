#include "net/IdIOHandlerSocket.h"

#include "net/IdAntiFreeze.h"
#include "net/IdExceptions.h"
#include "net/IdStack.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {
// Slice of a timed connect when no pump is in use.
constexpr int kConnectSliceWithoutPump = 125;

int ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since)
          .count());
}
} // namespace

TIdIOHandlerSocket::~TIdIOHandlerSocket() {
  Close();
}

void TIdIOHandlerSocket::Close() {
  if (FBinding && FBinding->HandleAllocated()) {
    FBinding->ShutdownSend();
    FBinding->CloseSocket();
  }
  TIdIOHandler::Close();
}

bool TIdIOHandlerSocket::IsOpen() const {
  return FBinding && FBinding->HandleAllocated();
}

void TIdIOHandlerSocket::Open() {
  TIdIOHandler::Open();
  if (FBinding)
    FBinding->Reset();
  else
    FBinding = std::make_unique<TIdSocketHandle>();
}

void TIdIOHandlerSocket::ConnectTo(const std::string &host, int port, int timeout) {
  FBinding->AllocateSocket();
  FBinding->IP = BoundIP;
  FBinding->Port = BoundPort;
  FBinding->Bind();
  FBinding->PeerIP = GStack->ResolveHost(host);
  FBinding->PeerPort = port;
  // Nagle's algorithm stays on: commands go out as whole lines anyway.
  const int noDelay = 0;
  setsockopt(FBinding->Handle(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
  if (timeout == IdTimeoutDefault || timeout == 0)
    timeout = TIdAntiFreezeBase::ShouldUse() ? DefaultConnectTimeout : IdTimeoutInfinite;
  WaitForConnect(timeout);
}

// The connect runs non-blocking and is polled in slices; after each full
// slice the pump runs, so the window stays alive for up to the whole limit.
void TIdIOHandlerSocket::WaitForConnect(int timeout) {
  if (!FBinding->BeginConnect()) {
    bool finished;
    if (timeout == IdTimeoutInfinite) {
      finished = FBinding->WaitConnected(IdTimeoutInfinite);
    } else {
      const TIdAntiFreezeBase *pump =
          TIdAntiFreezeBase::ShouldUse() ? TIdAntiFreezeBase::Instance() : nullptr;
      const int slice = pump ? std::max(1, std::min(pump->IdleTimeOut, 125)) : kConnectSliceWithoutPump;
      const auto start = std::chrono::steady_clock::now();
      finished = false;
      while (!finished && timeout - ElapsedMs(start) >= slice) {
        finished = FBinding->WaitConnected(slice);
        if (!finished)
          TIdAntiFreezeBase::PumpIfDue(true);
      }
      if (!finished)
        finished = FBinding->WaitConnected(std::max(0, timeout - ElapsedMs(start)));
    }
    if (!finished) {
      Close();
      throw EIdConnectTimeout();
    }
  }
  if (const int error = FBinding->FinishConnect())
    mv::RaiseSocketError(error);
}

bool TIdIOHandlerSocket::WaitReadable(int milliseconds) {
  if (!FBinding)
    throw EIdConnClosedGracefully();
  // Each wait is followed by a pump call; with the pump in use a long wait is
  // cut into IdleTimeOut pieces so the window is served at least that often.
  auto waitOnce = [this](int ms) {
    const bool readable = FBinding->Readable(ms);
    TIdAntiFreezeBase::PumpIfDue(!readable);
    return readable;
  };
  if (!TIdAntiFreezeBase::ShouldUse())
    return waitOnce(milliseconds);
  const int idle = TIdAntiFreezeBase::Instance()->IdleTimeOut;
  if (milliseconds == IdTimeoutInfinite) {
    while (!waitOnce(idle)) {
    }
    return true;
  }
  if (milliseconds > idle && waitOnce(milliseconds - idle))
    return true;
  return waitOnce(std::min(milliseconds, idle));
}

int TIdIOHandlerSocket::Receive(void *buffer, int length) {
  if (!IsOpen())
    throw EIdClosedSocket();
  const int count = FBinding->Recv(buffer, length);
  if (count < 0) {
    FLastError = TIdStack::TranslateErrno(errno);
    return Id_SOCKET_ERROR;
  }
  return count;
}

int TIdIOHandlerSocket::ReceiveNow(void *buffer, int length) {
  if (!IsOpen())
    throw EIdClosedSocket();
  const int count = FBinding->RecvNow(buffer, length);
  if (count < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK)
      return Id_WOULD_BLOCK;
    FLastError = TIdStack::TranslateErrno(errno);
    return Id_SOCKET_ERROR;
  }
  return count;
}

int TIdIOHandlerSocket::Send(const void *buffer, int length) {
  if (!IsOpen())
    throw EIdClosedSocket();
  const int count = FBinding->Send(buffer, length);
  if (count < 0) {
    FLastError = TIdStack::TranslateErrno(errno);
    return Id_SOCKET_ERROR;
  }
  return count;
}
