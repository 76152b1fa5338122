#include "platform/CodePage.h"
#include "tests/support/Shell.h"

#include <gtest/gtest.h>

#include <optional>

namespace {
// What python3's codecs make of every byte of a charset (U+FFFD where the
// charset has no character), as UTF-8; nullopt without python3.
std::optional<std::string> PythonDecodesAllBytes(const char *codec) {
  const std::string command = std::string("python3 -c \"import sys; sys.stdout.buffer.write(bytes(range(256))"
                                          ".decode('") +
                              codec + "', 'replace').encode())\" 2>/dev/null";
  const std::string out = mvtest::CommandOutput(command);
  if (out.empty())
    return std::nullopt;
  return out;
}

std::string AllBytes() {
  std::string all;
  for (int c = 0; c < 256; ++c)
    all += static_cast<char>(c);
  return all;
}
} // namespace

TEST(Charsets, EveryByteAsPythonDecodesIt) {
  struct Case {
    const char *ours;
    const char *python;
  };
  const Case cases[] = {{"KOI8-R", "koi8_r"},     {"KOI8-U", "koi8_u"},       {"ISO-8859-5", "iso8859_5"},
                        {"CP866", "cp866"},       {"windows-1252", "cp1252"}, {"ISO-8859-1", "latin_1"},
                        {"latin9", "iso8859_15"}, {"US-ASCII", "ascii"},      {"windows-1251", "cp1251"}};
  for (const Case &c : cases) {
    const std::optional<std::string> expected = PythonDecodesAllBytes(c.python);
    if (!expected)
      GTEST_SKIP() << "python3 is not available";
    std::optional<std::string> ours = mv::CharsetToUtf8(AllBytes(), c.ours);
    ASSERT_TRUE(ours.has_value()) << c.ours;
    if (std::string(c.ours) == "windows-1251") // 0x98 has no character; ours keeps the byte
      ours->replace(ours->find("\xC2\x98"), 2, "\xEF\xBF\xBD");
    EXPECT_EQ(*ours, *expected) << c.ours;
  }
}

TEST(Charsets, NamesAliasesAndConversions) {
  // "Привет" in each charset; the results are Windows-1251 with '#' for what it cannot hold.
  const std::string hello1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
  struct Case {
    const char *charset;
    std::string bytes;
    std::optional<std::string> win1251;
  };
  const Case cases[] = {
      {"utf-8", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", hello1251},
      {"UTF8", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", hello1251},
      {"utf-8*ru", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", hello1251},
      {" \"UTF-8\" ", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", hello1251},
      {"koi8-r", "\xF0\xD2\xC9\xD7\xC5\xD4", hello1251},
      {"KOI8R", "\xF0\xD2\xC9\xD7\xC5\xD4", hello1251},
      {"iso-8859-5", "\xBF\xE0\xD8\xD2\xD5\xE2", hello1251},
      {"ISO_8859-5", "\xBF\xE0\xD8\xD2\xD5\xE2", hello1251},
      {"ibm866", "\x8F\xE0\xA8\xA2\xA5\xE2", hello1251},
      {"cp1251", hello1251, hello1251},
      {"x-cp1251", hello1251, hello1251},
      // KOI8-U holds Ukrainian letters where KOI8-R has box drawing: "їі" and "╗╖".
      {"koi8-u", "\xA7\xA6", std::string("\xBF\xB3")},
      {"koi8-r", "\xA7\xA6", std::string("##")},
      {"latin1", "caf\xE9", std::string("caf#")},
      {"us-ascii", "a\xE9z", std::string("a#z")},
      {"utf-8", "a\xF0\x9F\x98\x80z\xFF", std::string("a#z#")}, // an emoji, a broken byte
      {"x-unknown", "abc", std::nullopt},
      {"", "abc", std::nullopt},
      {"utf-16", "abc", std::nullopt},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(mv::CharsetToWin1251(c.bytes, c.charset, '#'), c.win1251) << c.charset;
    EXPECT_EQ(mv::IsKnownCharset(c.charset), c.win1251.has_value()) << c.charset;
    const std::optional<std::string> utf8 = mv::CharsetToUtf8(c.bytes, c.charset);
    EXPECT_EQ(utf8.has_value(), c.win1251.has_value()) << c.charset;
    if (utf8 && c.win1251->find('#') == std::string::npos) {
      EXPECT_EQ(mv::Utf8ToWin1251(*utf8), *c.win1251) << c.charset;
    }
  }
  EXPECT_EQ(mv::CanonicalCharsetName("Koi8r"), "KOI8-R");
  EXPECT_EQ(mv::CanonicalCharsetName("ANSI_X3.4-1968"), "US-ASCII");
  EXPECT_EQ(mv::CanonicalCharsetName("koi8-x"), "");
}

TEST(Charsets, FileNamesNeverGetQuestionMarksOrControls) {
  struct Case {
    std::string utf8;
    std::string name1251;
  };
  const Case cases[] = {
      {"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.pdf", "\xCE\xF2\xF7\xB8\xF2.pdf"}, // Отчёт.pdf
      {"sub/\xC3\xBC\xC8\xB5\xC4\xA9\xC3\xB6\xE1\xB8\x8B\xC3\xA8/file.txt", "sub/______/file.txt"},
      {"a?b\tc\x7F"
       "d\\e",
       "a_b_c_d\\e"},
      {"x\xFF\xD0", "x__"},                                   // broken and cut sequences
      {"\xE2\x84\x96 1 \xC2\xAB\xC2\xBB", "\xB9 1 \xAB\xBB"}, // № « » have Windows-1251 forms
  };
  for (const Case &c : cases)
    EXPECT_EQ(mv::Utf8ToWin1251Name(c.utf8), c.name1251) << c.utf8;
}

TEST(Charsets, MultiByteUtf8IsRecognised) {
  struct Case {
    std::string text;
    bool utf8;
  };
  const Case cases[] = {
      {"\xD0\x9F\xD1\x80\xD0\xB8", true},  // UTF-8 "При"
      {"plain ascii", false},              // nothing multi-byte
      {"\xCF\xF0\xE8\xE2\xE5\xF2", false}, // Windows-1251 "Привет"
      {"\xF0\xD2\xC9\xD7\xC5\xD4", false}, // KOI8-R "Привет"
      {"ok \xD0\x9F but \xFF", false},     // one broken byte spoils it
  };
  for (const Case &c : cases)
    EXPECT_EQ(mv::IsMultiByteUtf8(c.text), c.utf8) << c.text;
}
