#pragma once
// The TLS channel: the socket channel with a TLS session on top, started at
// connect (implicit TLS) or later on the protocol's request (STLS, STARTTLS).
// Above it the connection reads and writes plain bytes exactly as over a bare
// socket, so line reading, receive sizes, timeouts and the pump are the same.
// The session needs TLS 1.2 at least; the server's certificate must chain to
// the system's trust store or the CAFile and name the host, unless a pinned
// fingerprint accepts that one certificate.
#include "net/IdIOHandlerSocket.h"
#include "net/IdTLSOptions.h"

#include <memory>
#include <string>

class TIdIOHandlerTLS : public TIdIOHandlerSocket {
public:
  TIdIOHandlerTLS();
  ~TIdIOHandlerTLS() override;

  TIdTLSOptions Options;

  // Sends the TLS farewell when a session runs, then closes the socket.
  void Close() override;
  // The socket connect; with implicit TLS the handshake follows at once.
  void ConnectTo(const std::string &host, int port, int timeout) override;
  // Handshake and certificate check over the connected socket, limited by
  // the connect's time limit. Raises EIdTLSError; the channel is closed then.
  void StartTLS();
  bool Encrypted() const { return FSession != nullptr; }
  // The server certificate's fingerprint ("AB:CD:..."), empty before a handshake.
  const std::string &PeerFingerprint() const { return FPeerFingerprint; }

  bool WaitReadable(int milliseconds) override;
  int Receive(void *buffer, int length) override;
  // Decrypted bytes already at hand; the socket is read only by the wait.
  int ReceiveNow(void *buffer, int length) override;
  int Send(const void *buffer, int length) override;
  int LastError() const override;

private:
  struct TSession;
  void Handshake();
  void CheckCertificate();
  // One decrypting read into FPlain: true when it settled something for
  // Receive (bytes, the peer's close or a failure), false when more input
  // must arrive first.
  bool ReadRecord();
  // Waits for the socket to take more bytes, serving the pump meanwhile.
  bool WaitWritable(int milliseconds);
  [[noreturn]] void FailHandshake(const std::string &detail);

  std::unique_ptr<TSession> FSession;
  std::string FHost;
  int FHandshakeTimeout = DefaultConnectTimeout;
  std::string FPeerFingerprint;
  std::string FPlain; // decrypted bytes not yet delivered, from FPlainStart
  std::size_t FPlainStart = 0;
  bool FPeerClosed = false;
  int FReadError = 0;      // socket error number of a failed read, delivered by Receive
  std::string FTLSFailure; // a broken session, raised by Receive
  int FLastError = 0;
};

// The Russian text of a rejected certificate: the host, what failed (by the
// verification result code) and the server's fingerprint.
std::string TLSCertificateErrorText(int verifyResult, const std::string &host,
                                    const std::string &fingerprint);
// The text of a pinned fingerprint that does not match the server's.
std::string TLSFingerprintMismatchText(const std::string &host, const std::string &fingerprint);
