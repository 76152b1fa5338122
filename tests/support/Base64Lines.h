#pragma once
// Base64 in lines of 76 characters with CR LF, as mail carries attachments;
// for building test messages.
#include <string>

namespace mvtest {
inline std::string Base64Lines(const std::string &bytes) {
  static const char *alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t column = 0;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const unsigned b0 = static_cast<unsigned char>(bytes[i]);
    const unsigned b1 = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    const unsigned b2 = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
    const unsigned group = b0 << 16 | b1 << 8 | b2;
    out += alphabet[group >> 18];
    out += alphabet[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? alphabet[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? alphabet[group & 63] : '=';
    if ((column += 4) == 76) {
      out += "\r\n";
      column = 0;
    }
  }
  return column ? out + "\r\n" : out;
}
} // namespace mvtest
