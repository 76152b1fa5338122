#pragma once
// Fetching a message from the POP3 server. The server's answer is spooled
// whole into a file before the message reader sees it: the end line is
// always consumed by the spooling, so a message the reader cannot read (a
// header line over the limit, a broken part) fails alone and never leaves
// the connection out of step for the next command.
#include "mime/IdMessage.h"

#include <string>

class TIdPOP3;

namespace mv {

class MessageSpool {
public:
  // The spool file lives in the system's temporary directory, not in
  // TempDir, which routing empties for every attachment. Each Fetch writes
  // it anew.
  MessageSpool();
  ~MessageSpool();
  MessageSpool(const MessageSpool &) = delete;
  MessageSpool &operator=(const MessageSpool &) = delete;

  // Sends the command ("TOP n 0", "RETR n") and spools the answer up to its
  // end line. A "-ERR" raises the server's reply when raiseOnError is set,
  // else returns false with nothing spooled.
  bool Fetch(TIdPOP3 &pop3, const std::string &command, bool raiseOnError);

  // Reads the spooled answer into message (which is reset first).
  void ReadInto(TIdMessage &message, bool headersOnly) const;

  const std::string &Path() const { return path_; }

private:
  std::string path_;
};

} // namespace mv
