#pragma once
// Real mail servers on 127.0.0.1 for integration tests, each in a private
// temporary work directory and on a free port, stopped and removed at the
// end: dovecot's POP3 server with one user (test / secret) and a maildir
// filled from given message texts, and an aiosmtpd SMTP server (with
// AUTH LOGIN, test / secret) that stores every message it accepts. Either
// can speak TLS with a certificate made at test time (TestCertificates).
#include "tests/support/ScratchDir.h"

#include <string>
#include <sys/types.h>
#include <vector>

// A test CA and a server certificate it signed for the name "localhost" (and
// no IP address), made with the openssl tool in a private directory that is
// removed at the end.
class TestCertificates {
public:
  // False when the openssl tool is missing.
  static bool Available();
  TestCertificates();
  TestCertificates(const TestCertificates &) = delete;
  TestCertificates &operator=(const TestCertificates &) = delete;

  std::string CAFile;   // the CA certificate (PEM)
  std::string CertFile; // the server certificate (PEM)
  std::string KeyFile;  // its private key
  // The server certificate's SHA-256 fingerprint as openssl prints it ("AB:CD:...").
  std::string Fingerprint;

private:
  mvtest::ScratchDir FScratch; // removed after the server has stopped
  std::string FWorkDir;
};

class DovecotServer {
public:
  static constexpr const char *User = "test";
  static constexpr const char *Password = "secret";

  // False when dovecot is not installed.
  static bool Available();
  // Starts dovecot with the messages (in mailbox order) and returns once it greets.
  explicit DovecotServer(const std::vector<std::string> &messages);
  // The same with TLS: STLS offered on Port(), POP3S on TLSPort().
  DovecotServer(const std::vector<std::string> &messages, const TestCertificates &tls);
  ~DovecotServer();
  DovecotServer(const DovecotServer &) = delete;
  DovecotServer &operator=(const DovecotServer &) = delete;

  int Port() const { return FPort; }
  int TLSPort() const { return FTLSPort; }
  // Message files in the maildir now (deleted messages are gone after QUIT).
  int StoredMessageCount() const;

private:
  void Start(const std::vector<std::string> &messages);
  void WriteConfiguration();
  void WaitForGreeting();
  mvtest::ScratchDir FScratch; // removed after the server has stopped
  std::string FWorkDir;
  const TestCertificates *FTLS = nullptr;
  int FPort = 0;
  int FTLSPort = 0;
  pid_t FPid = -1;
};

class SmtpServer {
public:
  struct Received {
    std::string MailFrom;
    std::vector<std::string> RcptTos;
    std::string AuthUser; // empty when the session did not log in
    std::string Content;  // the DATA as received, CR LF line ends
  };

  // False when python3 or its aiosmtpd module is missing.
  static bool Available();
  explicit SmtpServer(bool authRequired = false);
  enum TLSMode { StartTLS, ImplicitTLS };
  // With TLS: STARTTLS offered, and AUTH only after it; or TLS from the first
  // byte, AUTH offered at once.
  SmtpServer(bool authRequired, const TestCertificates &tls, TLSMode mode);
  ~SmtpServer();
  SmtpServer(const SmtpServer &) = delete;
  SmtpServer &operator=(const SmtpServer &) = delete;

  int Port() const { return FPort; }
  // Every message accepted so far, in order.
  std::vector<Received> Messages() const;

private:
  void Start(std::vector<std::string> extraArgs);
  mvtest::ScratchDir FScratch; // removed after the server has stopped
  std::string FWorkDir;
  int FPort = 0;
  pid_t FPid = -1;
};

// A TLS server that speaks only TLS 1.0 and 1.1, which nothing should accept
// any more (python3's ssl). It takes one connection after another and greets
// a client that completes the handshake with "+OK".
class LegacyTLSServer {
public:
  explicit LegacyTLSServer(const TestCertificates &tls);
  ~LegacyTLSServer();
  LegacyTLSServer(const LegacyTLSServer &) = delete;
  LegacyTLSServer &operator=(const LegacyTLSServer &) = delete;
  int Port() const { return FPort; }

private:
  int FPort = 0;
  pid_t FPid = -1;
};

// Connects to 127.0.0.1:port and reads the first line (empty on failure).
std::string ReadGreeting(int port);
