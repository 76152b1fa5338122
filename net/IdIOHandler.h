#pragma once
// The exchangeable channel under a connection: a socket (IdIOHandlerSocket.h)
// when talking to a server, a file stream when reading or writing message
// files. The connection only ever talks to this interface.
#include "net/IdComponent.h"

#include <string>

// Time-limit arguments: -1 asks for the owner's default, -2 waits without limit.
constexpr int IdTimeoutDefault = -1;
constexpr int IdTimeoutInfinite = -2;
// What Receive and Send return when the channel failed (see LastError).
constexpr int Id_SOCKET_ERROR = -1;
// What ReceiveNow returns when nothing has arrived yet.
constexpr int Id_WOULD_BLOCK = -2;

class TIdIOHandler : public TIdComponent {
public:
  virtual void Close() { FOpen = false; }
  // Connects the opened channel to host:port; the base channel has nothing to connect.
  virtual void ConnectTo(const std::string &host, int port, int timeout) {
    (void)host, (void)port, (void)timeout;
  }
  virtual bool IsOpen() const { return FOpen; }
  virtual void Open() { FOpen = true; }
  // True when Receive would deliver bytes (or end-of-stream) within `milliseconds`
  // (IdTimeoutInfinite: wait as long as it takes).
  virtual bool WaitReadable(int milliseconds) = 0;
  // Bytes read (0 = the peer closed), or Id_SOCKET_ERROR with the error number in LastError().
  virtual int Receive(void *buffer, int length) = 0;
  // Receive without waiting: what Receive returns, or Id_WOULD_BLOCK when no
  // byte is at hand yet. A channel that cannot tell says Id_WOULD_BLOCK, and
  // the caller waits with WaitReadable.
  virtual int ReceiveNow(void *buffer, int length) {
    (void)buffer, (void)length;
    return Id_WOULD_BLOCK;
  }
  // Bytes taken (may be fewer than `length`; 0 = the peer closed), or Id_SOCKET_ERROR.
  virtual int Send(const void *buffer, int length) = 0;
  // The socket error number (table numbering) of the last failed Receive or Send.
  virtual int LastError() const { return 0; }

protected:
  bool FOpen = false;
};
