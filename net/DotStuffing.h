#pragma once
// Dot-stuffing of dot-terminated blocks (a POP3 message, SMTP DATA, a message
// file): the sender doubles a leading '.' so that no data line reads as the
// lone "." that ends the block, and the reader removes that first dot again.
// Both directions keep this one rule.
#include <string>

namespace mv {
inline bool NeedsDotStuffing(const std::string &line) {
  return !line.empty() && line[0] == '.';
}

inline std::string DotStuffed(const std::string &line) {
  return NeedsDotStuffing(line) ? "." + line : line;
}

// For a line that is not the end line itself.
inline void UnstuffDot(std::string &line) {
  if (NeedsDotStuffing(line))
    line.erase(0, 1);
}
} // namespace mv
