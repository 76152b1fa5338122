// Charsets named by mail headers and archives, to UTF-8 and Windows-1251.
#include "platform/CodePage.h"
#include "platform/Unicode.h"

#include <array>
#include <cstdint>

namespace mv {
namespace {
using HighHalf = std::array<std::uint16_t, 128>; // code points of bytes 0x80..0xFF
constexpr std::uint16_t kNone = 0xFFFD;          // a byte the charset leaves undefined

constexpr HighHalf kKoi8R = {
    0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524, 0x252C, 0x2534, 0x253C, 0x2580, 0x2584,
    0x2588, 0x258C, 0x2590, 0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248, 0x2264, 0x2265,
    0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7, 0x2550, 0x2551, 0x2552, 0x0451, 0x2553, 0x2554, 0x2555,
    0x2556, 0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E, 0x255F, 0x2560, 0x2561, 0x0401,
    0x2562, 0x2563, 0x2564, 0x2565, 0x2566, 0x2567, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x00A9, 0x044E,
    0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433, 0x0445, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C,
    0x043D, 0x043E, 0x043F, 0x044F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0436, 0x0432, 0x044C, 0x044B, 0x0437,
    0x0448, 0x044D, 0x0449, 0x0447, 0x044A, 0x042E, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413,
    0x0425, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x042F, 0x0420, 0x0421, 0x0422,
    0x0423, 0x0416, 0x0412, 0x042C, 0x042B, 0x0417, 0x0428, 0x042D, 0x0429, 0x0427, 0x042A};

// KOI8-U is KOI8-R with the Ukrainian and Belarusian letters in eight of the
// box-drawing places.
constexpr HighHalf kKoi8U = [] {
  HighHalf t = kKoi8R;
  t[0xA4 - 0x80] = 0x0454;
  t[0xA6 - 0x80] = 0x0456;
  t[0xA7 - 0x80] = 0x0457;
  t[0xAD - 0x80] = 0x0491;
  t[0xB4 - 0x80] = 0x0404;
  t[0xB6 - 0x80] = 0x0406;
  t[0xB7 - 0x80] = 0x0407;
  t[0xBD - 0x80] = 0x0490;
  return t;
}();

// ISO-8859-5: controls, then U+00A0, U+0401..U+040C, a soft hyphen,
// U+040E..U+045F with the numero sign and the section sign in two places.
constexpr HighHalf kIso8859_5 = [] {
  HighHalf t{};
  for (int b = 0x80; b < 0x100; ++b)
    t[b - 0x80] = static_cast<std::uint16_t>(b < 0xA1 ? b : 0x0401 + (b - 0xA1));
  t[0xAD - 0x80] = 0x00AD;
  t[0xF0 - 0x80] = 0x2116;
  t[0xFD - 0x80] = 0x00A7;
  return t;
}();

constexpr HighHalf kCp866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436,
    0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407,
    0x0457, 0x040E, 0x045E, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0};

constexpr HighHalf kLatin1 = [] {
  HighHalf t{};
  for (int b = 0x80; b < 0x100; ++b)
    t[b - 0x80] = static_cast<std::uint16_t>(b);
  return t;
}();

// Windows-1252 is ISO-8859-1 with printable characters in most of 0x80..0x9F.
constexpr HighHalf kCp1252 = [] {
  HighHalf t = kLatin1;
  constexpr std::array<std::uint16_t, 32> low = {
      0x20AC, kNone,  0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, kNone,  0x017D, kNone,  kNone,  0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, kNone,  0x017E, 0x0178};
  for (std::size_t k = 0; k < low.size(); ++k)
    t[k] = low[k];
  return t;
}();

// ISO-8859-15 is ISO-8859-1 with the euro sign and seven letters in place of symbols.
constexpr HighHalf kIso8859_15 = [] {
  HighHalf t = kLatin1;
  t[0xA4 - 0x80] = 0x20AC;
  t[0xA6 - 0x80] = 0x0160;
  t[0xA8 - 0x80] = 0x0161;
  t[0xB4 - 0x80] = 0x017D;
  t[0xB8 - 0x80] = 0x017E;
  t[0xBC - 0x80] = 0x0152;
  t[0xBD - 0x80] = 0x0153;
  t[0xBE - 0x80] = 0x0178;
  return t;
}();

enum class Kind { Utf8, Ascii, Win1251, SingleByte };

struct Charset {
  std::string_view canonical;
  Kind kind;
  const HighHalf *high = nullptr;
};

struct Alias {
  std::string_view name; // lower case, without '-', '_', '.', ':' and blanks
  Charset charset;
};

const Alias kAliases[] = {
    {"utf8", {"UTF-8", Kind::Utf8}},
    {"usascii", {"US-ASCII", Kind::Ascii}},
    {"ascii", {"US-ASCII", Kind::Ascii}},
    {"ansix341968", {"US-ASCII", Kind::Ascii}},
    {"iso646us", {"US-ASCII", Kind::Ascii}},
    {"csascii", {"US-ASCII", Kind::Ascii}},
    {"windows1251", {"windows-1251", Kind::Win1251}},
    {"cp1251", {"windows-1251", Kind::Win1251}},
    {"xcp1251", {"windows-1251", Kind::Win1251}},
    {"win1251", {"windows-1251", Kind::Win1251}},
    {"windows1252", {"windows-1252", Kind::SingleByte, &kCp1252}},
    {"cp1252", {"windows-1252", Kind::SingleByte, &kCp1252}},
    {"xcp1252", {"windows-1252", Kind::SingleByte, &kCp1252}},
    {"koi8r", {"KOI8-R", Kind::SingleByte, &kKoi8R}},
    {"koi8", {"KOI8-R", Kind::SingleByte, &kKoi8R}},
    {"cskoi8r", {"KOI8-R", Kind::SingleByte, &kKoi8R}},
    {"koi8u", {"KOI8-U", Kind::SingleByte, &kKoi8U}},
    {"iso88595", {"ISO-8859-5", Kind::SingleByte, &kIso8859_5}},
    {"iso885951988", {"ISO-8859-5", Kind::SingleByte, &kIso8859_5}},
    {"isoir144", {"ISO-8859-5", Kind::SingleByte, &kIso8859_5}},
    {"cyrillic", {"ISO-8859-5", Kind::SingleByte, &kIso8859_5}},
    {"csisolatincyrillic", {"ISO-8859-5", Kind::SingleByte, &kIso8859_5}},
    {"iso88591", {"ISO-8859-1", Kind::SingleByte, &kLatin1}},
    {"iso885911987", {"ISO-8859-1", Kind::SingleByte, &kLatin1}},
    {"isoir100", {"ISO-8859-1", Kind::SingleByte, &kLatin1}},
    {"latin1", {"ISO-8859-1", Kind::SingleByte, &kLatin1}},
    {"l1", {"ISO-8859-1", Kind::SingleByte, &kLatin1}},
    {"cp819", {"ISO-8859-1", Kind::SingleByte, &kLatin1}},
    {"ibm819", {"ISO-8859-1", Kind::SingleByte, &kLatin1}},
    {"csisolatin1", {"ISO-8859-1", Kind::SingleByte, &kLatin1}},
    {"iso885915", {"ISO-8859-15", Kind::SingleByte, &kIso8859_15}},
    {"latin9", {"ISO-8859-15", Kind::SingleByte, &kIso8859_15}},
    {"cp866", {"IBM866", Kind::SingleByte, &kCp866}},
    {"ibm866", {"IBM866", Kind::SingleByte, &kCp866}},
    {"866", {"IBM866", Kind::SingleByte, &kCp866}},
    {"csibm866", {"IBM866", Kind::SingleByte, &kCp866}},
};

// Names are short; anything longer than this is no charset name.
constexpr std::size_t kMaxCharsetName = 40;

const Charset *FindCharset(std::string_view name) {
  const std::size_t star = name.find('*'); // RFC 2231 language tag
  if (star != std::string_view::npos)
    name = name.substr(0, star);
  std::string key;
  for (char c : name) {
    if (c == '-' || c == '_' || c == '.' || c == ':' || c == ' ' || c == '\t' || c == '"' || c == '\'')
      continue;
    if (key.size() == kMaxCharsetName)
      return nullptr;
    key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  for (const Alias &alias : kAliases)
    if (alias.name == key)
      return &alias.charset;
  return nullptr;
}

// Calls f with each code point of the text; -1 for a byte that is no text in
// the charset.
template <class F> void ForEachCodePoint(std::string_view bytes, const Charset &charset, F f) {
  switch (charset.kind) {
  case Kind::Utf8:
    for (std::size_t i = 0; i < bytes.size();)
      f(unicode::DecodeUtf8(bytes, i));
    return;
  case Kind::Ascii:
    for (char ch : bytes)
      f(static_cast<unsigned char>(ch) < 0x80 ? static_cast<long>(ch) : -1L);
    return;
  case Kind::Win1251:
    for (char ch : bytes)
      f(static_cast<long>(unicode::CodePointOf1251(static_cast<unsigned char>(ch))));
    return;
  case Kind::SingleByte:
    for (char ch : bytes) {
      const auto c = static_cast<unsigned char>(ch);
      const long cp = c < 0x80 ? c : (*charset.high)[c - 0x80];
      f(cp == kNone ? -1L : cp);
    }
    return;
  }
}

bool IsNameUnsafe(int c1251) {
  return c1251 < 0x20 || c1251 == 0x7F || c1251 == 0x98 || c1251 == '?';
}
} // namespace

bool IsKnownCharset(std::string_view charset) {
  return FindCharset(charset) != nullptr;
}

std::string CanonicalCharsetName(std::string_view charset) {
  const Charset *cs = FindCharset(charset);
  return cs == nullptr ? std::string() : std::string(cs->canonical);
}

std::optional<std::string> CharsetToUtf8(std::string_view bytes, std::string_view charset) {
  const Charset *cs = FindCharset(charset);
  if (cs == nullptr)
    return std::nullopt;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  ForEachCodePoint(bytes, *cs, [&out](long cp) {
    unicode::AppendUtf8(out, cp < 0 ? 0xFFFD : static_cast<std::uint32_t>(cp));
  });
  return out;
}

std::optional<std::string> CharsetToWin1251(std::string_view bytes, std::string_view charset,
                                            char unmappable) {
  const Charset *cs = FindCharset(charset);
  if (cs == nullptr)
    return std::nullopt;
  if (cs->kind == Kind::Win1251)
    return std::string(bytes);
  std::string out;
  out.reserve(bytes.size());
  ForEachCodePoint(bytes, *cs, [&out, unmappable](long cp) {
    const int c = unicode::UnicodeTo1251(cp);
    out += c < 0 ? unmappable : static_cast<char>(c);
  });
  return out;
}

std::string Utf8ToWin1251Name(std::string_view text) {
  std::string out = Utf8ToWin1251(text); // what it cannot hold becomes '?', which no name may hold
  for (char &c : out)
    if (IsNameUnsafe(static_cast<unsigned char>(c)))
      c = '_';
  return out;
}

bool IsMultiByteUtf8(std::string_view text) {
  bool multiByte = false;
  for (std::size_t i = 0; i < text.size();) {
    const long cp = unicode::DecodeUtf8(text, i);
    if (cp < 0)
      return false;
    multiByte = multiByte || cp >= 0x80;
  }
  return multiByte;
}
} // namespace mv
