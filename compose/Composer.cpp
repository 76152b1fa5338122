#include "compose/Composer.h"

#include "net/IdSMTP.h"
#include "platform/FileSystem.h"

namespace mv {
namespace {
// Where a line of text starting at begin ends, and where the next begins.
std::pair<std::size_t, std::size_t> NextBreak(const std::string &text, std::size_t begin) {
  const std::size_t rest = text.size() - begin;
  if (rest <= kWrapColumn)
    return {text.size(), text.size()};
  std::size_t blank = text.rfind(' ', begin + kWrapColumn);
  if (blank == std::string::npos || blank < begin)
    blank = text.find(' ', begin + kWrapColumn);
  if (blank != std::string::npos && blank - begin <= kMaxLineBytes)
    return {blank, blank + 1};
  const std::size_t cut = begin + std::min(rest, kMaxLineBytes);
  return {cut, cut};
}

bool HasHighBytes(const TIdLines &lines) {
  for (const std::string_view line : lines)
    for (const char c : line)
      if (static_cast<unsigned char>(c) >= 0x80)
        return true;
  return false;
}
} // namespace

std::vector<std::string> WrapLongLines(const std::vector<std::string> &paragraphs) {
  std::vector<std::string> lines;
  lines.reserve(paragraphs.size());
  for (const std::string &paragraph : paragraphs) {
    if (paragraph.size() <= kMaxLineBytes) {
      lines.push_back(paragraph);
      continue;
    }
    for (std::size_t begin = 0; begin < paragraph.size();) {
      const auto [end, next] = NextBreak(paragraph, begin);
      lines.push_back(paragraph.substr(begin, end - begin));
      begin = next;
    }
  }
  return lines;
}

void FillMessage(TIdMessage &message, const EditorFields &fields, const MailSettings &settings) {
  message.Body = WrapLongLines(fields.Paragraphs);
  message.From.SetText(settings.PersonalEmail);
  message.ReplyTo.SetAddressesText(settings.PersonalEmail);
  message.Recipients.SetAddressesText(fields.To);
  message.Subject = fields.Subject;
  message.Priority = fields.PriorityIndex >= mpHighest && fields.PriorityIndex <= mpLowest
                         ? static_cast<TIdMessagePriority>(fields.PriorityIndex)
                         : mpNormal;
  message.CCList.SetAddressesText(fields.Cc);
  message.BccList.SetAddressesText("");
  message.ReceiptRecipient.SetText(fields.ReturnReceipt ? message.From.Text() : std::string());
  // The same message object is sent again and again: its content type is
  // made afresh, so a message whose attachments were removed is plain again.
  message.ContentType = "text/plain";
  message.CharSet = kComposedCharSet;
  bool attachments = false;
  for (int i = 0; i < message.Parts.Count(); ++i)
    attachments = attachments || dynamic_cast<const TIdAttachment *>(&message.Parts[i]);
  message.ContentTransferEncoding = !attachments && HasHighBytes(message.Body) ? "8bit" : "";
}

void ConfigureSmtp(TIdSMTP &smtp, const MailSettings &settings) {
  // A type the file holds but no one knows keeps the client's own.
  if (settings.SmtpAuthType >= atNone && settings.SmtpAuthType <= atPlain)
    smtp.SetAuthenticationType(static_cast<TAuthenticationType>(settings.SmtpAuthType));
  smtp.Username = settings.SmtpUser;
  smtp.Password = settings.SmtpPassword;
  smtp.Host = settings.SmtpHost;
  smtp.Port = settings.SmtpPort;
  smtp.TLS = settings.SmtpTLS;
}

std::string FreeSentCopyPath(const std::string &sendDir) {
  const std::string name = "SMsg.eml";
  std::string path = sendDir + name;
  for (int n = 1; FileExists(path); ++n)
    path = sendDir + "C" + std::to_string(n) + "_" + name;
  return path;
}

std::string SendAndKeepCopy(TIdSMTP &smtp, TIdMessage &message, const std::string &sendDir) {
  smtp.Connect(-1);
  try {
    smtp.SendMessage(message);
  } catch (...) {
    try {
      smtp.Disconnect();
    } catch (...) {
      // the send's own error is the one to show
    }
    throw;
  }
  smtp.Disconnect();
  const std::string path = FreeSentCopyPath(sendDir);
  message.WriteToFile(path);
  return path;
}

void AddAttachment(TIdMessage &message, const std::string &path) {
  message.Parts.AddAttachment(path);
}

void RemoveAttachments(TIdMessage &message, const std::string &fileName) {
  for (int i = message.Parts.Count() - 1; i >= 0; --i)
    if (const auto *a = dynamic_cast<const TIdAttachment *>(&message.Parts[i]); a && a->FileName == fileName)
      message.Parts.Delete(i);
}

std::vector<PartEntry> PartEntries(const TIdMessage &message) {
  std::vector<PartEntry> entries;
  for (int i = 0; i < message.Parts.Count(); ++i) {
    const TIdMessagePart &part = message.Parts[i];
    if (const auto *a = dynamic_cast<const TIdAttachment *>(&part))
      entries.push_back({a->FileName, a->ContentType()});
    else
      entries.push_back({part.ContentType(), part.ContentType()});
  }
  return entries;
}
} // namespace mv
