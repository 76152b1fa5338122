#pragma once
// The socket channel: one TIdSocketHandle, connected with a time limit that
// is polled in short slices so the message pump keeps running.
#include "net/IdIOHandler.h"
#include "net/IdSocketHandle.h"

#include <memory>
#include <string>

class TIdIOHandlerSocket : public TIdIOHandler {
public:
  // The connect wait when no limit is given and the message pump is in use.
  static constexpr int DefaultConnectTimeout = 120000;

  ~TIdIOHandlerSocket() override;

  // Shuts the socket down for sending, then closes it.
  void Close() override;
  void ConnectTo(const std::string &host, int port, int timeout) override;
  // True while a socket is allocated.
  bool IsOpen() const override;
  // Creates the socket handle or resets the existing one.
  void Open() override;
  bool WaitReadable(int milliseconds) override;
  int Receive(void *buffer, int length) override;
  int ReceiveNow(void *buffer, int length) override;
  int Send(const void *buffer, int length) override;
  int LastError() const override { return FLastError; }

  TIdSocketHandle *Binding() const { return FBinding.get(); }

  std::string BoundIP;
  int BoundPort = 0;

private:
  void WaitForConnect(int timeout);
  std::unique_ptr<TIdSocketHandle> FBinding;
  int FLastError = 0;
};
