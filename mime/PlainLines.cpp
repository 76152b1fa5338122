#include "mime/PlainLines.h"

#include "platform/ByteScan.h"

#include <array>

namespace mv {
std::size_t PlainLinesPrefix(std::string_view input, std::string_view stops, std::size_t limit) {
  std::array<bool, 256> stopsLine{};
  for (char c : stops)
    stopsLine[static_cast<unsigned char>(c)] = true;
  std::size_t lineStart = 0; // of the line up to the next LF
  ForEachByte(input, '\n', [&](std::size_t lf) {
    if (lf == lineStart || input[lf - 1] != '\r' || lf - lineStart > limit ||
        stopsLine[static_cast<unsigned char>(input[lineStart])])
      return false;
    lineStart = lf + 1;
    return true;
  });
  return lineStart;
}
} // namespace mv
