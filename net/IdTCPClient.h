#pragma once
// The connection that dials out: a socket channel to Host:Port, created at
// the first Connect when no other channel was installed, with TLS on top
// when TLS asks for it.
#include "net/IdTCPConnection.h"
#include "net/IdTLSOptions.h"

#include <string>

class TIdTCPClient : public TIdTCPConnection {
public:
  std::string Host;
  int Port = 0;
  std::string BoundIP; // empty: any local address
  int BoundPort = 0;   // 0: any local port
  TIdNotifyEvent OnConnected;
  // How the link is secured. Implicit TLS is set up by Connect itself; for
  // STARTTLS the protocol client asks for the switch (StartTLS) once the
  // server agreed to it.
  TIdTLSOptions TLS;

  // Opens the channel and connects it. timeout -1: the default wait (120 s
  // while the message pump is in use). A failure closes the channel; an owned
  // channel is kept for the next Connect.
  virtual void Connect(int timeout = IdTimeoutDefault);
  // True while the channel runs a TLS session.
  bool Encrypted() const;

protected:
  // Switches the open connection to TLS (handshake and certificate check).
  // Bytes the server sent before the switch are dropped: they were not
  // protected and must not be taken for the server's answers after it.
  void StartTLS();
};
