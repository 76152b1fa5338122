// Copying a multi-line reply as a block: the bytes of each receive go to the
// stream in one write, instead of one string and one write per line.
#include "mime/IdStream.h"
#include "net/IdTCPConnection.h"

#include <cstring>

namespace {
struct ScanResult {
  std::size_t End;       // where the end line starts, or npos
  std::size_t EndLength; // its bytes with the line break
  std::size_t Safe;      // bytes that can go out to the stream now
};

// Looks for the end line ("." alone, ended by LF or CR LF) among `size`
// unread bytes whose first byte starts a line when `atLineStart`. Without
// it, everything is safe but a tail that may still become the end line
// once more bytes arrive; `atLineStart` then tells whether the first byte
// after the safe ones starts a line.
ScanResult ScanForEndLine(const char *data, std::size_t size, bool &atLineStart) {
  std::size_t pos = 0;
  for (;;) {
    if (atLineStart) {
      const std::size_t rest = size - pos;
      if (rest == 0)
        return {std::string::npos, 0, size};
      if (data[pos] == '.') {
        if (rest >= 2 && data[pos + 1] == '\n')
          return {pos, 2, pos};
        if (rest >= 3 && data[pos + 1] == '\r' && data[pos + 2] == '\n')
          return {pos, 3, pos};
        if (rest == 1 || (rest == 2 && data[pos + 1] == '\r'))
          return {std::string::npos, 0, pos}; // undecided until more arrives
      }
    }
    const void *lf = std::memchr(data + pos, '\n', size - pos);
    if (!lf) {
      atLineStart = false;
      return {std::string::npos, 0, size};
    }
    pos = static_cast<std::size_t>(static_cast<const char *>(lf) - data) + 1;
    atLineStart = true;
  }
}
} // namespace

std::int64_t TIdTCPConnection::CopyReplyLines(TIdStream &stream) {
  TIdWorkScope work(*this, wmRead);
  std::int64_t copied = 0;
  bool atLineStart = true; // the reply's first line follows the status line
  for (;;) {
    const ScanResult scan = ScanForEndLine(FInputBuffer.Data(), FInputBuffer.Size(), atLineStart);
    if (scan.Safe > 0) {
      stream.WriteBuffer(FInputBuffer.Data(), static_cast<std::int64_t>(scan.Safe));
      copied += static_cast<std::int64_t>(scan.Safe);
    }
    const std::size_t consumed = scan.End == std::string::npos ? scan.Safe : scan.End + scan.EndLength;
    FInputBuffer.Remove(consumed);
    DoWork(wmRead, static_cast<std::int64_t>(consumed));
    if (scan.End != std::string::npos)
      return copied;
    CheckDisconnected(true, true);
    FillInputBuffer(true, IdTimeoutDefault, true);
  }
}
