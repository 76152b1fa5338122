#pragma once
// The connection that dials out: a socket channel to Host:Port, created at
// the first Connect when no other channel was installed.
#include "net/IdTCPConnection.h"

#include <string>

class TIdTCPClient : public TIdTCPConnection {
public:
  std::string Host;
  int Port = 0;
  std::string BoundIP; // empty: any local address
  int BoundPort = 0;   // 0: any local port
  TIdNotifyEvent OnConnected;

  // Opens the channel and connects it. timeout -1: the default wait (120 s
  // while the message pump is in use). A failure closes the channel; an owned
  // channel is kept for the next Connect.
  virtual void Connect(int timeout = IdTimeoutDefault);
};
