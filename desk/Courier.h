#pragma once
// The courier: one POP3 session, the messages of the last check cycle, and
// the operations on them (the check cycle, routing and unpacking of their
// attachments, the view of a message, the removal of routed messages and the
// commands on the connection). It needs no window: it reports to an
// observer, which the main window and the headless runner each implement.
#include "config/Config.h"
#include "config/WorkingDirs.h"
#include "desk/CourierObserver.h"
#include "desk/MessageFetch.h"
#include "desk/Router.h"
#include "desk/Unpacker.h"
#include "mime/IdMessage.h"
#include "net/IdPOP3.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

class ProtocolTable;

namespace mv {

class Courier {
public:
  Courier(const WorkingDirs &dirs, ProtocolTable &table, CourierObserver &observer);
  ~Courier();
  Courier(const Courier &) = delete;
  Courier &operator=(const Courier &) = delete;

  // The mail settings in use and the "delete routed messages" check box.
  MailSettings Settings;
  bool DeleteRouted = false;

  TIdPOP3 POP3;
  int MessageCount = 0; // from the last STAT
  int MailboxKB = 0;    // mailbox size of the last LIST, in KB

  // True while a check cycle runs (the connection's waits keep the event
  // loop going, so ticks and commands can arrive in the middle of one).
  bool Running() const { return running_; }

  // One check cycle: QUIT of the previous session (committing its marks), a
  // fresh log-in, and every message on the server. A failure of the
  // connection itself (unreachable, log-in refused, connection lost) raises
  // and ends the cycle; a failure that belongs to one message ends only that
  // message's turn and is listed in Failures. Returns false, doing nothing,
  // when a cycle is already running.
  bool CheckMailExecute();

  // The messages of the last cycle, one per row of the message list; element
  // k is server message k + 1.
  std::vector<std::unique_ptr<TIdMessage>> MessageList;
  TIdMessage *MessageAt(int row) const;
  int IndexOfMessage(const TIdMessage *message) const;

  // The message shown in the view. During a cycle it is the message being
  // processed, whatever row the user selects.
  TIdMessage *CurrentMessage = nullptr;
  // The click view of a row: the message as held in memory. Does nothing
  // while a cycle runs.
  void SelectRow(int row);

  // Removal: copy into DeleteDir and DELE, for a routed message.
  void RemoveRoutedMessage(TIdMessage &message, int number);

  // Connection commands. Each raises on a refused command; none may run
  // during a cycle (the window disables them, the courier refuses them).
  void DisconnectExecute(); // RSET, QUIT: the marks are undone
  void QuitExecute();       // QUIT: the marks are committed
  void DeleteExecute(int row);
  void DeleteAllExecute();

  // What went wrong in the last cycle: messages whose turn failed, and
  // archives that did not unpack whole (those messages went on). Each
  // problem is listed once per run of the program, in the first cycle that
  // met it; a message that keeps failing is not listed again.
  std::vector<MessageProblem> Failures;
  std::vector<MessageProblem> ArchiveProblems;
  // Number of messages whose turn failed in the last cycle, listed or not.
  int FailedCount = 0;

  // Steps of the cycle, public so that each can be driven alone.
  void ProcessMailbox(int count);
  void ProcessAttachments(TIdMessage &message, int number);
  void RetrieveAndShow(TIdMessage &message, int number);

  Router Routing;
  Unpacker Unpacking;

private:
  void LogIn();
  void ProcessMessage(int number);
  void Report(std::vector<MessageProblem> &list, const std::string &key, MessageProblem problem);
  std::string FreeCopyPath() const;

  const WorkingDirs &dirs_;
  CourierObserver &observer_;
  MessageSpool spool_; // one file, written anew for every answer
  bool running_ = false;
  bool inNetwork_ = false; // a failure now belongs to the connection
  bool rowAdded_ = false;  // the message under processing has its row
  std::set<std::string> reported_;
};

} // namespace mv
