#pragma once
// KOI8-R (RFC 1489) header words and text to Windows-1251, for the mail the
// header-word decoder leaves alone.
#include "mime/IdStream.h"

#include <string>

// Converts the 66 Cyrillic letters of KOI8-R; every other byte stays.
std::string Koi8ToWin(const std::string &text);

// Decodes every KOI8-R encoded word of a header value (B or Q) to
// Windows-1251 and keeps the text around them; blanks between two adjacent
// encoded words are dropped. Never fails: what cannot be decoded stays.
std::string DecodeKoi8Word(const std::string &text);

// Decodes the whole base64 text of input (from its start) to output at its
// position. Line breaks and other characters outside the alphabet are
// skipped; decoding stops at the first "="; a short text gives what its
// complete bytes hold.
void Base64DecodeStream(TIdStream &input, TIdStream &output);
