#include "desk/Courier.h"

#include "desk/AttachmentLookup.h"
#include "desk/MessageFetch.h"
#include "desk/MessageView.h"
#include "desk/Texts.h"
#include "mime/BodyText.h"
#include "mime/ForwardedMessages.h"
#include "mime/IdTrim.h"
#include "mime/Koi8.h"
#include "net/IdExceptions.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <cstdio>

namespace mv {
namespace {

// Marks the steps that talk to the server: a failure there (other than a
// refusal the server states in its reply) means the connection is gone or
// out of step, and ends the cycle.
class NetworkStep {
public:
  explicit NetworkStep(bool &flag) : flag_(flag) { flag_ = true; }
  ~NetworkStep() { flag_ = false; }

private:
  bool &flag_;
};

// The extension from the last "." on, blanks and control characters around
// it removed, letters a to z made capitals.
std::string ExtensionOf(const std::string &name) {
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : UpperAscii(idtext::Trim(name.substr(dot)));
}

std::string ProblemKey(const TIdMessage &message, int number) {
  if (message.MessageId.empty() && message.Subject.empty())
    return "#" + std::to_string(number);
  char date[32];
  std::snprintf(date, sizeof date, "%.6f", message.Date);
  return message.MessageId + "\n" + message.Subject + "\n" + date;
}

// Puts the attachment's bytes under `staged`. The reader's temporary file
// gets a second name there rather than a copy: nothing writes to a staged
// file (filing renames it, unpacking reads it), and ext4 neither allocates
// an inode for the copy nor later frees the temporary one, both of which
// grow costly when many files come and go within seconds.
void StageAttachment(TIdAttachment &attachment, const std::string &staged) {
  if (!attachment.StoredFileTemporary() || !LinkFileAs(attachment.StoredPath, staged)) {
    attachment.CopyToFile(staged);
    return;
  }
  // As after a copy: the temporary name goes with the part.
  attachment.DeleteStoredFile = true;
}

} // namespace

Courier::Courier(const WorkingDirs &dirs, ProtocolTable &table, CourierObserver &observer)
    : Routing(dirs, table), Unpacking(dirs, Routing), dirs_(dirs), observer_(observer) {
  Routing.OnFiled = [this](const std::string &target) { observer_.FileRouted(target); };
}

Courier::~Courier() = default;

TIdMessage *Courier::MessageAt(int row) const {
  return row >= 0 && row < static_cast<int>(MessageList.size()) ? MessageList[row].get() : nullptr;
}

int Courier::IndexOfMessage(const TIdMessage *message) const {
  for (std::size_t i = 0; i < MessageList.size(); ++i)
    if (MessageList[i].get() == message)
      return static_cast<int>(i);
  return -1;
}

bool Courier::CheckMailExecute() {
  if (running_)
    return false;
  struct Run {
    Courier &courier;
    explicit Run(Courier &c) : courier(c) { courier.running_ = true; }
    ~Run() {
      courier.running_ = false;
      courier.inNetwork_ = false;
      courier.observer_.ShowBusy(false);
    }
  } run(*this);
  Failures.clear();
  ArchiveProblems.clear();
  FailedCount = 0;
  try {
    LogIn();
    MessageCount = POP3.CountMessages();
    const std::int64_t size = POP3.MailboxSize();
    MailboxKB = size < 0 ? 0 : static_cast<int>(size / 1024);
    observer_.ShowFileStatus(MessageCount, MailboxKB);
    if (MessageCount < 1) {
      observer_.ShowStatus(Cp1251("Нет сообщений на сервере"));
      CurrentMessage = nullptr;
      MessageList.clear();
      observer_.ShowEmptyMailbox();
    } else {
      ProcessMailbox(MessageCount);
    }
  } catch (...) {
    observer_.ShowProgress(-1);
    throw;
  }
  return true;
}

void Courier::LogIn() {
  observer_.ShowBusy(true);
  observer_.ShowStatus(Cp1251("Попытка соединения с сервером ...."));
  if (POP3.IsConnected()) {
    // The QUIT commits the previous cycle's marks. A session the server has
    // closed while it sat idle is closed quietly here; the log-in below
    // opens a new one.
    try {
      POP3.Disconnect();
    } catch (const EIdException &) {
      POP3.DropConnection();
    }
  }
  POP3.Host = Settings.PopHost;
  POP3.Port = Settings.PopPort;
  POP3.Username = Settings.PopUser;
  POP3.Password = Settings.PopPassword;
  POP3.TLS = Settings.PopTLS;
  POP3.Connect(-1);
  observer_.ShowConnected(true);
}

void Courier::ProcessMailbox(int count) {
  const std::string remembered = observer_.StatusText();
  observer_.ClearMessageRows();
  CurrentMessage = nullptr;
  MessageList.clear();
  observer_.ShowProgress(0);
  for (int i = 1; i <= count && !observer_.StopRequested(); ++i) {
    char status[64];
    std::snprintf(status, sizeof status, Cp1251("Сообщение %d of %d").c_str(), i, count);
    observer_.ShowStatus(status);
    observer_.ProcessMessages();
    try {
      ProcessMessage(i);
    } catch (const std::exception &e) {
      const auto *refusal = dynamic_cast<const EIdProtocolReplyError *>(&e);
      if (inNetwork_ && !refusal)
        throw; // the connection is gone or out of step: the cycle ends
      inNetwork_ = false;
      DeleteFilesBelow(dirs_.TempDir);
      ++FailedCount;
      const TIdMessage &message = *MessageList.back();
      // Row k stays the message numbered k + 1, which the mark commands
      // delete: a message whose header failed gets its row all the same.
      if (!rowAdded_)
        observer_.AddMessageRow(RowOf(message, 0));
      Report(Failures, ProblemKey(message, i), {i, DecodeKoi8Word(message.Subject), e.what()});
    }
    observer_.ShowProgress(i * 100 / count);
  }
  observer_.ShowStatus(remembered);
  observer_.ShowProgress(-1);
}

void Courier::ProcessMessage(int number) {
  MessageList.push_back(std::make_unique<TIdMessage>());
  TIdMessage &message = *MessageList.back();
  message.ResetMessage();
  // The message under processing stays current whatever row the user
  // selects meanwhile: SelectRow does nothing while a cycle runs.
  CurrentMessage = &message;
  rowAdded_ = false;
  int size = 0;
  {
    NetworkStep net(inNetwork_);
    spool_.Fetch(POP3, "TOP " + std::to_string(number) + " 0", true);
  }
  spool_.ReadInto(message, true);
  {
    NetworkStep net(inNetwork_);
    size = POP3.MessageSize(number);
  }
  observer_.AddMessageRow(RowOf(message, size));
  rowAdded_ = true;
  Routing.MessageRouted = false;
  RetrieveAndShow(message, number);
  if (message.Parts.Count() > 0) {
    ProcessAttachments(message, number);
    RemoveRoutedMessage(message, number);
  }
}

void Courier::RetrieveAndShow(TIdMessage &message, int number) {
  const std::string remembered = observer_.StatusText();
  observer_.ShowBusy(true);
  message.ResetMessage();
  observer_.ShowStatus(Cp1251("Восстановленное сообщение \"n/a\""));
  bool fetched = false;
  {
    NetworkStep net(inNetwork_);
    fetched = spool_.Fetch(POP3, "RETR " + std::to_string(number), false);
  }
  // A refused RETR leaves the message empty, and the view shows it so.
  if (fetched)
    spool_.ReadInto(message, false);
  observer_.ShowMessageView(ViewOf(message, true));
  observer_.ShowStatus(Cp1251("Декодированное вложение (") + std::to_string(message.Parts.Count()) + ")");
  observer_.ShowStatus(remembered);
  observer_.ShowBusy(false);
}

void Courier::ProcessAttachments(TIdMessage &message, int number) {
  const std::string remembered = observer_.StatusText();
  observer_.ShowBusy(true);
  Routing.BeginMessage(message);
  observer_.ShowStatus(Cp1251("Декодированное вложение (") + std::to_string(message.Parts.Count()) + ")");
  for (int i = 0; i < message.Parts.Count(); ++i)
    if (const auto *text = dynamic_cast<const TIdText *>(&message.Parts[i]))
      observer_.ShowTextPart(BodyTextAsUtf8(text->Body, text->ContentType()));
  // A forwarded message is filed like any attachment, and the attachments
  // inside it follow it, filed as the outer message's.
  for (const TIdAttachment *attachment : AttachmentsForRouting(message)) {
    DeleteFilesBelow(dirs_.TempDir);
    observer_.ShowAttachmentPanel();
    const std::string name = AttachmentName(*attachment);
    if (IsUnsafeFileName(name))
      continue;
    const std::string staged = dirs_.TempDir + name;
    if (FileExists(staged))
      DeleteFileAt(staged);
    // The message is the courier's own; the look-up only hands out read-only parts.
    StageAttachment(const_cast<TIdAttachment &>(*attachment), staged);
    RemoveExecuteBits(staged);
    const std::string ext = ExtensionOf(name);
    if (ext == ".ZIP" || ext == ".RAR") {
      const std::string problem = Unpacking.UnpackAndRoute(staged, ext == ".RAR");
      if (!problem.empty())
        Report(ArchiveProblems, ProblemKey(message, number) + "\n" + name,
               {number, DecodeKoi8Word(message.Subject), name + ": " + problem});
      continue;
    }
    Routing.RouteFile(staged);
    if (FileExists(staged))
      DeleteFileAt(staged);
  }
  observer_.ShowStatus(remembered);
  observer_.ShowBusy(false);
}

std::string Courier::FreeCopyPath() const {
  std::string path = dirs_.DeleteDir + "DMsg.eml";
  for (int n = 1; FileExists(path); ++n)
    path = dirs_.DeleteDir + "C" + std::to_string(n) + "_DMsg.eml";
  return path;
}

void Courier::RemoveRoutedMessage(TIdMessage &message, int number) {
  // A message whose files were all filed by an earlier download (its marks
  // were undone, or the session was lost before the QUIT) counts as routed
  // too: otherwise it would stay on the server for good.
  if (!DeleteRouted || !(Routing.MessageRouted || Routing.FiledEarlier))
    return;
  message.WriteToFile(FreeCopyPath());
  {
    NetworkStep net(inNetwork_);
    POP3.DeleteMessage(number);
  }
  observer_.ClearMessageView();
}

void Courier::SelectRow(int row) {
  if (running_)
    return;
  TIdMessage *message = MessageAt(row);
  if (!message)
    return;
  CurrentMessage = message;
  observer_.ShowBusy(true);
  observer_.ShowStatus(Cp1251("Сведения о сообщении \"n/a\""));
  observer_.ShowMessageView(ViewOf(*message, false));
  observer_.ShowBusy(false);
}

void Courier::DisconnectExecute() {
  if (running_ || !POP3.IsConnected())
    return;
  try {
    POP3.ResetDeletions();
  } catch (const EIdException &) {
    observer_.ShowStatus(Cp1251("Ваш POP сервер - недоступен"));
  }
  POP3.Disconnect();
  observer_.ShowConnected(false);
}

void Courier::QuitExecute() {
  if (running_)
    return;
  POP3.Disconnect();
  observer_.ShowConnected(false);
}

void Courier::DeleteExecute(int row) {
  if (running_ || !MessageAt(row))
    return;
  observer_.ShowBusy(true);
  POP3.DeleteMessage(row + 1);
  observer_.SetRowIcon(row, kIconMarked);
  observer_.ShowBusy(false);
}

void Courier::DeleteAllExecute() {
  if (running_)
    return;
  for (int row = 0; row < static_cast<int>(MessageList.size()); ++row) {
    observer_.ShowBusy(true);
    POP3.DeleteMessage(row + 1);
    observer_.SetRowIcon(row, kIconMarkedAll);
    observer_.ShowBusy(false);
  }
}

void Courier::Report(std::vector<MessageProblem> &list, const std::string &key, MessageProblem problem) {
  if (reported_.insert(key).second)
    list.push_back(std::move(problem));
}

} // namespace mv
