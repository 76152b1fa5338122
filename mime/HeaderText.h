#pragma once
// Header text as the program shows and files it: Windows-1251, decoded from
// whatever charset the sender wrote it in.
#include <string>
#include <string_view>

namespace mv {
// A header value in Windows-1251:
// - encoded words (RFC 2047, B or Q, charset names in any case, with or
//   without an RFC 2231 language tag) of every charset IsKnownCharset knows
//   are decoded and converted; adjacent words of one charset are joined
//   before conversion, so a character split across two words survives, and
//   the blanks between adjacent encoded words are dropped;
// - words of other charsets whose name begins with "ISO" or "WINDOWS" give
//   their bytes unconverted (ISO-2022-JP as Shift_JIS), as DecodeHeaderWords
//   does; words of any other charset stay as they are;
// - raw 8-bit text is converted when the whole value is valid UTF-8 with a
//   multi-byte sequence, and stays as it is otherwise (older mailers send raw
//   Windows-1251 or KOI8-R).
// Characters without a Windows-1251 form become `unmappable`; NUL bytes are
// removed. Never throws; the cost is linear in the length of the value.
std::string DecodeHeaderText(std::string_view value, char unmappable = '?');

// Bytes in a charset as Windows-1251: converted when the charset is known,
// else as DecodeHeaderText treats raw text (UTF-8 converted, others kept).
std::string BytesToWin1251(std::string_view bytes, std::string_view charset, char unmappable);
} // namespace mv
