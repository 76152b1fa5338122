#pragma once
// Character classes shared by the header-word, KOI8-R and quoted-printable
// decoders.
namespace mv::idtext {
// The value of a hexadecimal digit of either case, or -1.
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

// Blanks that may stand between two encoded words of a header value (spaces,
// tabs and the line breaks of folding).
inline bool IsWordGapBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
} // namespace mv::idtext
