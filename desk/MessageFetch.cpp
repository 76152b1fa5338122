#include "desk/MessageFetch.h"

#include "mime/IdStream.h"
#include "net/IdPOP3.h"
#include "platform/FileSystem.h"

namespace mv {
namespace {

// The spool file, written over from its start: the copy hands over one
// receive at a time, the file gets large blocks. The old contents are cut
// off behind the new ones at the end rather than truncated away at the
// open, because a file truncated to nothing makes ext4 write the new
// contents out to disk at close.
class SpoolWriter : public TIdStream {
public:
  explicit SpoolWriter(const std::string &path)
      : file_(path, FileExists(path) ? TIdFileMode::fmOpenWrite : TIdFileMode::fmCreate) {}
  std::int64_t Read(void *, std::int64_t) override { return 0; }
  std::int64_t Write(const void *buffer, std::int64_t count) override {
    buffer_.append(static_cast<const char *>(buffer), static_cast<std::size_t>(count));
    if (buffer_.size() >= kBlock)
      Flush();
    return count;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    Flush();
    return file_.Seek(offset, origin);
  }
  void Flush() {
    file_.WriteString(buffer_);
    written_ += static_cast<std::int64_t>(buffer_.size());
    buffer_.clear();
  }
  void Finish() {
    Flush();
    file_.SetSize(written_);
  }

private:
  static constexpr std::size_t kBlock = 256 * 1024;
  TIdFileStream file_;
  std::string buffer_;
  std::int64_t written_ = 0;
};

void Spool(TIdPOP3 &pop3, const std::string &path) {
  SpoolWriter spool(path);
  // The lines stay dot-stuffed, so the file is a message file ending in
  // the end line, exactly as the server sent it.
  pop3.CopyReplyLines(spool);
  spool.WriteString(".\r\n");
  spool.Finish();
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
