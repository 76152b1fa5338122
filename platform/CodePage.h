#pragma once
// Code pages. Internal text is Windows-1251 bytes; the borders (display, file
// names on disk, the database) use UTF-8 and convert here and nowhere else.
#include <optional>
#include <string>
#include <string_view>

namespace mv {
std::string Win1251ToUtf8(std::string_view text);
// Characters with no Windows-1251 form become '?'; invalid UTF-8 bytes too.
std::string Utf8ToWin1251(std::string_view text);
// DOS code page 866 (names in old archives) to Windows-1251; unmappable -> '?'.
std::string Cp866ToWin1251(std::string_view text);

// Text in a charset named by mail or archives. Known: UTF-8, US-ASCII,
// Windows-1251, Windows-1252, KOI8-R, KOI8-U, ISO-8859-5, ISO-8859-1,
// ISO-8859-15 and CP866. Names match in any letter case and by their usual aliases ("utf8",
// "cp1251", "koi8r", "ibm866", "latin1", ...); blanks, quotes and an RFC 2231
// language tag ("utf-8*ru") around the name are ignored.
bool IsKnownCharset(std::string_view charset);
// The preferred MIME name of a known charset ("UTF-8", "KOI8-R", "windows-1251",
// "US-ASCII", ...); empty for an unknown one.
std::string CanonicalCharsetName(std::string_view charset);
// nullopt for an unknown charset. Bytes that are not text in the charset
// (malformed UTF-8, high bytes in US-ASCII) become U+FFFD.
std::optional<std::string> CharsetToUtf8(std::string_view bytes, std::string_view charset);
// nullopt for an unknown charset. Characters without a Windows-1251 form and
// bytes that are not text in the charset become `unmappable`.
std::optional<std::string> CharsetToWin1251(std::string_view bytes, std::string_view charset,
                                            char unmappable);
// A UTF-8 name (attachment, archive entry) as a Windows-1251 file name: every
// character without a Windows-1251 form, malformed byte, control character
// and '?' becomes '_' (routing skips names with '?', and Windows shares refuse
// it). '/' and '\\' stay: archive entry names are paths.
std::string Utf8ToWin1251Name(std::string_view text);
// True when text is valid UTF-8 holding at least one multi-byte sequence: the
// mark of raw UTF-8 in a header, which Windows-1251 or KOI8-R text almost
// never passes.
bool IsMultiByteUtf8(std::string_view text);

// Case folding of Windows-1251 letters, Latin and Cyrillic (Ё/ё included).
unsigned char UpperChar1251(unsigned char c);
unsigned char LowerChar1251(unsigned char c);
std::string UpperCase1251(std::string_view text);
std::string LowerCase1251(std::string_view text);
// Only the letters a to z made capitals: the protocols' and the Parts' rule
// for names and keywords, which leaves Cyrillic letters alone.
std::string UpperAscii(std::string_view text);
// <0, 0, >0 comparing the case-folded texts byte by byte.
int CompareText1251(std::string_view a, std::string_view b);
bool SameText1251(std::string_view a, std::string_view b);
} // namespace mv
