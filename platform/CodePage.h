#pragma once
// Code pages. Internal text is Windows-1251 bytes; the borders (display, file
// names on disk, the database) use UTF-8 and convert here and nowhere else.
#include <string>
#include <string_view>

namespace mv {
std::string Win1251ToUtf8(std::string_view text);
// Characters with no Windows-1251 form become '?'; invalid UTF-8 bytes too.
std::string Utf8ToWin1251(std::string_view text);
// DOS code page 866 (names in old archives) to Windows-1251; unmappable -> '?'.
std::string Cp866ToWin1251(std::string_view text);

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
