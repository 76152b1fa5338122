#include "mime/IdHeaderWords.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

#include <cstdlib>

using mvtest::ExpectError;

namespace {
// "Привет", "Проверка", "Отчёт за 2026 год" in Windows-1251.
const std::string Privet = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string Proverka = "\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0";
const std::string Report = "\xCE\xF2\xF7\xB8\xF2 \xE7\xE0 2026 \xE3\xEE\xE4";

std::string EncodeQ(const std::string &value, const std::string &specials = "") {
  return EncodeHeaderWords(value, specials, 'Q', trEightBit, "Windows-1251");
}

// Sets one variable for the life of the object.
class ScopedEnv {
public:
  ScopedEnv(const char *name, const char *value) : name_(name) {
    const char *old = std::getenv(name);
    hadOld_ = old != nullptr;
    if (hadOld_)
      old_ = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (hadOld_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

private:
  const char *name_;
  bool hadOld_ = false;
  std::string old_;
};

std::string CharsetFor(const char *locale, TTransfer &transfer, char &letter) {
  ScopedEnv all("LC_ALL", nullptr), ctype("LC_CTYPE", nullptr), lang("LANG", locale);
  std::string charset;
  DefaultHeaderCharset(transfer, letter, charset);
  return charset;
}
} // namespace

TEST(DecodeHeaderWords, DecodesIsoAndWindowsWords) {
  EXPECT_EQ(DecodeHeaderWords("=?windows-1251?B?z/Du4uXw6uA=?="), Proverka);
  EXPECT_EQ(DecodeHeaderWords("=?ISO-8859-1?Q?caf=E9_au_lait?="), "caf\xE9 au lait");
  EXPECT_EQ(DecodeHeaderWords("Re: =?Windows-1251?Q?=CF=F0=E8=E2=E5=F2?= !"), "Re: " + Privet + " !");
  EXPECT_EQ(DecodeHeaderWords("plain text"), "plain text");
}

TEST(DecodeHeaderWords, LeavesOtherCharsetsAndMalformedWords) {
  const std::string koi8 = "=?KOI8-R?B?8NLJ18XU?=";
  EXPECT_EQ(DecodeHeaderWords(koi8), koi8);
  EXPECT_EQ(DecodeHeaderWords("=?ISO-8859-1?Q?open"), "=?ISO-8859-1?Q?open");
  EXPECT_EQ(DecodeHeaderWords("=?ISO"), "=?ISO");
  EXPECT_EQ(DecodeHeaderWords("a =?WINDOWS-1251?"), "a =?WINDOWS-1251?");
}

TEST(DecodeHeaderWords, DropsBlanksBetweenAdjacentWordsOnly) {
  // A long name split into two words by the sender's mailer.
  EXPECT_EQ(DecodeHeaderWords("=?windows-1251?Q?=CF=F0=E8?= =?windows-1251?Q?=E2=E5=F2?="), Privet);
  EXPECT_EQ(DecodeHeaderWords("=?windows-1251?Q?=CF=F0=E8?=\r\n\t=?windows-1251?B?4uXy?="), Privet);
  // Blanks between a word and plain text stay, also around an undecoded word.
  EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?Q?a?= b =?iso-8859-1?Q?c?="), "a b c");
  EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?Q?a?= =?KOI8-R?Q?x?= =?iso-8859-1?Q?c?="), "a =?KOI8-R?Q?x?= c");
  // An encoded space inside the words is kept.
  EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?Q?a_?= =?iso-8859-1?Q?b?="), "a b");
}

TEST(DecodeHeaderWords, DecodesMixedCharsetsInOrder) {
  EXPECT_EQ(DecodeHeaderWords("=?windows-1251?Q?=CF?= x =?iso-8859-1?Q?=E9?="), "\xCF x \xE9");
}

TEST(DecodeHeaderWords, RemovesZeroBytesOfFillCharacters) {
  EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?B?YWI=?="), "ab");
  EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?B?YQ?="), "a");
  EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?Q?a=00b?="), "ab");
}

TEST(DecodeHeaderWords, QWordWithNonHexEscapeFails) {
  ExpectError<EConvertError>([&] { DecodeHeaderWords("=?iso-8859-1?Q?a=ZZb?="); },
                             "'$ZZ' is not a valid integer value");
  // An "=" too close to the end of the word stays as it is.
  EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?Q?a=Z?="), "a=Z");
}

TEST(DecodeHeaderWords, Iso2022JpBecomesShiftJis) {
  // "日本" in ISO-2022-JP, base64.
  EXPECT_EQ(DecodeHeaderWords("=?ISO-2022-JP?B?GyRCRnxLXBsoQg==?="), "\x93\xFA\x96\x7B");
}

TEST(EncodeHeaderWords, EncodesOnlyWordsThatNeedIt) {
  EXPECT_EQ(EncodeQ(Privet), "=?Windows-1251?Q?=CF=F0=E8=E2=E5=F2?=");
  EXPECT_EQ(EncodeQ(Report), "=?Windows-1251?Q?=CE=F2=F7=B8=F2_=E7=E0?= 2026 =?Windows-1251?Q?=E3=EE=E4?=");
  EXPECT_EQ(EncodeQ("All ASCII\tsubject = 100%?"), "All ASCII\tsubject = 100%?");
  EXPECT_EQ(EncodeQ("a \x01x b"), "a =?Windows-1251?Q?=01x?= b");
  EXPECT_EQ(EncodeQ("x=\xE9?_"), "=?Windows-1251?Q?x=3D=E9=3F=5F?=");
  EXPECT_EQ(EncodeHeaderWords(Privet, "", '8', trEightBit, "Windows-1251"), Privet);
}

TEST(EncodeHeaderWords, EncodesBlanksInsideARunAndKeepsTrailingOnes) {
  EXPECT_EQ(EncodeQ("\xE0\t\xE1 "), "=?Windows-1251?Q?=E0=09=E1?= ");
}

TEST(EncodeHeaderWords, BWordsAndLineLength) {
  EXPECT_EQ(EncodeHeaderWords(Proverka, "", 'B', trEightBit, "windows-1251"),
            "=?windows-1251?B?z/Du4uXw6uA=?=");
  for (char letter : {'Q', 'B'}) {
    const std::string value(100, '\xE9');
    const std::string encoded = EncodeHeaderWords(value, "", letter, trEightBit, "Windows-1251");
    std::size_t start = 0;
    int words = 0;
    for (;;) {
      const std::size_t end = encoded.find("\r\n\t", start);
      const std::string word =
          encoded.substr(start, end == std::string::npos ? std::string::npos : end - start);
      EXPECT_LE(word.size(), 75u) << letter;
      ++words;
      if (end == std::string::npos)
        break;
      start = end + 3;
    }
    EXPECT_GT(words, 1) << letter;
    EXPECT_EQ(DecodeHeaderWords(encoded), value) << letter; // folds between words vanish
  }
}

TEST(EncodeAddressForHeader, QuotesOrEncodesTheName) {
  TIdEMailAddressItem item;
  item.Address = "ivan@example.org";
  EXPECT_EQ(EncodeAddressForHeader(item, 'Q', trEightBit, "Windows-1251"), "ivan@example.org");
  item.Name = "Petrov, \"Ivan\"";
  EXPECT_EQ(EncodeAddressForHeader(item, 'Q', trEightBit, "Windows-1251"),
            "\"Petrov, \\\"Ivan\\\"\" <ivan@example.org>");
  item.Name = Privet + ", (I.)";
  EXPECT_EQ(EncodeAddressForHeader(item, 'Q', trEightBit, "Windows-1251"),
            "=?Windows-1251?Q?=CF=F0=E8=E2=E5=F2=2C_=28I=2E=29?= <ivan@example.org>");

  TIdEMailAddressList list;
  list.SetAddressesText("a@example.org, Bob <b@example.org>");
  EXPECT_EQ(EncodeAddressListForHeader(list, 'Q', trEightBit, "Windows-1251"),
            "a@example.org, \"Bob\" <b@example.org>");
}

TEST(DefaultHeaderCharset, FollowsTheLanguageOfTheLocale) {
  TTransfer transfer;
  char letter;
  EXPECT_EQ(CharsetFor("ru_RU.UTF-8", transfer, letter), "Windows-1251");
  EXPECT_EQ(letter, 'Q');
  EXPECT_EQ(transfer, trEightBit);
  EXPECT_EQ(CharsetFor(nullptr, transfer, letter), "Windows-1251");
  EXPECT_EQ(CharsetFor("C", transfer, letter), "Windows-1251");
  EXPECT_EQ(CharsetFor("zh_CN.UTF-8", transfer, letter), "GB2312");
  EXPECT_EQ(letter, 'B');
  EXPECT_EQ(CharsetFor("zh_TW.Big5", transfer, letter), "Big5");
  EXPECT_EQ(CharsetFor("ko_KR.UTF-8", transfer, letter), "EUC-KR");
  EXPECT_EQ(CharsetFor("ja_JP.UTF-8", transfer, letter), "ISO-2022-JP");
  EXPECT_EQ(transfer, trIso2022Jp);
  EXPECT_EQ(letter, 'B');
  {
    ScopedEnv all("LC_ALL", "ja_JP.UTF-8");
    std::string charset;
    DefaultHeaderCharset(transfer, letter, charset);
    EXPECT_EQ(charset, "ISO-2022-JP"); // LC_ALL wins over LANG
  }
}

TEST(Japanese, ShiftJisAndJisConvertBothWays) {
  const std::string sjis = "ab\x93\xFA\x96\x7B\x8C\xEA"
                           "c"; // "ab日本語c"
  const std::string jis = "ab\x1B$BF|K\\8l\x1B(Bc";
  EXPECT_EQ(ShiftJisToJis(sjis), jis);
  EXPECT_EQ(JisToShiftJis(jis), sjis);
  // Half-width katakana become full-width, with the voiced mark combined: "ｶﾞｷﾊﾟ".
  EXPECT_EQ(ShiftJisToJis("\xB6\xDE\xB7\xCA\xDF"), "\x1B$B%,%-%Q\x1B(B");
  // A lone lead byte is neither ASCII nor a character: dropped.
  EXPECT_EQ(ShiftJisToJis("a\x93"), "a");
}
