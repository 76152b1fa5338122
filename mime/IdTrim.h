#pragma once
// Trimming as the header code understands it: every character up to and
// including the space (tabs, CR, LF and other controls) is a blank.
#include <string>
#include <string_view>

namespace mv::idtext {
inline bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

// The same trims as views into the text, for per-line work that keeps no copy.
inline std::string_view TrimRightView(std::string_view text) {
  while (!text.empty() && IsTrimmed(text.back()))
    text.remove_suffix(1);
  return text;
}

inline std::string_view TrimView(std::string_view text) {
  text = TrimRightView(text);
  while (!text.empty() && IsTrimmed(text.front()))
    text.remove_prefix(1);
  return text;
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
