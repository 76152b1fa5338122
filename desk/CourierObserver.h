#pragma once
// What the courier tells the one who watches it: the main window shows it,
// the headless runner prints it. All texts are Windows-1251.
#include <string>
#include <vector>

namespace mv {

// One row of the message list: caption (subject) and the sub-items.
struct MessageRow {
  std::string Caption;
  std::string From;
  std::string Date; // short date of the system locale
  std::string Size; // LIST n in decimal
  std::string Extra = "n/a";
};

// Row icons of the main window's image list.
inline constexpr int kIconListed = 2;
inline constexpr int kIconMarkedAll = 5;
inline constexpr int kIconMarked = 10;

// The contents of the message view: the header panel, the body and the
// attachment list.
struct MessageViewContents {
  std::string From, Recipients, Cc, Subject, Date, Receipt, Organization, Priority, CTyp, C_encode;
  // The body lines in Windows-1251 (KOI8-R text converted), and the text the
  // view shows: the lines read in their declared charset (for HTML also one
  // named by a <meta> tag), as UTF-8. With Html set the HTML view renders it.
  std::vector<std::string> BodyLines;
  std::string BodyUtf8;
  bool Html = false;
  struct Attachment {
    std::string Name;
    std::string ContentType;
  };
  std::vector<Attachment> Attachments;
  bool PaperClip = false; // the message has parts
};

// A message whose turn failed, or an archive that could not be unpacked whole.
struct MessageProblem {
  int Number = 0; // server message number
  std::string Subject;
  std::string Text; // what failed
};

class CourierObserver {
public:
  virtual ~CourierObserver() = default;
  virtual void ShowStatus(const std::string &text) = 0;
  virtual std::string StatusText() const = 0;
  virtual void ShowBusy(bool /*busy*/) {}
  virtual void ShowConnected(bool /*connected*/) {}
  virtual void ShowFileStatus(int /*messageCount*/, int /*mailboxKB*/) {}
  // The mailbox was empty: empty the lists, the views and the header labels.
  virtual void ShowEmptyMailbox() {}
  virtual void ClearMessageRows() {}
  // Appends a row and selects it.
  virtual void AddMessageRow(const MessageRow & /*row*/) {}
  virtual void SetRowIcon(int /*row*/, int /*icon*/) {}
  // -1 hides the progress bar, 0..100 shows it at that position.
  virtual void ShowProgress(int /*percent*/) {}
  // Shows a message in the view; retrieval says whether it was just fetched.
  virtual void ShowMessageView(const MessageViewContents & /*contents*/) {}
  // Empties the view after the message was removed from the server.
  virtual void ClearMessageView() {}
  // A text part met while attachments are staged replaces the text of the
  // plain text view (display only); UTF-8.
  virtual void ShowTextPart(const std::string & /*utf8*/) {}
  // The attachment panel becomes visible while attachments are staged.
  virtual void ShowAttachmentPanel() {}
  // A file was filed at targetPath and recorded.
  virtual void FileRouted(const std::string & /*targetPath*/) {}
  // Lets the user interface breathe between messages.
  virtual void ProcessMessages() {}
  // Asked before each message: true ends the cycle there (the headless
  // runner's stop signal), so the message under processing is finished.
  virtual bool StopRequested() const { return false; }
};

} // namespace mv
