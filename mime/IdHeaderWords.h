#pragma once
// Encoded words (RFC 2047) in header values, the charset header words are
// written in, and the Japanese conversions they may need.
#include "mime/IdEMailAddress.h"

#include <string>

// How header text is prepared before encoding.
enum TTransfer {
  trSevenBit = 0,
  trEightBit = 1,
  trIso2022Jp = 2, // the text is Shift_JIS and becomes ISO-2022-JP first
};

// Decodes the encoded words whose charset begins with "ISO" or "WINDOWS";
// others (KOI8-R among them) stay. Blanks between two decoded words are
// dropped; NUL bytes are removed from the result. A Q word with "=" and two
// non-hexadecimal characters raises EConvertError.
std::string DecodeHeaderWords(const std::string &value);

// letter: 'B', 'Q' or '8' (no encoding). specials: characters that must be
// encoded in addition to controls and bytes from 0x7F up. Encoded words are
// at most 75 characters and separated by CR LF tab.
std::string EncodeHeaderWords(const std::string &value, const std::string &specials, char letter,
                              TTransfer transfer, const std::string &charset);

// "name <address>" with the name quoted or encoded as needed; the bare
// address when there is no name.
std::string EncodeAddressForHeader(const TIdEMailAddressItem &item, char letter, TTransfer transfer,
                                   const std::string &charset);
// The items' results joined with ", ".
std::string EncodeAddressListForHeader(const TIdEMailAddressList &list, char letter, TTransfer transfer,
                                       const std::string &charset);

// Chosen from the language of the user's locale (LC_ALL, LC_CTYPE, LANG):
// Chinese, Japanese and Korean get their charsets with 'B'; everything else
// "Windows-1251" with 'Q'.
void DefaultHeaderCharset(TTransfer &transfer, char &letter, std::string &charset);

std::string ShiftJisToJis(std::string_view text);
std::string JisToShiftJis(const std::string &text);
