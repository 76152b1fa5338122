#include "archive/Utf8.h"

#include <cstddef>

namespace mv {
namespace {
// The length of the UTF-8 sequence at text[i] and its character; 0 when the
// bytes there are no valid sequence.
std::size_t Utf8Sequence(const std::string &text, std::size_t i, std::uint32_t &cp) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
  if (extra < 0 || (extra == 1 && c < 0xC2) || i + std::size_t(extra) >= text.size())
    return 0;
  cp = extra == 1 ? (c & 0x1Fu) : extra == 2 ? (c & 0x0Fu) : extra == 3 ? (c & 0x07u) : c;
  for (int k = 1; k <= extra; ++k) {
    const unsigned char cc = static_cast<unsigned char>(text[i + std::size_t(k)]);
    if ((cc & 0xC0) != 0x80)
      return 0;
    cp = cp << 6 | (cc & 0x3Fu);
  }
  return std::size_t(extra) + 1;
}
} // namespace

void AppendUtf8(std::string &out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | cp >> 6);
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | cp >> 12);
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | cp >> 18);
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

std::wstring WideFromUtf8(const std::string &text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    const std::size_t n = Utf8Sequence(text, i, cp);
    out += n ? wchar_t(cp) : wchar_t(static_cast<unsigned char>(text[i]));
    i += n ? n : 1;
  }
  return out;
}

std::string Utf8FromWide(const std::wstring &text) {
  std::string out;
  for (wchar_t w : text)
    AppendUtf8(out, std::uint32_t(w));
  return out;
}

bool IsNonAsciiUtf8(const std::string &text) {
  bool nonAscii = false;
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    const std::size_t n = Utf8Sequence(text, i, cp);
    if (n == 0)
      return false;
    nonAscii = nonAscii || n > 1;
    i += n;
  }
  return nonAscii;
}
} // namespace mv
