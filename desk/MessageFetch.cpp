#include "desk/MessageFetch.h"

#include "mime/IdMessageCoder.h"
#include "mime/IdStream.h"
#include "net/IdPOP3.h"
#include "platform/FileSystem.h"

namespace mv {
namespace {

void Spool(TIdPOP3 &pop3, const std::string &path) {
  // The spool is written over from its start and the old contents are cut
  // off behind the new ones at the end, not truncated away at the open: a
  // file truncated to nothing makes ext4 write the new contents out to disk
  // at close. The copy hands over one receive at a time; the file gets
  // large blocks.
  TIdFileStream file(path, FileExists(path) ? TIdFileMode::fmOpenWrite : TIdFileMode::fmCreate);
  BufferedWriteStream spool(file);
  // The lines stay dot-stuffed, so the file is a message file ending in
  // the end line, exactly as the server sent it.
  pop3.CopyReplyLines(spool);
  spool.WriteString(".\r\n");
  spool.Flush();
  file.SetSize(file.Position());
}

} // namespace

MessageSpool::MessageSpool() : path_(NewTempFile("mvpop")) {}

MessageSpool::~MessageSpool() {
  DeleteFileAt(path_);
}

bool MessageSpool::Fetch(TIdPOP3 &pop3, const std::string &command, bool raiseOnError) {
  const int reply = pop3.SendCommand(command, raiseOnError ? TIdPOP3::OkCode : -1);
  if (reply != TIdPOP3::OkCode)
    return false;
  Spool(pop3, path_);
  return true;
}

void MessageSpool::ReadInto(TIdMessage &message, bool headersOnly) const {
  message.ReadFromFile(path_, headersOnly);
}

} // namespace mv
