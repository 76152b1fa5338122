#pragma once
// The work of the two viewers of kept message copies (removed from the server
// in Delete/, sent in Send/), without windows: listing the copies, reading
// one for display, deleting it, and writing an attachment out for opening.
#include <string>
#include <vector>

namespace mv {
enum class StoredKind {
  Deleted, // second column: the sender, KOI8-R words decoded
  Sent,    // second column: the recipients as read
};

struct StoredRow {
  std::string Subject;
  std::string Second;
  std::string Date; // short date form
  std::string Path;
};

struct StoredListing {
  std::vector<StoredRow> Rows;
  // One text per file that could not be read; such files are left out.
  std::vector<std::string> Errors;
};

// Every "*.eml" under dir (subdirectories included) in listing order.
StoredListing ListStoredMessages(const std::string &dir, StoredKind kind);

struct StoredAttachment {
  std::string Name; // the name it is listed and opened under
  std::string ContentType;
};

struct StoredContent {
  // The last text part; a message without text parts shows its plain body.
  std::vector<std::string> Text;
  std::vector<StoredAttachment> Attachments;
};

// Reads the file afresh; a missing or unreadable file raises the reader's error.
StoredContent ReadStoredMessage(const std::string &path);

// Deletes the file when it is there; false when it stays on disk.
bool DeleteStoredMessage(const std::string &path);

// Deletes every file under dir (subdirectories included); a missing dir is empty.
void EmptyDirectoryFiles(const std::string &dir);

// Opening an attachment: writes the attachment listed as name into
// attachDir + name unless a file of that name is already there (which is then
// opened as it is). Returns the path to open. A name that would leave
// attachDir, or bytes that cannot be copied, raise "Error saving attachment.";
// a name the message no longer holds writes nothing.
std::string WriteOutStoredAttachment(const std::string &messagePath, const std::string &name,
                                     const std::string &attachDir);
} // namespace mv
