#pragma once
// The POP3 client (RFC 1939) as the courier uses it: USER/PASS log-in,
// STAT, LIST, TOP n 0, RETR, DELE, RSET and QUIT. Replies are mapped to
// codes: 1 for "+OK", 2 for "-ERR".
#include "mime/IdMessageClient.h"

#include <cstdint>
#include <string>

enum class TIdPop3Status { Ok, Err, Unrecognized };

// The status of a reply by its code word: "+OK" or "-ERR" in any letter case;
// anything else (such as "+OK2") is no status.
TIdPop3Status ClassifyPop3Status(const std::string &textCode);

class TIdPOP3 : public TIdMessageClient {
public:
  static constexpr int OkCode = 1;
  static constexpr int ErrCode = 2;

  // Port 110; 1024-byte receives and a failure on over-long lines, as the
  // courier runs it.
  TIdPOP3();

  std::string Username;
  std::string Password;
  bool APOP = false; // the log-in is always USER and PASS

  // TCP connect (with TLS as TLS asks: from the first byte, or by STLS after
  // the greeting), greeting, USER, PASS. A server that refuses STLS fails the
  // connect before the user name is sent. A failure after the TCP connect
  // sends QUIT (when the link still works) and closes before it propagates.
  void Connect(int timeout = IdTimeoutDefault) override;
  // Reads a status line and maps "+OK"/"-ERR" (any case) to 1/2; anything else
  // raises "Unrecognized POP3 Response Header:\n\"...\"".
  using TIdMessageClient::ReadReply;
  int ReadReply(const std::vector<int> &accepted) override;

  // STAT: the number of messages.
  int CountMessages();
  // LIST: the sum of the listed sizes, or -1 when anything failed.
  std::int64_t MailboxSize();
  // LIST n: the size, or -1 when the reply has none.
  int MessageSize(int number);
  // TOP n 0 and the header reading.
  bool RetrieveHeaders(int number, TIdMessage &message);
  // RETR n and the message reading; false (nothing read) on "-ERR".
  bool RetrieveMessage(int number, TIdMessage &message);
  bool DeleteMessage(int number);
  bool ResetDeletions();
  // QUIT without waiting for the reply, then close.
  void Disconnect() override;
  // Closes without QUIT: after a failure, so that no deletion mark of the
  // session is committed, and for a session that is already dead.
  void DropConnection();

private:
  void SwitchToTLS();
};
