#include "net/IdTLSFingerprint.h"

#include "mime/IdChars.h"

namespace {
bool IsSeparator(char c) {
  return c == ':' || c == ' ' || c == '\t';
}
} // namespace

bool ParseFingerprint(std::string_view text, TIdSha256 &digest) {
  const std::size_t label = text.rfind('=');
  if (label != std::string_view::npos)
    text.remove_prefix(label + 1);
  std::size_t digits = 0;
  for (const char c : text) {
    if (IsSeparator(c))
      continue;
    const int value = mv::idtext::HexDigitValue(c);
    if (value < 0 || digits == 2 * digest.size())
      return false;
    unsigned char &byte = digest[digits / 2];
    byte = static_cast<unsigned char>(digits % 2 == 0 ? value << 4 : byte | value);
    ++digits;
  }
  return digits == 2 * digest.size();
}

std::string FormatFingerprint(const unsigned char *digest, std::size_t length) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < length; ++i) {
    if (i > 0)
      text += ':';
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 0x0F];
  }
  return text;
}
