#include "archive/ZipFormat.h"

#include <algorithm>
#include <vector>

namespace mv::zip {
std::int64_t FindEndRecord(const ReadFile &file) {
  const std::int64_t size = file.Size();
  // The whole file less its first byte when it is shorter than the span: an
  // end record at offset 0 would describe an archive with nothing in it.
  const std::int64_t span = std::min(kEndSearchSpan, size - 1);
  if (span < static_cast<std::int64_t>(kEndSize))
    return -1;
  std::vector<unsigned char> tail(static_cast<std::size_t>(span));
  const std::int64_t base = size - span;
  if (!file.ReadExact(base, tail.data(), tail.size()))
    return -1;
  for (std::int64_t i = span - static_cast<std::int64_t>(kEndSize); i >= 0; --i) {
    if (Le32(&tail[static_cast<std::size_t>(i)]) == kEndSig)
      return base + i;
  }
  return -1;
}
} // namespace mv::zip
