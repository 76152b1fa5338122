#pragma once
// Code point helpers shared by the code page conversions of platform/; not
// for use outside it.
#include <cstdint>
#include <string>
#include <string_view>

namespace mv::unicode {
void AppendUtf8(std::string &out, std::uint32_t cp);
// Decodes one UTF-8 sequence at text[i] and advances i. A malformed sequence
// (overlong, surrogate, truncated) gives -1 and moves past one byte only.
long DecodeUtf8(std::string_view text, std::size_t &i);
std::uint32_t CodePointOf1251(unsigned char c);
// The Windows-1251 byte of a code point, or -1 when the code page has none.
int UnicodeTo1251(long cp);
} // namespace mv::unicode
