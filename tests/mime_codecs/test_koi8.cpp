#include "mime/Koi8.h"

#include <gtest/gtest.h>

namespace {
// Windows-1251 forms of the expected texts.
const std::string Privet = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string ProverkaFaila = "\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0 \xF4\xE0\xE9\xEB\xE0";

std::string Base64Decode(const std::string &text) {
  TIdMemoryStream input(text);
  input.SetPosition(input.Size()); // the decoder reads from the start regardless
  TIdMemoryStream output(">");
  output.SetPosition(1);
  Base64DecodeStream(input, output);
  return output.DataString().substr(1);
}
} // namespace

TEST(Koi8ToWin, ConvertsTheSixtySixLetters) {
  EXPECT_EQ(Koi8ToWin("\xF0\xD2\xC9\xD7\xC5\xD4"), Privet);
  EXPECT_EQ(Koi8ToWin("\xC1\xE1\xA3\xB3"), "\xE0\xC0\xB8\xA8");
  // Every letter maps to a distinct Windows-1251 letter (0xC0..0xFF, Ё, ё).
  std::string all;
  for (int c = 0xC0; c <= 0xFF; ++c)
    all += static_cast<char>(c);
  all += "\xA3\xB3";
  std::string converted = Koi8ToWin(all);
  std::sort(converted.begin(), converted.end());
  std::string expected;
  for (int c = 0xC0; c <= 0xFF; ++c)
    expected += static_cast<char>(c);
  expected += "\xA8\xB8";
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(converted, expected);
}

TEST(Koi8ToWin, LeavesEverythingElse) {
  std::string others;
  for (int c = 0; c < 0xC0; ++c)
    if (c != 0xA3 && c != 0xB3)
      others += static_cast<char>(c);
  EXPECT_EQ(Koi8ToWin(others), others);
}

TEST(Base64DecodeStream, DecodesWhateverTheLayout) {
  EXPECT_EQ(Base64Decode("QUJDREVG"), "ABCDEF");
  EXPECT_EQ(Base64Decode("QUI="), "AB");
  EXPECT_EQ(Base64Decode("QQ=="), "A");
  // Short, empty, unpadded and oddly broken texts decode what they hold.
  EXPECT_EQ(Base64Decode(""), "");
  EXPECT_EQ(Base64Decode("Q"), "");
  EXPECT_EQ(Base64Decode("QUI"), "AB");
  EXPECT_EQ(Base64Decode("QU\r\nJD\nREVG"), "ABCDEF");
  const std::string line(76, 'A');
  EXPECT_EQ(Base64Decode(line + "\r\n" + line + "\r\nQQ=="), std::string(114, '\0') + "A");
  // Longer than one line with no line breaks is not cut short.
  EXPECT_EQ(Base64Decode(std::string(200, 'A')), std::string(150, '\0'));
}

TEST(DecodeKoi8Word, DecodesBWords) {
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?b?8NLJ18XU?="), Privet);
  EXPECT_EQ(DecodeKoi8Word("=?KOI8-R?B?8NLP18XSy8EgxsHKzME=?="), ProverkaFaila);
}

TEST(DecodeKoi8Word, KeepsTextAroundAndDecodesEveryWord) {
  EXPECT_EQ(DecodeKoi8Word("Re: =?koi8-r?B?8NLJ18XU?="), "Re: " + Privet);
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?B?8NLJ18XU?= (2)"), Privet + " (2)");
  EXPECT_EQ(DecodeKoi8Word("a =?koi8-r?B?8NLJ18XU?= b =?koi8-r?B?8NLJ18XU?= c"),
            "a " + Privet + " b " + Privet + " c");
}

TEST(DecodeKoi8Word, JoinsAdjacentWordsWithoutTheirBlanks) {
  // A long file name split by the sender's mailer into two words.
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?B?8NLP18XSy8Eg?=\r\n =?koi8-r?B?xsHKzME=?="), ProverkaFaila);
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?Q?=F0=D2=C9?= =?koi8-r?B?18XU?="), Privet);
}

TEST(DecodeKoi8Word, DecodesQWords) {
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?Q?=F0=D2=C9=D7=C5=D4_=CD=C9=D2?="), Privet + " \xEC\xE8\xF0");
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?q?a=3Db?="), "a=b");
  // A broken escape stays as it is instead of failing the mail check.
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?Q?=ZZ=?="), "=ZZ=");
}

TEST(DecodeKoi8Word, LeavesOtherTextUnchanged) {
  EXPECT_EQ(DecodeKoi8Word("plain subject"), "plain subject");
  EXPECT_EQ(DecodeKoi8Word("=?windows-1251?B?z/Du4uXw6uA=?="), "=?windows-1251?B?z/Du4uXw6uA=?=");
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?B?8NLJ18XU"), "=?koi8-r?B?8NLJ18XU");
  EXPECT_EQ(DecodeKoi8Word("?= =?koi8-r?"), "?= =?koi8-r?");
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?B?\?="), "");
  EXPECT_EQ(DecodeKoi8Word("=?koi8-r?B?Q?="), "");
  EXPECT_EQ(DecodeKoi8Word(""), "");
}
