#include "mime/TextLinesStream.h"

namespace mv {
std::int64_t TextLinesStream::Write(const void *buffer, std::int64_t count) {
  if (count <= 0)
    return 0;
  const char *p = static_cast<const char *>(buffer);
  const char *const end = p + count;
  FWritten = true;
  FLastByte = end[-1];
  if (FEnded)
    return count;
  if (FAfterCR && *p == '\n')
    ++p;
  FAfterCR = false;
  while (p < end) {
    const char *stop = p;
    while (stop < end && *stop != '\n' && *stop != '\r' && *stop != '\0')
      ++stop;
    if (stop > p) {
      FLines.Extend(std::string_view(p, static_cast<std::size_t>(stop - p)));
      FOpenLine = true;
    }
    if (stop == end)
      break;
    if (*stop == '\0') {
      FEnded = true;
      break;
    }
    FLines.EndLine();
    FOpenLine = false;
    if (*stop == '\r') {
      if (stop + 1 == end)
        FAfterCR = true;
      else if (stop[1] == '\n')
        ++stop;
    }
    p = stop + 1;
  }
  return count;
}

void TextLinesStream::Finish() {
  if (FOpenLine)
    FLines.EndLine();
  FOpenLine = false;
}
} // namespace mv
