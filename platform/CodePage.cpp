#include "platform/CodePage.h"
#include "platform/Unicode.h"

#include <array>
#include <cstdint>

namespace mv {
namespace {
// Unicode code points of Windows-1251 bytes 0x80..0xFF. Byte 0x98 has no
// character in the code page; it maps to U+0098 so every byte survives a
// round trip through UTF-8.
constexpr std::array<std::uint16_t, 128> kHigh1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F};

// Windows-1251 bytes of DOS code page 866 bytes 0x80..0xFF; the box-drawing
// characters and the few others with no Windows-1251 form become '?'.
constexpr std::array<unsigned char, 128> kHigh866To1251 = {
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',
    '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',
    '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',  '?',
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
    0xA8, 0xB8, 0xAA, 0xBA, 0xAF, 0xBF, 0xA1, 0xA2, 0xB0, '?',  0xB7, '?',  0xB9, 0xA4, '?',  0xA0};

// Capital/small pairs of Windows-1251 outside the two regular runs
// (A-Z / a-z and 0xC0-0xDF / 0xE0-0xFF): Ё/ё and the other Cyrillic letters.
constexpr std::array<std::array<unsigned char, 2>, 15> kExtraPairs = {{{0x80, 0x90},
                                                                       {0x81, 0x83},
                                                                       {0x8A, 0x9A},
                                                                       {0x8C, 0x9C},
                                                                       {0x8D, 0x9D},
                                                                       {0x8E, 0x9E},
                                                                       {0x8F, 0x9F},
                                                                       {0xA1, 0xA2},
                                                                       {0xA3, 0xBC},
                                                                       {0xA5, 0xB4},
                                                                       {0xA8, 0xB8},
                                                                       {0xAA, 0xBA},
                                                                       {0xAF, 0xBF},
                                                                       {0xB2, 0xB3},
                                                                       {0xBD, 0xBE}}};

struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
  CaseTables() {
    for (int c = 0; c < 256; ++c)
      upper[c] = lower[c] = static_cast<unsigned char>(c);
    auto pair = [this](int capital, int small) {
      upper[small] = static_cast<unsigned char>(capital);
      lower[capital] = static_cast<unsigned char>(small);
    };
    for (int i = 0; i < 26; ++i)
      pair('A' + i, 'a' + i);
    for (int i = 0; i < 32; ++i)
      pair(0xC0 + i, 0xE0 + i);
    for (const auto &p : kExtraPairs)
      pair(p[0], p[1]);
  }
};

const CaseTables &Cases() {
  static const CaseTables tables;
  return tables;
}
} // namespace

namespace unicode {
void AppendUtf8(std::string &out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at text[i]; advances i. Returns -1 for a
// malformed sequence (i then moves past one byte only).
long DecodeUtf8(std::string_view text, std::size_t &i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  int length = lead < 0x80             ? 1
               : (lead & 0xE0) == 0xC0 ? 2
               : (lead & 0xF0) == 0xE0 ? 3
               : (lead & 0xF8) == 0xF0 ? 4
                                       : 0;
  if (length == 0 || i + length > text.size()) {
    ++i;
    return -1;
  }
  std::uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return -1;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  static constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return -1;
  }
  i += length;
  return static_cast<long>(cp);
}

std::uint32_t CodePointOf1251(unsigned char c) {
  return c < 0x80 ? c : kHigh1251[c - 0x80];
}

int UnicodeTo1251(long cp) {
  // Every code point of the code page lies below this one (U+2122 is the highest).
  static constexpr long kLimit = 0x2123;
  static const std::array<std::int16_t, kLimit> table = [] {
    std::array<std::int16_t, kLimit> t;
    t.fill(-1);
    for (int c = 0; c < 0x80; ++c)
      t[c] = static_cast<std::int16_t>(c);
    for (std::size_t k = 0; k < kHigh1251.size(); ++k)
      t[kHigh1251[k]] = static_cast<std::int16_t>(0x80 + k);
    return t;
  }();
  return cp >= 0 && cp < kLimit ? table[cp] : -1;
}
} // namespace unicode

using unicode::AppendUtf8;
using unicode::DecodeUtf8;

std::string Win1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    AppendUtf8(out, unicode::CodePointOf1251(c));
  }
  return out;
}

std::string Utf8ToWin1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const int c = unicode::UnicodeTo1251(DecodeUtf8(text, i));
    out += static_cast<char>(c < 0 ? '?' : c);
  }
  return out;
}

std::string Cp866ToWin1251(std::string_view text) {
  std::string out(text);
  for (char &ch : out) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80)
      ch = static_cast<char>(kHigh866To1251[c - 0x80]);
  }
  return out;
}

unsigned char UpperChar1251(unsigned char c) {
  return Cases().upper[c];
}
unsigned char LowerChar1251(unsigned char c) {
  return Cases().lower[c];
}

std::string UpperCase1251(std::string_view text) {
  std::string out(text);
  for (char &ch : out)
    ch = static_cast<char>(UpperChar1251(static_cast<unsigned char>(ch)));
  return out;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char &ch : out)
    if (ch >= 'a' && ch <= 'z')
      ch = static_cast<char>(ch - 'a' + 'A');
  return out;
}

std::string LowerCase1251(std::string_view text) {
  std::string out(text);
  for (char &ch : out)
    ch = static_cast<char>(LowerChar1251(static_cast<unsigned char>(ch)));
  return out;
}

int CompareText1251(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int x = UpperChar1251(static_cast<unsigned char>(a[i]));
    const int y = UpperChar1251(static_cast<unsigned char>(b[i]));
    if (x != y)
      return x - y;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool SameText1251(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText1251(a, b) == 0;
}
} // namespace mv
