#pragma once
// Dot-stuffing of dot-terminated blocks (a POP3 message, SMTP DATA, a message
// file): the sender doubles a leading '.' so that no data line reads as the
// lone "." that ends the block, and the reader removes that first dot again.
// Both directions keep this one rule.
#include <string>
#include <string_view>

namespace mv {
inline bool NeedsDotStuffing(std::string_view line) {
  return !line.empty() && line[0] == '.';
}

inline std::string DotStuffed(std::string_view line) {
  return NeedsDotStuffing(line) ? std::string(".").append(line) : std::string(line);
}

// For a line that is not the end line itself.
inline void UnstuffDot(std::string_view &line) {
  if (NeedsDotStuffing(line))
    line.remove_prefix(1);
}
} // namespace mv
