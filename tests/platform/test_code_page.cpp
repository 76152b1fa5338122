#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace {
// "Привет, Ёлка!" in Windows-1251 and in UTF-8.
const std::string kHello1251 = "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xEB\xEA\xE0!";
const std::string kHelloUtf8 =
    "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0!";
} // namespace

TEST(CodePage, Win1251AndUtf8RoundTrip) {
  EXPECT_EQ(mv::Win1251ToUtf8(kHello1251), kHelloUtf8);
  EXPECT_EQ(mv::Utf8ToWin1251(kHelloUtf8), kHello1251);
  // Every byte survives the way to UTF-8 and back, 0x98 (no character) too.
  std::string all;
  for (int c = 1; c < 256; ++c)
    all += static_cast<char>(c);
  EXPECT_EQ(mv::Utf8ToWin1251(mv::Win1251ToUtf8(all)), all);
  // Punctuation outside the Cyrillic block: "№ € — «»".
  EXPECT_EQ(mv::Win1251ToUtf8("\xB9\x88\x97\xAB\xBB"),
            "\xE2\x84\x96\xE2\x82\xAC\xE2\x80\x94\xC2\xAB\xC2\xBB");
}

TEST(CodePage, Utf8WithoutWindows1251FormBecomesQuestionMarks) {
  EXPECT_EQ(mv::Utf8ToWin1251("a\xC3\xA9z"), "a?z");     // é
  EXPECT_EQ(mv::Utf8ToWin1251("\xF0\x9F\x98\x80"), "?"); // an emoji: one character, one '?'
  EXPECT_EQ(mv::Utf8ToWin1251("x\xFFy\xD0"), "x?y?");    // broken bytes and a cut sequence
  EXPECT_EQ(mv::Utf8ToWin1251("\xC0\xAF"), "??");        // an overlong '/' is no '/'
  EXPECT_EQ(mv::Utf8ToWin1251("\xED\xA0\x80"), "???");   // a lone surrogate
}

TEST(CodePage, Cp866ToWin1251) {
  // "Отчёт_№1.txt" as an old archive stores it in code page 866.
  EXPECT_EQ(mv::Cp866ToWin1251("\x8E\xE2\xE7\xF1\xE2_\xFC\x31.txt"), "\xCE\xF2\xF7\xB8\xF2_\xB9\x31.txt");
  EXPECT_EQ(mv::Cp866ToWin1251("\x80\xAF\xE0\xEF\xF0"), "\xC0\xEF\xF0\xFF\xA8"); // А п р я Ё
  EXPECT_EQ(mv::Cp866ToWin1251("\xC9\xCD\xBB"), "???");                          // box drawing
}

TEST(CodePage, CaseFoldingCoversLatinCyrillicAndYo) {
  EXPECT_EQ(mv::UpperCase1251("abz\xE0\xFF\xB8\xE9"), "ABZ\xC0\xDF\xA8\xC9"); // а я ё й
  EXPECT_EQ(mv::LowerCase1251("ABZ\xC0\xDF\xA8\xC9"), "abz\xE0\xFF\xB8\xE9");
  EXPECT_EQ(mv::UpperChar1251(0xB3), 0xB2); // і -> І
  EXPECT_EQ(mv::UpperChar1251(0xBF), 0xAF); // ї -> Ї
  // Non-letters stay as they are.
  EXPECT_EQ(mv::UpperCase1251("1_.\xB9\xAB"), "1_.\xB9\xAB");
  EXPECT_TRUE(mv::SameText1251("\xF1\xF7\xE5\xF2.PDF", "\xD1\xD7\xC5\xD2.pdf"));
  EXPECT_FALSE(mv::SameText1251("\xE5", "\xB8")); // е is not ё
  EXPECT_FALSE(mv::SameText1251("ab", "abc"));
  EXPECT_LT(mv::CompareText1251("abc", "ABD"), 0);
  EXPECT_GT(mv::CompareText1251("\xDF", "\xE0"), 0); // Я after а
  EXPECT_LT(mv::CompareText1251("ab", "AB c"), 0);
}
