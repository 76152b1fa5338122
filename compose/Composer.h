#pragma once
// The message editor's work without its window: filling the message from the
// fields and the mail settings, configuring the SMTP client, sending, and
// keeping the copy in Send/; adding, removing and listing attachments.
#include "config/Config.h"
#include "mime/IdMessage.h"

#include <string>
#include <vector>

class TIdSMTP;

namespace mv {
// SMTP carries lines of at most 998 bytes (RFC 5321); longer paragraphs are
// wrapped at blanks near the width the editor shows them with.
inline constexpr std::size_t kMaxLineBytes = 998;
inline constexpr std::size_t kWrapColumn = 76;
inline constexpr const char *kComposedCharSet = "Windows-1251";

// Paragraphs of up to kMaxLineBytes stay whole. A longer one is broken at the
// last blank within kWrapColumn (or, lacking one, the first blank after it
// within kMaxLineBytes), the blank itself dropped; a stretch of kMaxLineBytes
// without a blank is cut there.
std::vector<std::string> WrapLongLines(const std::vector<std::string> &paragraphs);

// The editor's fields as typed (Windows-1251).
struct EditorFields {
  std::string To;
  std::string Subject;
  std::string Cc;
  int PriorityIndex = 2; // 0 Highest .. 4 Lowest
  bool ReturnReceipt = false;
  std::vector<std::string> Paragraphs;
};

// Sets body, sender, reply address, recipients, subject, priority, copy
// list, an empty blind-copy list and the receipt address; the message is
// plain text in Windows-1251 (multipart when it holds attachments).
void FillMessage(TIdMessage &message, const EditorFields &fields, const MailSettings &settings);

// The one place the client takes its settings from Mail.ini. An
// authentication type other than 0 or 1 leaves the client's type as it was.
void ConfigureSmtp(TIdSMTP &smtp, const MailSettings &settings);

// "SMsg.eml" in sendDir, else the first free "C<n>_SMsg.eml".
std::string FreeSentCopyPath(const std::string &sendDir);

// Connect, send, disconnect (also after a failed send); only after a
// successful send the copy is written. Returns the copy's path. Any failure
// raises with its own text and stores nothing.
std::string SendAndKeepCopy(TIdSMTP &smtp, TIdMessage &message, const std::string &sendDir);

// An attachment part over the file at path (read only when the message is
// written), named after the file.
void AddAttachment(TIdMessage &message, const std::string &path);
// Removes every attachment whose FileName equals fileName exactly.
void RemoveAttachments(TIdMessage &message, const std::string &fileName);

// One list entry per part: an attachment shows its file name, any other part
// its content type.
struct PartEntry {
  std::string Text;
  std::string ContentType;
};
std::vector<PartEntry> PartEntries(const TIdMessage &message);
} // namespace mv
