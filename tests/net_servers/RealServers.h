#pragma once
// Real mail servers on 127.0.0.1 for integration tests, each in a private
// temporary work directory and on a free port, stopped and removed at the
// end: dovecot's POP3 server with one user (test / secret) and a maildir
// filled from given message texts, and an aiosmtpd SMTP server (with
// AUTH LOGIN, test / secret) that stores every message it accepts.
#include <string>
#include <sys/types.h>
#include <vector>

class DovecotServer {
public:
  static constexpr const char *User = "test";
  static constexpr const char *Password = "secret";

  // False when dovecot is not installed.
  static bool Available();
  // Starts dovecot with the messages (in mailbox order) and returns once it greets.
  explicit DovecotServer(const std::vector<std::string> &messages);
  ~DovecotServer();
  DovecotServer(const DovecotServer &) = delete;
  DovecotServer &operator=(const DovecotServer &) = delete;

  int Port() const { return FPort; }
  // Message files in the maildir now (deleted messages are gone after QUIT).
  int StoredMessageCount() const;

private:
  void WriteConfiguration();
  void WaitForGreeting();
  std::string FWorkDir;
  int FPort = 0;
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
  ~SmtpServer();
  SmtpServer(const SmtpServer &) = delete;
  SmtpServer &operator=(const SmtpServer &) = delete;

  int Port() const { return FPort; }
  // Every message accepted so far, in order.
  std::vector<Received> Messages() const;

private:
  std::string FWorkDir;
  int FPort = 0;
  pid_t FPid = -1;
};

// Connects to 127.0.0.1:port and reads the first line (empty on failure).
std::string ReadGreeting(int port);
