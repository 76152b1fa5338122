#include "mime/TextLinesStream.h"

#include <cstdint>
#include <cstring>

namespace mv {
namespace {
// The first LF, CR or NUL in [p, end), eight bytes to a step: a decoded
// text arrives one line per write, and lines are short.
const char *FindStop(const char *p, const char *const end) {
  constexpr std::uint64_t ones = 0x0101010101010101u;
  constexpr std::uint64_t highs = 0x8080808080808080u;
  const auto hasZeroByte = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
  for (; end - p >= 8; p += 8) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if (hasZeroByte(v) | hasZeroByte(v ^ (ones * '\n')) | hasZeroByte(v ^ (ones * '\r')))
      break;
  }
  while (p < end && *p != '\n' && *p != '\r' && *p != '\0')
    ++p;
  return p;
}
} // namespace

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
    const char *stop = FindStop(p, end);
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
