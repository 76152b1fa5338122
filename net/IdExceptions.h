#pragma once
// The failures of the connection layer and the command exchange. Every text
// is fixed: users see it in the error box and some callers compare it.
#include "mime/IdException.h"

#include <string>

// "Socket Error # %d\r\n%s": a socket call failed; carries the error number
// in the socket table's numbering (Linux errno values are mapped onto it).
class EIdSocketError : public EIdException {
public:
  EIdSocketError(int errorCode, const std::string &message) : EIdException(message), FLastError(errorCode) {}
  int LastError() const { return FLastError; }

private:
  int FLastError;
};

// Failures that are part of normal operation, such as the peer closing.
class EIdSilentException : public EIdException {
public:
  using EIdException::EIdException;
};

// "Connection Closed Gracefully.": the peer closed and nothing is left to read.
class EIdConnClosedGracefully : public EIdSilentException {
public:
  EIdConnClosedGracefully();
};

class EIdTCPConnectionError : public EIdException {
public:
  using EIdException::EIdException;
};

// "Not Connected": a read or write without a connection.
class EIdNotConnected : public EIdTCPConnectionError {
public:
  EIdNotConnected();
};

// "Object type not supported.": ReadLinesUntil was given a destination it cannot fill.
class EIdObjectTypeNotSupported : public EIdTCPConnectionError {
public:
  EIdObjectTypeNotSupported();
};

// "Already connected."
class EIdAlreadyConnected : public EIdException {
public:
  EIdAlreadyConnected();
};

// "Disconnected.": the channel was asked to receive or send after it was closed.
class EIdClosedSocket : public EIdException {
public:
  EIdClosedSocket();
};

// "Read Timeout": only with a finite ReadTimeout.
class EIdReadTimeout : public EIdException {
public:
  EIdReadTimeout();
};

// "Max line length exceeded."
class EIdReadLnMaxLineLengthExceeded : public EIdException {
public:
  EIdReadLnMaxLineLengthExceeded();
};

// "Connect timed out."
class EIdConnectTimeout : public EIdException {
public:
  EIdConnectTimeout();
};

// A connect failed without an error number: the text of the underlying failure.
class EIdConnectException : public EIdException {
public:
  using EIdException::EIdException;
};

// "Cannot allocate socket."
class EIdInvalidSocket : public EIdException {
public:
  EIdInvalidSocket();
};

class EIdSocketHandleError : public EIdException {
public:
  using EIdException::EIdException;
};

// "Could not bind socket. Address and port are already in use."
class EIdCouldNotBindSocket : public EIdSocketHandleError {
public:
  EIdCouldNotBindSocket();
};

class EIdStackError : public EIdException {
public:
  using EIdException::EIdException;
};

// "Winsock Initialization Error.": the socket layer could not start.
class EIdStackInitializationFailed : public EIdStackError {
public:
  EIdStackInitializationFailed();
};

// "%s is not a valid IP address."
class EIdInvalidIPAddress : public EIdStackError {
public:
  explicit EIdInvalidIPAddress(const std::string &address);
};

// Loading or calling the platform socket library failed.
class EIdWS2StubError : public EIdException {
public:
  using EIdException::EIdException;
};

// A reply whose code the caller did not accept. The message is the reply's
// text lines, each followed by CR LF; the code is the reply's numeric code.
class EIdProtocolReplyError : public EIdException {
public:
  EIdProtocolReplyError(int replyCode, const std::string &message)
      : EIdException(message), FReplyErrorCode(replyCode) {}
  int ReplyErrorCode() const { return FReplyErrorCode; }

private:
  int FReplyErrorCode;
};

// A secure connection could not be set up or broke: the handshake failed,
// the server's certificate was not accepted, or the server would not switch
// to TLS. The text is Russian and says what failed; for a certificate it also
// gives the server's SHA-256 fingerprint, so the user can pin it knowingly.
class EIdTLSError : public EIdException {
public:
  using EIdException::EIdException;
};

namespace mv {
// The fixed text of a socket error number ("" for numbers outside the table).
std::string SocketErrorText(int errorCode);
// "Socket Error # %d\r\n%s" for the number.
std::string SocketErrorMessage(int errorCode);
[[noreturn]] void RaiseSocketError(int errorCode);
} // namespace mv
