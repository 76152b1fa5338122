#pragma once
// UTF-8 as archive entry names carry it, without the help of the locale
// (which need not be a UTF-8 one). Valid means the shortest form: the lead
// bytes C0 and C1 (overlong two-byte forms) are invalid.
#include <cstdint>
#include <string>

namespace mv {
// True for valid UTF-8 holding at least one non-ASCII character: what Unix
// packers store for non-ASCII names without saying so.
bool IsNonAsciiUtf8(const std::string &text);
// Wide characters of UTF-8 text; a byte that is no valid UTF-8 becomes the
// character of its value.
std::wstring WideFromUtf8(const std::string &text);
std::string Utf8FromWide(const std::wstring &text);
// Appends one character.
void AppendUtf8(std::string &out, std::uint32_t cp);
} // namespace mv
