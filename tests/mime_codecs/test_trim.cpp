// The one trimming rule of the header code and the reply reader: every byte
// up to and including the space is a blank; bytes above it, Cyrillic
// included, are text.
#include "mime/IdTrim.h"

#include <gtest/gtest.h>

TEST(Trim, BlanksAreEveryByteUpToTheSpace) {
  const struct {
    std::string text, left, right, both;
  } cases[] = {
      {"", "", "", ""},
      {" \t\r\n", "", "", ""},
      {std::string("\0\x1F a b \x01", 8), "a b \x01", std::string("\0\x1F a b", 6), "a b"},
      {"\xA0\xE0 ", "\xA0\xE0 ", "\xA0\xE0", "\xA0\xE0"}, // no-break space and 'а' are text
      {"  250 ok\r", "250 ok\r", "  250 ok", "250 ok"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(mv::idtext::TrimLeft(c.text), c.left);
    EXPECT_EQ(mv::idtext::TrimRight(c.text), c.right);
    EXPECT_EQ(mv::idtext::Trim(c.text), c.both);
  }
}
