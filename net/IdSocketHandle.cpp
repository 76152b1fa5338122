#include "net/IdSocketHandle.h"

#include "net/IdExceptions.h"
#include "net/IdStack.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
sockaddr_in MakeAddress(const std::string &ip, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  std::uint32_t host = INADDR_ANY;
  if (!ip.empty() && !TIdStack::ParseIPv4Literal(ip, host))
    throw EIdInvalidIPAddress(ip);
  address.sin_addr.s_addr = htonl(host);
  return address;
}

void SetBlocking(int handle, bool blocking) {
  const int flags = fcntl(handle, F_GETFL, 0);
  if (flags >= 0)
    fcntl(handle, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

// poll() for one event, restarting after signals; -2 waits without limit.
bool PollFor(int handle, short events, int milliseconds) {
  pollfd entry{handle, events, 0};
  const int limit = milliseconds == -2 ? -1 : milliseconds;
  for (;;) {
    const int rc = poll(&entry, 1, limit);
    if (rc >= 0)
      return rc > 0;
    if (errno != EINTR)
      mv::RaiseSocketError(TIdStack::TranslateErrno(errno));
  }
}
} // namespace

TIdSocketHandle::~TIdSocketHandle() {
  CloseSocket();
}

void TIdSocketHandle::AllocateSocket() {
  CloseSocket();
  FHandle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FHandle < 0) {
    FHandle = -1;
    throw EIdInvalidSocket();
  }
  FHandleAllocated = true;
}

void TIdSocketHandle::Bind() {
  // Binding to any address and any port is what connect does by itself.
  if (IP.empty() && Port == 0)
    return;
  const sockaddr_in address = MakeAddress(IP, Port);
  if (bind(FHandle, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
    throw EIdCouldNotBindSocket();
  UpdateBindingLocal();
}

bool TIdSocketHandle::BeginConnect() {
  const sockaddr_in address = MakeAddress(PeerIP, PeerPort);
  SetBlocking(FHandle, false);
  int rc;
  do
    rc = connect(FHandle, reinterpret_cast<const sockaddr *>(&address), sizeof address);
  while (rc != 0 && errno == EINTR);
  if (rc == 0)
    return true;
  if (errno != EINPROGRESS)
    mv::RaiseSocketError(TIdStack::TranslateErrno(errno));
  return false;
}

bool TIdSocketHandle::WaitConnected(int milliseconds) {
  return PollFor(FHandle, POLLOUT, milliseconds);
}

int TIdSocketHandle::FinishConnect() {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(FHandle, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
    error = errno;
  if (error != 0)
    return TIdStack::TranslateErrno(error);
  SetBlocking(FHandle, true);
  EnableKeepAlive();
  UpdateBindingLocal();
  return 0;
}

void TIdSocketHandle::EnableKeepAlive() {
  const int on = 1;
  setsockopt(FHandle, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(FHandle, IPPROTO_TCP, TCP_KEEPIDLE, &KeepAliveIdleSeconds, sizeof KeepAliveIdleSeconds);
  setsockopt(FHandle, IPPROTO_TCP, TCP_KEEPINTVL, &KeepAliveIntervalSeconds, sizeof KeepAliveIntervalSeconds);
  setsockopt(FHandle, IPPROTO_TCP, TCP_KEEPCNT, &KeepAliveProbes, sizeof KeepAliveProbes);
}

bool TIdSocketHandle::Readable(int milliseconds) {
  if (!FHandleAllocated)
    throw EIdConnClosedGracefully();
  return PollFor(FHandle, POLLIN, milliseconds);
}

int TIdSocketHandle::Recv(void *buffer, int length) {
  ssize_t rc;
  do
    rc = recv(FHandle, buffer, static_cast<std::size_t>(length), 0);
  while (rc < 0 && errno == EINTR);
  return static_cast<int>(rc);
}

int TIdSocketHandle::RecvNow(void *buffer, int length) {
  ssize_t rc;
  do
    rc = recv(FHandle, buffer, static_cast<std::size_t>(length), MSG_DONTWAIT);
  while (rc < 0 && errno == EINTR);
  return static_cast<int>(rc);
}

int TIdSocketHandle::Send(const void *buffer, int length) {
  ssize_t rc;
  do
    rc = send(FHandle, buffer, static_cast<std::size_t>(length), MSG_NOSIGNAL);
  while (rc < 0 && errno == EINTR);
  return static_cast<int>(rc);
}

void TIdSocketHandle::ShutdownSend() {
  if (FHandleAllocated)
    shutdown(FHandle, SHUT_WR);
}

void TIdSocketHandle::CloseSocket() {
  if (FHandleAllocated)
    close(FHandle);
  FHandle = -1;
  FHandleAllocated = false;
}

void TIdSocketHandle::Reset() {
  CloseSocket();
  IP.clear();
  Port = 0;
  PeerIP.clear();
  PeerPort = 0;
}

void TIdSocketHandle::UpdateBindingLocal() {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (getsockname(FHandle, reinterpret_cast<sockaddr *>(&address), &length) == 0) {
    IP = TIdStack::FormatIPv4(ntohl(address.sin_addr.s_addr));
    Port = ntohs(address.sin_port);
  }
}
