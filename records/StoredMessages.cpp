#include "records/StoredMessages.h"

#include "desk/AttachmentLookup.h"
#include "mime/IdMessage.h"
#include "mime/Koi8.h"
#include "platform/FileSystem.h"
#include "records/ProtocolTable.h"

#include <exception>

namespace mv {
namespace {
std::string DateText(TDateTime date) {
  return date == 0 ? std::string() : ShortDateText(DayOf(date));
}

// Names come from the mail: one that names a directory or climbs out of
// attachDir must not be written at all.
bool StaysInDirectory(const std::string &name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}
} // namespace

StoredListing ListStoredMessages(const std::string &dir, StoredKind kind) {
  std::vector<std::string> paths;
  ListFiles(dir, "*.eml", paths);
  StoredListing listing;
  TIdMessage message;
  for (const std::string &path : paths) {
    try {
      message.ResetMessage();
      message.ReadFromFile(path);
    } catch (const std::exception &e) {
      listing.Errors.push_back(e.what());
      continue;
    }
    const std::string second = kind == StoredKind::Deleted ? DecodeKoi8Word(message.From.Text())
                                                           : message.Recipients.AddressesText();
    listing.Rows.push_back({message.Subject, second, DateText(message.Date), path});
  }
  return listing;
}

StoredContent ReadStoredMessage(const std::string &path) {
  TIdMessage message;
  message.ReadFromFile(path);
  StoredContent content;
  bool textPart = false;
  for (int i = 0; i < message.Parts.Count(); ++i) {
    if (const auto *a = dynamic_cast<const TIdAttachment *>(&message.Parts[i])) {
      content.Attachments.push_back({AttachmentName(*a), a->ContentType()});
    } else if (const auto *text = dynamic_cast<const TIdText *>(&message.Parts[i])) {
      content.Text.assign(text->Body.begin(), text->Body.end());
      textPart = true;
    }
  }
  if (!textPart)
    content.Text.assign(message.Body.begin(), message.Body.end());
  return content;
}

bool DeleteStoredMessage(const std::string &path) {
  return !FileExists(path) || DeleteFileAt(path);
}

void EmptyDirectoryFiles(const std::string &dir) {
  std::vector<std::string> files;
  if (DirectoryExists(dir))
    ListFiles(dir, "*", files); // every file, with or without a dot
  for (const std::string &file : files)
    DeleteFileAt(file);
}

std::string WriteOutStoredAttachment(const std::string &messagePath, const std::string &name,
                                     const std::string &attachDir) {
  if (!StaysInDirectory(name))
    throw EIdException("Error saving attachment.");
  TIdMessage message;
  message.ReadFromFile(messagePath);
  const std::string target = attachDir + name;
  const int index = FindAttachment(message, name);
  if (index >= 0 && !FileExists(target))
    static_cast<TIdAttachment &>(message.Parts[index]).CopyToFile(target);
  return target;
}
} // namespace mv
