#include "desk/MessageFetch.h"

#include "mime/IdStream.h"
#include "net/IdPOP3.h"
#include "platform/FileSystem.h"

namespace mv {
namespace {

// A file stream that writes in large blocks: the spool receives one small
// write per line.
class SpoolWriter : public TIdStream {
public:
  explicit SpoolWriter(const std::string &path) : file_(path, TIdFileMode::fmCreate) {}
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
    buffer_.clear();
  }

private:
  static constexpr std::size_t kBlock = 256 * 1024;
  TIdFileStream file_;
  std::string buffer_;
};

void Spool(TIdPOP3 &pop3, const std::string &path) {
  const int limit = pop3.MaxLineLength;
  const TIdMaxLineAction action = pop3.MaxLineAction;
  pop3.MaxLineLength = MessageSpool::kLineLimit;
  pop3.MaxLineAction = maSplit;
  try {
    SpoolWriter spool(path);
    // The lines stay dot-stuffed, so the file is a message file ending in
    // the end line, exactly as the server sent it.
    pop3.ReadLinesUntil(spool, ".", false);
    spool.WriteString(".\r\n");
    spool.Flush();
  } catch (...) {
    pop3.MaxLineLength = limit;
    pop3.MaxLineAction = action;
    throw;
  }
  pop3.MaxLineLength = limit;
  pop3.MaxLineAction = action;
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
