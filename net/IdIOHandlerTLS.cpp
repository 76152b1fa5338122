#include "net/IdIOHandlerTLS.h"

#include "net/IdAntiFreeze.h"
#include "net/IdExceptions.h"
#include "net/IdStack.h"
#include "net/IdTLSFingerprint.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

namespace {
// The largest TLS record: one decrypting read never yields more.
constexpr std::size_t kRecordSize = 16384;
// What one read from the socket may take, several records' worth.
constexpr std::size_t kReadAheadSize = 65536;

std::string Ru(const char *utf8) {
  return mv::Utf8ToWin1251(utf8);
}

int ElapsedMs(std::chrono::steady_clock::time_point since) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since)
          .count());
}

// What is left of a limit (IdTimeoutInfinite stays so).
int Remaining(int limit, std::chrono::steady_clock::time_point since) {
  return limit == IdTimeoutInfinite ? limit : std::max(0, limit - ElapsedMs(since));
}

// The session's bytes go through the socket without blocking (the waits are
// ours, so the pump keeps running) and without SIGPIPE on a dead peer.
int SocketOf(BIO *bio) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
}

int BioWrite(BIO *bio, const char *data, int length) {
  BIO_clear_retry_flags(bio);
  ssize_t rc;
  do
    rc = send(SocketOf(bio), data, static_cast<std::size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
  while (rc < 0 && errno == EINTR);
  if (rc < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
    BIO_set_retry_write(bio);
  return static_cast<int>(rc);
}

int BioRead(BIO *bio, char *data, int length) {
  BIO_clear_retry_flags(bio);
  ssize_t rc;
  do
    rc = recv(SocketOf(bio), data, static_cast<std::size_t>(length), MSG_DONTWAIT);
  while (rc < 0 && errno == EINTR);
  if (rc < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
    BIO_set_retry_read(bio);
  return static_cast<int>(rc);
}

long BioCtrl(BIO *, int command, long, void *) {
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

BIO_METHOD *SocketBioMethod() {
  static BIO_METHOD *const method = [] {
    BIO_METHOD *m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "mailvornex socket");
    BIO_meth_set_write(m, BioWrite);
    BIO_meth_set_read(m, BioRead);
    BIO_meth_set_ctrl(m, BioCtrl);
    return m;
  }();
  return method;
}

// The chain is checked during the handshake but judged after it, so that a
// pinned fingerprint can overrule it; the first failure is what the user sees.
int RecordVerifyFailure(int ok, X509_STORE_CTX *store) {
  if (!ok) {
    auto *ssl = static_cast<SSL *>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto *first = static_cast<int *>(SSL_get_app_data(ssl));
    if (*first == X509_V_OK)
      *first = X509_STORE_CTX_get_error(store);
  }
  return 1;
}

bool IsIPAddress(const std::string &host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
}

std::string OpenSSLReason(unsigned long error) {
  const char *reason = ERR_reason_error_string(error);
  return reason ? reason : "error " + std::to_string(ERR_GET_REASON(error));
}

// What went wrong in a handshake that did not finish, in the user's words.
std::string HandshakeProblem(int sslError) {
  const unsigned long error = ERR_peek_last_error();
  const int reason = ERR_GET_REASON(error);
  if (sslError == SSL_ERROR_SYSCALL || error == 0 || reason == SSL_R_UNEXPECTED_EOF_WHILE_READING)
    return Ru("сервер закрыл соединение");
  switch (reason) {
  case SSL_R_UNSUPPORTED_PROTOCOL:
  case SSL_R_NO_PROTOCOLS_AVAILABLE:
  case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
  case SSL_R_VERSION_TOO_LOW:
    return Ru("сервер предлагает только устаревшие версии протокола (нужен TLS 1.2 или новее)");
  case SSL_R_WRONG_VERSION_NUMBER:
  case SSL_R_PACKET_LENGTH_TOO_LONG:
    return Ru("сервер отвечает не по протоколу TLS");
  default:
    return Ru("ошибка протокола TLS (") + OpenSSLReason(error) + ")";
  }
}
} // namespace

std::string TLSCertificateErrorText(int verifyResult, const std::string &host,
                                    const std::string &fingerprint) {
  std::string problem;
  switch (verifyResult) {
  case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
  case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
  case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
  case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
  case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    problem = Ru("сертификат выдан неизвестным издателем");
    break;
  case X509_V_ERR_CERT_HAS_EXPIRED:
    problem = Ru("срок действия сертификата истёк");
    break;
  case X509_V_ERR_CERT_NOT_YET_VALID:
    problem = Ru("срок действия сертификата ещё не начался");
    break;
  case X509_V_ERR_HOSTNAME_MISMATCH:
  case X509_V_ERR_IP_ADDRESS_MISMATCH:
    problem = Ru("сертификат выдан не на имя ") + host;
    break;
  default:
    problem = Ru("ошибка проверки сертификата (") +
              X509_verify_cert_error_string(static_cast<long>(verifyResult)) + ")";
  }
  return Ru("Сертификат сервера ") + host + Ru(" не принят: ") + problem +
         Ru(". Отпечаток SHA-256 сертификата сервера: ") + fingerprint;
}

std::string TLSFingerprintMismatchText(const std::string &host, const std::string &fingerprint) {
  return Ru("Сертификат сервера ") + host +
         Ru(" не принят: его отпечаток не совпадает с заданным в настройках. Отпечаток SHA-256 "
            "сертификата сервера: ") +
         fingerprint;
}

struct TIdIOHandlerTLS::TSession {
  SSL_CTX *Context = nullptr;
  SSL *Ssl = nullptr;
  int FirstVerifyFailure = X509_V_OK;
  TSession() = default;
  TSession(const TSession &) = delete;
  TSession &operator=(const TSession &) = delete;
  ~TSession() {
    SSL_free(Ssl);
    SSL_CTX_free(Context);
  }
};

TIdIOHandlerTLS::TIdIOHandlerTLS() = default;

TIdIOHandlerTLS::~TIdIOHandlerTLS() {
  Close();
}

void TIdIOHandlerTLS::Close() {
  if (FSession) {
    // The farewell is one try without waiting: the socket closes right after.
    if (IsOpen() && SSL_is_init_finished(FSession->Ssl))
      SSL_shutdown(FSession->Ssl);
    ERR_clear_error();
    FSession.reset();
  }
  FPlain.clear();
  FPlainStart = 0;
  FPeerClosed = false;
  FReadError = 0;
  FTLSFailure.clear();
  TIdIOHandlerSocket::Close();
}

void TIdIOHandlerTLS::ConnectTo(const std::string &host, int port, int timeout) {
  FHost = host;
  FPeerFingerprint.clear();
  // A handshake never waits without a limit: a peer that accepts and stays
  // silent must not hold the courier.
  FHandshakeTimeout = timeout > 0 ? timeout : DefaultConnectTimeout;
  TIdIOHandlerSocket::ConnectTo(host, port, timeout);
  if (Options.Mode == TIdTLSOptions::tlsImplicit)
    StartTLS();
}

void TIdIOHandlerTLS::StartTLS() {
  if (FSession)
    return;
  if (!IsOpen())
    throw EIdClosedSocket();
  try {
    TIdSha256 pinned;
    if (!Options.Fingerprint.empty() && !ParseFingerprint(Options.Fingerprint, pinned))
      throw EIdTLSError(Ru("Отпечаток сертификата в настройках задан неверно (нужны 64 шестнадцатеричные "
                           "цифры): ") +
                        Options.Fingerprint);
    auto session = std::make_unique<TSession>();
    session->Context = SSL_CTX_new(TLS_client_method());
    if (!session->Context)
      FailHandshake(OpenSSLReason(ERR_peek_last_error()));
    SSL_CTX_set_min_proto_version(session->Context, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(session->Context);
    if (!Options.CAFile.empty() &&
        SSL_CTX_load_verify_locations(session->Context, mv::ToDiskPath(Options.CAFile).c_str(), nullptr) != 1)
      throw EIdTLSError(Ru("Не удалось прочитать файл сертификатов ") + Options.CAFile);
    session->Ssl = SSL_new(session->Context);
    if (!session->Ssl)
      FailHandshake(OpenSSLReason(ERR_peek_last_error()));
    SSL *ssl = session->Ssl;
    // Each read from the socket takes whatever has arrived, several records
    // at once, not a record's header and then its body. Safe because a wait
    // always asks the session for a record before it polls the socket.
    SSL_set_read_ahead(ssl, 1);
    SSL_set_default_read_buffer_len(ssl, kReadAheadSize);
    SSL_set_app_data(ssl, &session->FirstVerifyFailure);
    SSL_set_verify(ssl, SSL_VERIFY_NONE, RecordVerifyFailure);
    if (IsIPAddress(FHost)) {
      X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), FHost.c_str());
    } else {
      SSL_set1_host(ssl, FHost.c_str());
      SSL_set_tlsext_host_name(ssl, FHost.c_str());
    }
    BIO *bio = BIO_new(SocketBioMethod());
    BIO_set_data(bio, reinterpret_cast<void *>(static_cast<std::intptr_t>(Binding()->Handle())));
    BIO_set_init(bio, 1);
    SSL_set_bio(ssl, bio, bio);
    FSession = std::move(session);
    Handshake();
    CheckCertificate();
  } catch (...) {
    ERR_clear_error();
    Close();
    throw;
  }
}

void TIdIOHandlerTLS::Handshake() {
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    ERR_clear_error();
    const int rc = SSL_connect(FSession->Ssl);
    if (rc == 1)
      return;
    const int error = SSL_get_error(FSession->Ssl, rc);
    const int left = Remaining(FHandshakeTimeout, start);
    bool ready;
    if (error == SSL_ERROR_WANT_READ)
      ready = left > 0 && TIdIOHandlerSocket::WaitReadable(left);
    else if (error == SSL_ERROR_WANT_WRITE)
      ready = left > 0 && WaitWritable(left);
    else
      FailHandshake(HandshakeProblem(error));
    if (!FSession) // the pump ran a command that closed this connection
      throw EIdClosedSocket();
    if (!ready)
      FailHandshake(Ru("сервер не ответил вовремя"));
  }
}

void TIdIOHandlerTLS::CheckCertificate() {
  X509 *certificate = SSL_get1_peer_certificate(FSession->Ssl);
  if (!certificate)
    FailHandshake(Ru("сервер не предъявил сертификат"));
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  const bool digested = X509_digest(certificate, EVP_sha256(), digest, &length) == 1;
  X509_free(certificate);
  if (!digested)
    FailHandshake(OpenSSLReason(ERR_peek_last_error()));
  FPeerFingerprint = FormatFingerprint(digest, length);
  TIdSha256 pinned;
  if (ParseFingerprint(Options.Fingerprint, pinned)) {
    if (length != pinned.size() || !std::equal(pinned.begin(), pinned.end(), digest))
      throw EIdTLSError(TLSFingerprintMismatchText(FHost, FPeerFingerprint));
    return;
  }
  int failure = FSession->FirstVerifyFailure;
  if (failure == X509_V_OK)
    failure = static_cast<int>(SSL_get_verify_result(FSession->Ssl));
  if (failure != X509_V_OK)
    throw EIdTLSError(TLSCertificateErrorText(failure, FHost, FPeerFingerprint));
}

void TIdIOHandlerTLS::FailHandshake(const std::string &detail) {
  throw EIdTLSError(Ru("Не удалось установить защищённое соединение с сервером ") + FHost + ": " + detail);
}

bool TIdIOHandlerTLS::WaitWritable(int milliseconds) {
  const auto start = std::chrono::steady_clock::now();
  const bool pump = TIdAntiFreezeBase::ShouldUse();
  const int idle = pump ? TIdAntiFreezeBase::Instance()->IdleTimeOut : IdTimeoutInfinite;
  for (;;) {
    const int left = Remaining(milliseconds, start);
    int wait = left;
    if (pump)
      wait = left == IdTimeoutInfinite ? idle : std::min(left, idle);
    pollfd entry{Binding()->Handle(), POLLOUT, 0};
    const int rc = poll(&entry, 1, wait == IdTimeoutInfinite ? -1 : wait);
    TIdAntiFreezeBase::PumpIfDue(false);
    // A failed poll is left to the next write to report.
    if (rc != 0 && !(rc < 0 && errno == EINTR))
      return true;
    if (milliseconds != IdTimeoutInfinite && Remaining(milliseconds, start) == 0)
      return false;
  }
}

bool TIdIOHandlerTLS::ReadRecord() {
  FPlain.resize(kRecordSize);
  FPlainStart = 0;
  std::size_t count = 0;
  ERR_clear_error();
  errno = 0;
  const int rc = SSL_read_ex(FSession->Ssl, FPlain.data(), FPlain.size(), &count);
  const int savedErrno = errno;
  if (rc == 1) {
    FPlain.resize(count);
    return true;
  }
  FPlain.clear();
  switch (SSL_get_error(FSession->Ssl, rc)) {
  case SSL_ERROR_WANT_READ:
    return false;
  case SSL_ERROR_WANT_WRITE:
    WaitWritable(IdTimeoutInfinite);
    return false;
  case SSL_ERROR_ZERO_RETURN:
    FPeerClosed = true;
    return true;
  case SSL_ERROR_SYSCALL:
    if (savedErrno != 0)
      FReadError = TIdStack::TranslateErrno(savedErrno);
    else
      FPeerClosed = true;
    return true;
  default: {
    // Many servers close without the TLS farewell: that is an ordinary end.
    const unsigned long error = ERR_peek_last_error();
    if (ERR_GET_REASON(error) == SSL_R_UNEXPECTED_EOF_WHILE_READING)
      FPeerClosed = true;
    else
      FTLSFailure = Ru("Ошибка защищённого соединения: ") + OpenSSLReason(error);
    return true;
  }
  }
}

bool TIdIOHandlerTLS::WaitReadable(int milliseconds) {
  if (!FSession)
    return TIdIOHandlerSocket::WaitReadable(milliseconds);
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    if (!FSession) // closed by a command the pump ran; Receive reports it
      return true;
    if (FPlainStart < FPlain.size() || FPeerClosed || FReadError != 0 || !FTLSFailure.empty())
      return true;
    // A readable socket may hold only part of a record, or a record with no
    // data for us (a session ticket): then the wait goes on.
    if (ReadRecord())
      continue;
    if (!TIdIOHandlerSocket::WaitReadable(Remaining(milliseconds, start)))
      return false;
  }
}

int TIdIOHandlerTLS::Receive(void *buffer, int length) {
  if (!FSession)
    return TIdIOHandlerSocket::Receive(buffer, length);
  WaitReadable(IdTimeoutInfinite);
  if (!FSession)
    throw EIdClosedSocket();
  if (FPlainStart < FPlain.size()) {
    const std::size_t count = std::min(FPlain.size() - FPlainStart, static_cast<std::size_t>(length));
    std::memcpy(buffer, FPlain.data() + FPlainStart, count);
    FPlainStart += count;
    return static_cast<int>(count);
  }
  if (!FTLSFailure.empty())
    throw EIdTLSError(FTLSFailure);
  if (FReadError != 0) {
    FLastError = FReadError;
    FReadError = 0;
    return Id_SOCKET_ERROR;
  }
  return 0;
}

int TIdIOHandlerTLS::ReceiveNow(void *buffer, int length) {
  if (!FSession)
    return TIdIOHandlerSocket::ReceiveNow(buffer, length);
  return FPlainStart < FPlain.size() ? Receive(buffer, length) : Id_WOULD_BLOCK;
}

int TIdIOHandlerTLS::Send(const void *buffer, int length) {
  if (!FSession)
    return TIdIOHandlerSocket::Send(buffer, length);
  for (;;) {
    if (!FSession) // closed by a command the pump ran while we waited
      throw EIdClosedSocket();
    std::size_t count = 0;
    ERR_clear_error();
    errno = 0;
    const int rc = SSL_write_ex(FSession->Ssl, buffer, static_cast<std::size_t>(length), &count);
    const int savedErrno = errno;
    if (rc == 1)
      return static_cast<int>(count);
    switch (SSL_get_error(FSession->Ssl, rc)) {
    case SSL_ERROR_WANT_WRITE:
      WaitWritable(IdTimeoutInfinite);
      break;
    case SSL_ERROR_WANT_READ:
      TIdIOHandlerSocket::WaitReadable(IdTimeoutInfinite);
      break;
    case SSL_ERROR_ZERO_RETURN:
      return 0;
    case SSL_ERROR_SYSCALL:
      if (savedErrno == 0)
        return 0;
      FLastError = TIdStack::TranslateErrno(savedErrno);
      return Id_SOCKET_ERROR;
    default:
      throw EIdTLSError(Ru("Ошибка защищённого соединения: ") + OpenSSLReason(ERR_peek_last_error()));
    }
  }
}

int TIdIOHandlerTLS::LastError() const {
  return FSession ? FLastError : TIdIOHandlerSocket::LastError();
}
