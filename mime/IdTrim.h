#pragma once
// Trimming as the header code understands it: every character up to and
// including the space (tabs, CR, LF and other controls) is a blank.
#include <string>
#include <string_view>

namespace mv::idtext {
inline bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

inline std::string TrimLeft(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && IsTrimmed(text[first]))
    ++first;
  return std::string(text.substr(first));
}

inline std::string TrimRight(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsTrimmed(text[end - 1]))
    --end;
  return std::string(text.substr(0, end));
}

inline std::string Trim(std::string_view text) {
  return TrimLeft(TrimRight(text));
}
} // namespace mv::idtext
