#include "mime/Koi8.h"
#include "mime/IdChars.h"

#include "mime/IdCoderMIME.h"

#include <algorithm>
#include <cstdint>

namespace {
using mv::idtext::HexDigitValue;
using mv::idtext::IsWordGapBlank;
// KOI8-R letters 0xC0..0xFF (ю а б ц ... Ч Ъ) to the same letters in Windows-1251.
const unsigned char LetterTable[64] = {
    0xFE, 0xE0, 0xE1, 0xF6, 0xE4, 0xE5, 0xF4, 0xE3, 0xF5, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE,
    0xEF, 0xFF, 0xF0, 0xF1, 0xF2, 0xF3, 0xE6, 0xE2, 0xFC, 0xFB, 0xE7, 0xF8, 0xFD, 0xF9, 0xF7, 0xFA,
    0xDE, 0xC0, 0xC1, 0xD6, 0xC4, 0xC5, 0xD4, 0xC3, 0xD5, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE,
    0xCF, 0xDF, 0xD0, 0xD1, 0xD2, 0xD3, 0xC6, 0xC2, 0xDC, 0xDB, 0xC7, 0xD8, 0xDD, 0xD9, 0xD7, 0xDA,
};
constexpr unsigned char Koi8SmallYo = 0xA3, WinSmallYo = 0xB8;
constexpr unsigned char Koi8CapitalYo = 0xB3, WinCapitalYo = 0xA8;

const char Koi8WordStart[] = "=?KOI8-R?";
constexpr std::size_t Koi8WordStartLength = sizeof Koi8WordStart - 1;

// Q encoding that never fails: a broken escape stays as it is.
std::string DecodeQ(const std::string &encoded) {
  std::string result;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '_') {
      result += ' ';
    } else if (c == '=' && i + 2 < encoded.size() && HexDigitValue(encoded[i + 1]) >= 0 &&
               HexDigitValue(encoded[i + 2]) >= 0) {
      result += static_cast<char>(HexDigitValue(encoded[i + 1]) * 16 + HexDigitValue(encoded[i + 2]));
      i += 2;
    } else {
      result += c;
    }
  }
  return result;
}

std::string DecodeB(const std::string &encoded) {
  TIdMemoryStream input(encoded);
  TIdMemoryStream output;
  Base64DecodeStream(input, output);
  return output.DataString();
}
} // namespace

std::string Koi8ToWin(const std::string &text) {
  std::string result = text;
  for (char &c : result) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0xC0)
      c = static_cast<char>(LetterTable[byte - 0xC0]);
    else if (byte == Koi8SmallYo)
      c = static_cast<char>(WinSmallYo);
    else if (byte == Koi8CapitalYo)
      c = static_cast<char>(WinCapitalYo);
  }
  return result;
}

std::string DecodeKoi8Word(const std::string &text) {
  std::string upper = text;
  for (char &c : upper)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');

  std::string result;
  std::size_t copied = 0;                      // text[0, copied) is in result
  std::size_t lastWordEnd = std::string::npos; // end of the last decoded word
  std::size_t search = 0;
  for (;;) {
    const std::size_t start = upper.find(Koi8WordStart, search);
    if (start == std::string::npos)
      break;
    // "=?KOI8-R?" then the encoding letter and "?"
    const std::size_t letter = start + Koi8WordStartLength;
    if (letter + 1 >= text.size() || text[letter + 1] != '?') {
      search = start + 1;
      continue;
    }
    const std::size_t close = text.find("?=", letter + 2);
    if (close == std::string::npos)
      break; // no later word can be closed either
    const std::string encoded = text.substr(letter + 2, close - letter - 2);
    const bool q = text[letter] == 'Q' || text[letter] == 'q';
    const std::string decoded = Koi8ToWin(q ? DecodeQ(encoded) : DecodeB(encoded));
    // Blanks between two encoded words only separate them (RFC 2047, 6.2).
    const bool onlyBlanks = std::all_of(text.begin() + static_cast<std::ptrdiff_t>(copied),
                                        text.begin() + static_cast<std::ptrdiff_t>(start), IsWordGapBlank);
    if (!(lastWordEnd == copied && onlyBlanks))
      result.append(text, copied, start - copied);
    result += decoded;
    copied = lastWordEnd = search = close + 2;
  }
  result.append(text, copied);
  return result;
}

void Base64DecodeStream(TIdStream &input, TIdStream &output) {
  static const TIdDecodeTable table = TIdDecoder4to3::MakeDecodeTable(Base64CodingTable);
  input.SetPosition(0);
  const std::string encoded = input.ReadToEnd();
  std::string decoded;
  std::uint32_t bits = 0;
  int bitCount = 0;
  for (char c : encoded) {
    if (c == '=')
      break; // padding: the data has ended
    const std::uint8_t value = table[static_cast<unsigned char>(c)];
    if (value == TIdDecoder4to3::NotInTable)
      continue; // line breaks wherever they fall, and stray characters
    bits = (bits << 6 | value) & 0xFFFFFF;
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      decoded += static_cast<char>((bits >> bitCount) & 255);
    }
  }
  if (!decoded.empty())
    output.WriteString(decoded);
}
