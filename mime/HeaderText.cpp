#include "mime/HeaderText.h"

#include "mime/IdChars.h"
#include "mime/IdHeaderWords.h"
#include "platform/CodePage.h"

#include <cstdint>

namespace mv {
namespace {
using idtext::HexDigitValue;
using idtext::IsWordGapBlank;

struct EncodedWord {
  std::size_t end = 0; // just after "?="
  std::string_view charset;
  char letter = 0;
  std::string_view encoded;
};

// The encoded word at value[start] ("=?"): charset, letter and text hold no
// blank and no '?', which also bounds the scan to the next blank.
bool ParseEncodedWord(std::string_view value, std::size_t start, EncodedWord &word) {
  std::size_t i = start + 2;
  const std::size_t charsetStart = i;
  while (i < value.size() && value[i] != '?' && !IsWordGapBlank(value[i]))
    ++i;
  if (i == charsetStart || i + 2 >= value.size() || value[i] != '?' || value[i + 2] != '?')
    return false;
  word.charset = value.substr(charsetStart, i - charsetStart);
  word.letter = value[i + 1];
  i += 3;
  const std::size_t textStart = i;
  while (i < value.size() && value[i] != '?' && !IsWordGapBlank(value[i]))
    ++i;
  if (i + 1 >= value.size() || value[i] != '?' || value[i + 1] != '=')
    return false;
  word.encoded = value.substr(textStart, i - textStart);
  word.end = i + 2;
  return word.letter == 'B' || word.letter == 'b' || word.letter == 'Q' || word.letter == 'q';
}

// Q: '_' is a space, "=XX" a byte; an '=' without two hexadecimal digits
// is kept as it is.
void AppendQ(std::string_view text, std::string &out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '_') {
      out += ' ';
    } else if (c == '=' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
               HexDigitValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
}

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}

// B: characters outside the alphabet are skipped, '=' ends the data, and an
// incomplete last group gives the bytes it holds whole.
void AppendB(std::string_view text, std::string &out) {
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    if (c == '=')
      break;
    const int v = Base64Value(c);
    if (v < 0)
      continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
}

bool StartsWithAscii(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size())
    return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    if (c != prefix[i])
      return false;
  }
  return true;
}

// How the words of a charset are turned into text.
enum class WordCharset { Known, RawBytes, Undecoded };

WordCharset Classify(std::string_view charset) {
  if (IsKnownCharset(charset))
    return WordCharset::Known;
  if (StartsWithAscii(charset, "ISO") || StartsWithAscii(charset, "WINDOWS"))
    return WordCharset::RawBytes;
  return WordCharset::Undecoded;
}

bool SameCharsetName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithAscii(a, mv::UpperAscii(b));
}
} // namespace

std::string BytesToWin1251(std::string_view bytes, std::string_view charset, char unmappable) {
  if (auto converted = CharsetToWin1251(bytes, charset, unmappable))
    return *std::move(converted);
  if (IsMultiByteUtf8(bytes))
    return *CharsetToWin1251(bytes, "utf-8", unmappable);
  return std::string(bytes);
}

std::string DecodeHeaderText(std::string_view value, char unmappable) {
  std::string converted;
  if (IsMultiByteUtf8(value)) {
    converted = *CharsetToWin1251(value, "utf-8", unmappable);
    value = converted;
  }
  std::string result;
  result.reserve(value.size());
  // A run of adjacent encoded words of one charset, decoded but not yet converted.
  std::string runBytes;
  std::string_view runCharset;
  const auto flushRun = [&] {
    if (runBytes.empty() && runCharset.empty())
      return;
    if (Classify(runCharset) == WordCharset::Known)
      result += *CharsetToWin1251(runBytes, runCharset, unmappable);
    else if (SameCharsetName(runCharset, "ISO-2022-JP"))
      result += JisToShiftJis(runBytes);
    else
      result += runBytes;
    runBytes.clear();
    runCharset = {};
  };

  std::size_t copied = 0; // value[0, copied) is in result or in the run
  bool afterWord = false; // value[copied] follows an encoded word
  for (std::size_t start = value.find("=?"); start != std::string_view::npos;
       start = value.find("=?", start)) {
    EncodedWord word;
    if (!ParseEncodedWord(value, start, word) || Classify(word.charset) == WordCharset::Undecoded) {
      start += 2;
      continue;
    }
    const std::string_view gap = value.substr(copied, start - copied);
    bool onlyBlanks = true;
    for (char c : gap)
      onlyBlanks = onlyBlanks && IsWordGapBlank(c);
    // Blanks between two encoded words only separate them (RFC 2047, 6.2).
    const bool adjacent = afterWord && onlyBlanks;
    if (!(adjacent && SameCharsetName(word.charset, runCharset)))
      flushRun();
    if (!adjacent)
      result += gap;
    runCharset = word.charset;
    if (word.letter == 'Q' || word.letter == 'q')
      AppendQ(word.encoded, runBytes);
    else
      AppendB(word.encoded, runBytes);
    copied = start = word.end;
    afterWord = true;
  }
  flushRun();
  result.append(value.substr(copied));
  std::erase(result, '\0');
  return result;
}
} // namespace mv
