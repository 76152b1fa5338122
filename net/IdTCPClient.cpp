#include "net/IdTCPClient.h"

#include "net/IdExceptions.h"
#include "net/IdIOHandlerSocket.h"

void TIdTCPClient::Connect(int timeout) {
  if (!IOHandler())
    SetOwnedIOHandler(std::make_unique<TIdIOHandlerSocket>());
  else if (IOHandler()->IsOpen())
    throw EIdAlreadyConnected();
  TIdIOHandler *channel = IOHandler();
  try {
    if (auto *socket = dynamic_cast<TIdIOHandlerSocket *>(channel)) {
      socket->BoundIP = BoundIP;
      socket->BoundPort = BoundPort;
    }
    channel->Open();
    ResetInputState();
    channel->ConnectTo(Host, Port, timeout);
    if (OnConnected)
      OnConnected();
  } catch (...) {
    channel->Close();
    throw;
  }
}
