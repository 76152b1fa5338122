#pragma once
// Byte-string helpers of the message code. Header names, boundaries and
// transfer encodings are ASCII, so letter case is folded for ASCII only.
#include "mime/IdTrim.h"

#include <string>
#include <string_view>

namespace mv::msg {

inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
inline char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

inline std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char &c : out)
    c = UpperAscii(c);
  return out;
}

inline std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char &c : out)
    c = LowerAscii(c);
  return out;
}

inline bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i]))
      return false;
  return true;
}

inline bool StartsAscii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameAscii(text.substr(0, prefix.size()), prefix);
}

// Position of `needle` in `text` ignoring ASCII case, or npos.
inline size_t FindAscii(std::string_view text, std::string_view needle, size_t from = 0) {
  if (needle.size() > text.size())
    return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= text.size(); ++i)
    if (SameAscii(text.substr(i, needle.size()), needle))
      return i;
  return std::string_view::npos;
}

// Trimming as the header code understands it (every byte up to the space).
using mv::idtext::Trim;
using mv::idtext::TrimLeft;
using mv::idtext::TrimRight;

} // namespace mv::msg
