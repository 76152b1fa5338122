#pragma once
// Whole numbers as text, with the grammar the settings files have always
// accepted: optional leading blanks, an optional sign, then decimal digits,
// or hexadecimal digits after "$" or "0x"/"0X"; nothing may follow. The
// value must fit a 32-bit signed integer (hexadecimal up to 8 digits wraps,
// so "$FFFFFFFF" is -1).
#include <optional>
#include <string_view>

namespace mv {
std::optional<int> ParseInt(std::string_view text);
// Strict: raises EConvertError "'<text>' is not a valid integer value".
int StrToInt(std::string_view text);
// Lenient: def for text that is not a whole number.
int StrToIntDef(std::string_view text, int def);
} // namespace mv
