#pragma once
// One TCP socket and its local and peer addresses. The socket never raises
// SIGPIPE and, once connected, probes an idle peer with TCP keep-alive so a
// link that died without closing fails instead of blocking a read for ever.
#include <string>

class TIdSocketHandle {
public:
  TIdSocketHandle() = default;
  TIdSocketHandle(const TIdSocketHandle &) = delete;
  TIdSocketHandle &operator=(const TIdSocketHandle &) = delete;
  ~TIdSocketHandle();

  // Keep-alive: first probe after this much silence, then every interval, this many probes.
  static constexpr int KeepAliveIdleSeconds = 60;
  static constexpr int KeepAliveIntervalSeconds = 10;
  static constexpr int KeepAliveProbes = 6;

  int Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandleAllocated; }

  // A fresh IPv4 stream socket; raises EIdInvalidSocket "Cannot allocate socket.".
  void AllocateSocket();
  // Binds to IP:Port (empty IP: any address); raises EIdCouldNotBindSocket.
  void Bind();
  // Starts a non-blocking connect to PeerIP:PeerPort: true when it completed
  // at once; false when in progress; raises EIdSocketError on failure.
  bool BeginConnect();
  // Waits up to `milliseconds` for a pending connect: true when finished;
  // then FinishConnect tells how it ended.
  bool WaitConnected(int milliseconds);
  // 0 on success or the table number of the connect failure; puts the socket
  // back into blocking mode and switches keep-alive on.
  int FinishConnect();
  // True when a receive would not block within `milliseconds` (-2: no limit).
  bool Readable(int milliseconds);
  int Recv(void *buffer, int length);
  // Recv that never waits: -1 with errno EAGAIN when nothing has arrived.
  int RecvNow(void *buffer, int length);
  int Send(const void *buffer, int length);
  void ShutdownSend();
  void CloseSocket();
  // Forgets the socket (closing it) and the addresses.
  void Reset();
  void UpdateBindingLocal();

  std::string IP; // local
  int Port = 0;
  std::string PeerIP;
  int PeerPort = 0;
  int ClientPortMin = 0;
  int ClientPortMax = 0;

private:
  void EnableKeepAlive();
  int FHandle = -1;
  bool FHandleAllocated = false;
};
