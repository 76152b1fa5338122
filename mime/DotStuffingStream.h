#pragma once
// Bytes written into a dot-terminated block through this stream have every
// line that begins with '.' dot-stuffed, whatever wrote them: an attachment
// encoder knows nothing of the transfer (a UUE line for 14 bytes begins with
// the length character '.').
#include "mime/IdStream.h"

#include <string>
#include <string_view>

namespace mv {
class DotStuffingStream : public TIdStream {
public:
  // `atLineStart`: whether the target's last byte ended a line.
  explicit DotStuffingStream(TIdStream &target, bool atLineStart = true)
      : FTarget(target), FAtLineStart(atLineStart) {}
  std::int64_t Read(void *, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }
  std::int64_t Write(const void *buffer, std::int64_t count) override {
    const std::string_view bytes(static_cast<const char *>(buffer), static_cast<size_t>(count));
    // Whole runs between the dots to double are passed on as they are.
    size_t from = 0;
    for (size_t lineStart = FAtLineStart ? 0 : LineStartAfter(bytes, 0); lineStart < bytes.size();
         lineStart = LineStartAfter(bytes, lineStart)) {
      if (bytes[lineStart] != '.')
        continue;
      FTarget.WriteString(bytes.substr(from, lineStart - from));
      FTarget.WriteString(".");
      from = lineStart;
    }
    FTarget.WriteString(bytes.substr(from));
    if (!bytes.empty())
      FAtLineStart = bytes.back() == '\n';
    return count;
  }

private:
  static size_t LineStartAfter(std::string_view bytes, size_t pos) {
    const size_t lf = bytes.find('\n', pos);
    return lf == std::string_view::npos ? bytes.size() : lf + 1;
  }

  TIdStream &FTarget;
  bool FAtLineStart;
};
} // namespace mv
