#include "net/IdTCPClient.h"

#include "net/IdExceptions.h"
#include "net/IdIOHandlerSocket.h"
#include "net/IdIOHandlerTLS.h"
#include "platform/CodePage.h"

namespace {
std::unique_ptr<TIdIOHandler> MakeSocketChannel(bool secure) {
  if (secure)
    return std::make_unique<TIdIOHandlerTLS>();
  return std::make_unique<TIdIOHandlerSocket>();
}
} // namespace

void TIdTCPClient::Connect(int timeout) {
  const bool secure = TLS.Mode != TIdTLSOptions::tlsNone;
  if (IOHandler() && IOHandler()->IsOpen())
    throw EIdAlreadyConnected();
  // A channel of our own is remade when the security asked for changed.
  if (!IOHandler() ||
      (OwnsIOHandler() && secure != (dynamic_cast<TIdIOHandlerTLS *>(IOHandler()) != nullptr)))
    SetOwnedIOHandler(MakeSocketChannel(secure));
  TIdIOHandler *channel = IOHandler();
  auto *tls = dynamic_cast<TIdIOHandlerTLS *>(channel);
  if (tls)
    tls->Options = TLS;
  else if (secure)
    throw EIdTLSError(mv::Utf8ToWin1251("Защищённое соединение возможно только через сетевой канал"));
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

bool TIdTCPClient::Encrypted() const {
  const auto *tls = dynamic_cast<const TIdIOHandlerTLS *>(IOHandler());
  return tls && tls->Encrypted();
}

void TIdTCPClient::StartTLS() {
  auto *tls = dynamic_cast<TIdIOHandlerTLS *>(IOHandler());
  if (!tls)
    throw EIdTLSError(mv::Utf8ToWin1251("Защищённое соединение возможно только через сетевой канал"));
  ResetInputState();
  tls->StartTLS();
}
