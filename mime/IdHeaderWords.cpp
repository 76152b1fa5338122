#include "mime/IdHeaderWords.h"
#include "mime/IdChars.h"
#include "platform/CodePage.h"

#include "mime/IdCoderMIME.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace {
using mv::idtext::HexDigitValue;
using mv::idtext::IsWordGapBlank;
const char Esc = '\x1B';
const std::string KanjiIn = "\x1B$B";
const std::string KanjiOut = "\x1B(B";

// An encoded word with its opening and closing texts may not be longer (RFC 2047).
constexpr std::size_t MaxEncodedWordLength = 75;

std::string DecodeQWord(const std::string &encoded) {
  std::string result;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    if (c == '_') {
      result += ' ';
    } else if (c == '=' && i + 2 < encoded.size()) {
      const int high = HexDigitValue(encoded[i + 1]);
      const int low = HexDigitValue(encoded[i + 2]);
      if (high < 0 || low < 0)
        mv::ThrowInvalidInteger("$" + encoded.substr(i + 1, 2));
      result += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      result += c;
    }
  }
  return result;
}

// Groups of four, characters outside the alphabet counting as 0; the
// closing "?=" takes part so that a short last group still gives its bytes
// (the zero bytes this leaves are removed from the whole value afterwards).
std::string DecodeBWord(const std::string &encoded) {
  static const TIdDecodeTable table = TIdDecoder4to3::MakeDecodeTable(Base64CodingTable);
  const std::string text = encoded + "?=";
  std::string result;
  for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const std::uint8_t value = table[static_cast<unsigned char>(text[i + k])];
      v = (v << 6) | (value == TIdDecoder4to3::NotInTable ? 0 : value);
    }
    result += static_cast<char>(v >> 16);
    result += static_cast<char>((v >> 8) & 255);
    result += static_cast<char>(v & 255);
  }
  return result;
}

struct EncodedWord {
  std::size_t start = 0; // of "=?"
  std::size_t end = 0;   // just after "?="
  std::string charset;
  char letter = 0;
  std::string encoded;
};

// The encoded word beginning at start, when it is well formed.
bool ParseEncodedWord(const std::string &value, std::size_t start, EncodedWord &word) {
  const std::size_t charsetEnd = value.find('?', start + 5);
  if (charsetEnd == std::string::npos || charsetEnd + 2 > value.size())
    return false;
  const std::size_t letterEnd = value.find('?', charsetEnd + 2);
  if (letterEnd == std::string::npos)
    return false;
  const std::size_t close = value.find("?=", letterEnd + 1);
  if (close == std::string::npos)
    return false;
  word.start = start;
  word.end = close + 2;
  word.charset = value.substr(start + 2, charsetEnd - start - 2);
  word.letter = value[charsetEnd + 1];
  word.encoded = value.substr(letterEnd + 1, close - letterEnd - 1);
  return true;
}

std::size_t FindDecodableWord(const std::string &upperValue, std::size_t from) {
  // One scan for the opening "=?", the charset checked where it stands: two
  // searches to the end of the value at every word made long headers
  // quadratic.
  for (std::size_t p = upperValue.find("=?", from); p != std::string::npos; p = upperValue.find("=?", p + 1))
    if (upperValue.compare(p, 5, "=?ISO") == 0 || upperValue.compare(p, 9, "=?WINDOWS") == 0)
      return p;
  return std::string::npos;
}

bool NeedsEncoding(char c, const std::string &specials) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte >= 0x7F || specials.find(c) != std::string::npos;
}

// Writes a run as encoded words of at most 75 characters, separated by CR LF tab.
std::string EncodeRun(const std::string &run, const std::string &specials, char letter,
                      const std::string &charset) {
  static const char Hex[] = "0123456789ABCDEF";
  std::vector<std::string> pieces;
  if (letter == 'Q' || letter == 'q') {
    for (char c : run) {
      if (c == ' ')
        pieces.emplace_back("_");
      else if (NeedsEncoding(c, specials) || c == '=' || c == '?' || c == '_')
        pieces.push_back(
            {'=', Hex[static_cast<unsigned char>(c) >> 4], Hex[static_cast<unsigned char>(c) & 15]});
      else
        pieces.emplace_back(1, c);
    }
  } else {
    for (std::size_t i = 0; i < run.size(); i += 3)
      pieces.push_back(TIdEncoderMIME::EncodeString(run.substr(i, 3)));
  }

  const std::string opening = "=?" + charset + "?" + letter + "?";
  const std::string closing = "?=";
  std::string result;
  std::string word;
  for (const std::string &piece : pieces) {
    if (!word.empty() &&
        opening.size() + word.size() + piece.size() + closing.size() > MaxEncodedWordLength) {
      result += opening + word + closing + "\r\n\t";
      word.clear();
    }
    word += piece;
  }
  return result + opening + word + closing;
}

struct HalfWidthKana {
  std::uint16_t plain, voiced, semiVoiced; // JIS X 0208 codes; 0 where there is none
};

// Shift_JIS 0xA1..0xDF in order.
const HalfWidthKana KanaTable[] = {
    {0x2123, 0, 0},           {0x2156, 0, 0},           {0x2157, 0, 0},           {0x2122, 0, 0},
    {0x2126, 0, 0},           {0x2572, 0, 0},           {0x2521, 0, 0},           {0x2523, 0, 0},
    {0x2525, 0, 0},           {0x2527, 0, 0},           {0x2529, 0, 0},           {0x2563, 0, 0},
    {0x2565, 0, 0},           {0x2567, 0, 0},           {0x2543, 0, 0},           {0x213C, 0, 0},
    {0x2522, 0, 0},           {0x2524, 0, 0},           {0x2526, 0x2574, 0},      {0x2528, 0, 0},
    {0x252A, 0, 0},           {0x252B, 0x252C, 0},      {0x252D, 0x252E, 0},      {0x252F, 0x2530, 0},
    {0x2531, 0x2532, 0},      {0x2533, 0x2534, 0},      {0x2535, 0x2536, 0},      {0x2537, 0x2538, 0},
    {0x2539, 0x253A, 0},      {0x253B, 0x253C, 0},      {0x253D, 0x253E, 0},      {0x253F, 0x2540, 0},
    {0x2541, 0x2542, 0},      {0x2544, 0x2545, 0},      {0x2546, 0x2547, 0},      {0x2548, 0x2549, 0},
    {0x254A, 0, 0},           {0x254B, 0, 0},           {0x254C, 0, 0},           {0x254D, 0, 0},
    {0x254E, 0, 0},           {0x254F, 0x2550, 0x2551}, {0x2552, 0x2553, 0x2554}, {0x2555, 0x2556, 0x2557},
    {0x2558, 0x2559, 0x255A}, {0x255B, 0x255C, 0x255D}, {0x255E, 0, 0},           {0x255F, 0, 0},
    {0x2560, 0, 0},           {0x2561, 0, 0},           {0x2562, 0, 0},           {0x2564, 0, 0},
    {0x2566, 0, 0},           {0x2568, 0, 0},           {0x2569, 0, 0},           {0x256A, 0, 0},
    {0x256B, 0, 0},           {0x256C, 0, 0},           {0x256D, 0, 0},           {0x256F, 0, 0},
    {0x2573, 0, 0},           {0x212B, 0, 0},           {0x212C, 0, 0},
};
static_assert(std::size(KanaTable) == 0xDF - 0xA1 + 1);

bool IsShiftJisLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF);
}
bool IsShiftJisTrail(unsigned char b) {
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

std::string LocaleName() {
  for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char *value = std::getenv(variable);
    if (value != nullptr && *value != '\0')
      return value;
  }
  return {};
}
} // namespace

std::string DecodeHeaderWords(const std::string &value) {
  const std::string upper = mv::UpperAscii(value);
  std::string result;
  std::size_t copied = 0;                      // value[0, copied) is in result
  std::size_t lastWordEnd = std::string::npos; // end of the last decoded word
  std::size_t search = 0;
  for (;;) {
    const std::size_t start = FindDecodableWord(upper, search);
    if (start == std::string::npos)
      break;
    EncodedWord word;
    // Every failure to find the end of a word would repeat for any later
    // start, so the first malformed word ends the search.
    if (!ParseEncodedWord(value, start, word))
      break;
    std::string decoded =
        (word.letter == 'Q' || word.letter == 'q') ? DecodeQWord(word.encoded) : DecodeBWord(word.encoded);
    if (mv::UpperAscii(word.charset) == "ISO-2022-JP")
      decoded = JisToShiftJis(decoded);
    // Blanks between two encoded words only separate them (RFC 2047, 6.2);
    // mailers split long names into several words.
    const std::string gap = value.substr(copied, start - copied);
    const bool onlyBlanks = std::all_of(gap.begin(), gap.end(), IsWordGapBlank);
    if (!(lastWordEnd == copied && onlyBlanks))
      result += gap;
    result += decoded;
    copied = lastWordEnd = search = word.end;
  }
  result.append(value, copied);
  std::erase(result, '\0');
  return result;
}

std::string EncodeHeaderWords(const std::string &value, const std::string &specials, char letter,
                              TTransfer transfer, const std::string &charset) {
  const std::string text = transfer == trIso2022Jp ? ShiftJisToJis(value) : value;
  if (letter == '8')
    return text;
  std::string result;
  std::size_t runStart = std::string::npos;
  std::size_t runEnd = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t blanksStart = pos;
    while (pos < text.size() && IsWordGapBlank(text[pos]))
      ++pos;
    const std::size_t wordStart = pos;
    bool needsEncoding = false;
    while (pos < text.size() && !IsWordGapBlank(text[pos]))
      needsEncoding = NeedsEncoding(text[pos++], specials) || needsEncoding;
    if (needsEncoding) {
      if (runStart == std::string::npos) {
        result.append(text, blanksStart, wordStart - blanksStart);
        runStart = wordStart;
      }
      runEnd = pos;
      continue;
    }
    if (runStart != std::string::npos) {
      result += EncodeRun(text.substr(runStart, runEnd - runStart), specials, letter, charset);
      runStart = std::string::npos;
    }
    result.append(text, blanksStart, pos - blanksStart);
  }
  if (runStart != std::string::npos)
    result += EncodeRun(text.substr(runStart, runEnd - runStart), specials, letter, charset);
  return result;
}

std::string EncodeAddressForHeader(const TIdEMailAddressItem &item, char letter, TTransfer transfer,
                                   const std::string &charset) {
  if (item.Name.empty())
    return item.Address;
  const bool eightBit = std::any_of(item.Name.begin(), item.Name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F;
  });
  std::string name;
  if (eightBit) {
    name = EncodeHeaderWords(item.Name, "()<>@,;:\\\".[]", letter, transfer, charset);
  } else {
    name = "\"";
    for (char c : item.Name) {
      if (c == '\\' || c == '"')
        name += '\\';
      name += c;
    }
    name += "\"";
  }
  return name + " <" + item.Address + ">";
}

std::string EncodeAddressListForHeader(const TIdEMailAddressList &list, char letter, TTransfer transfer,
                                       const std::string &charset) {
  std::string result;
  for (int i = 0; i < list.Count(); ++i) {
    if (i > 0)
      result += ", ";
    result += EncodeAddressForHeader(list.Items(i), letter, transfer, charset);
  }
  return result;
}

void DefaultHeaderCharset(TTransfer &transfer, char &letter, std::string &charset) {
  transfer = trEightBit;
  letter = 'B';
  const std::string locale = LocaleName();
  const std::string language = locale.substr(0, locale.find_first_of("_.@"));
  const std::string territory =
      locale.find('_') == std::string::npos ? std::string() : locale.substr(locale.find('_') + 1, 2);
  if (language == "zh") {
    // Simplified Chinese is written in China and Singapore; a bare "zh" means it too.
    const bool simplified = territory.empty() || territory == "CN" || territory == "SG";
    charset = simplified ? "GB2312" : "Big5";
  } else if (language == "ja") {
    charset = "ISO-2022-JP";
    transfer = trIso2022Jp;
  } else if (language == "ko") {
    charset = "EUC-KR";
  } else {
    charset = "Windows-1251";
    letter = 'Q';
  }
}

std::string ShiftJisToJis(std::string_view text) {
  std::string result;
  bool kanji = false;
  const auto putKanji = [&](std::uint16_t code) {
    if (!kanji)
      result += KanjiIn;
    kanji = true;
    result += static_cast<char>(code >> 8);
    result += static_cast<char>(code & 255);
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      if (kanji)
        result += KanjiOut;
      kanji = false;
      result += static_cast<char>(b);
    } else if (IsShiftJisLead(b) && i + 1 < text.size() &&
               IsShiftJisTrail(static_cast<unsigned char>(text[i + 1]))) {
      const unsigned s2 = static_cast<unsigned char>(text[++i]);
      const unsigned row = b < 0xA0 ? b - 0x70u : b - 0xB0u;
      unsigned j1 = row * 2;
      unsigned j2;
      if (s2 < 0x9F) {
        j1 -= 1;
        j2 = s2 - (s2 >= 0x80 ? 0x20u : 0x1Fu);
      } else {
        j2 = s2 - 0x7Eu;
      }
      putKanji(static_cast<std::uint16_t>(j1 << 8 | j2));
    } else if (b >= 0xA1 && b <= 0xDF) {
      const HalfWidthKana &kana = KanaTable[b - 0xA1];
      const unsigned next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
      if (next == 0xDE && kana.voiced != 0) {
        putKanji(kana.voiced);
        ++i;
      } else if (next == 0xDF && kana.semiVoiced != 0) {
        putKanji(kana.semiVoiced);
        ++i;
      } else {
        putKanji(kana.plain);
      }
    }
    // any other byte is neither ASCII nor Shift_JIS: dropped
  }
  if (kanji)
    result += KanjiOut;
  return result;
}

std::string JisToShiftJis(const std::string &text) {
  std::string result;
  bool kanji = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == Esc && i + 2 < text.size()) {
      const std::string sequence = text.substr(i, 3);
      if (sequence == KanjiIn || sequence == "\x1B$@") {
        kanji = true;
        i += 2;
        continue;
      }
      if (sequence == KanjiOut || sequence == "\x1B(J") {
        kanji = false;
        i += 2;
        continue;
      }
    }
    const auto j1 = static_cast<unsigned char>(text[i]);
    const unsigned j2 = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (kanji && j1 >= 0x21 && j1 <= 0x7E && j2 >= 0x21 && j2 <= 0x7E) {
      result += static_cast<char>(((j1 - 1) >> 1) + (j1 > 94 ? 177 : 113));
      if (j1 % 2 == 0)
        result += static_cast<char>(j2 + 126);
      else
        result += static_cast<char>(j2 + (j2 >= 96 ? 32 : 31));
      ++i;
    } else {
      result += static_cast<char>(j1);
    }
  }
  return result;
}
