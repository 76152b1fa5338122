#include "platform/Errors.h"
#include "platform/Numbers.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

TEST(Numbers, DecimalAndHexadecimalForms) {
  EXPECT_EQ(mv::ParseInt("110"), 110);
  EXPECT_EQ(mv::ParseInt("  -42"), -42);
  EXPECT_EQ(mv::ParseInt("+7"), 7);
  EXPECT_EQ(mv::ParseInt("$1F"), 31);
  EXPECT_EQ(mv::ParseInt("0x1f"), 31);
  EXPECT_EQ(mv::ParseInt("0X10"), 16);
  EXPECT_EQ(mv::ParseInt("$FFFFFFFF"), -1);
  EXPECT_EQ(mv::ParseInt("2147483647"), 2147483647);
  EXPECT_EQ(mv::ParseInt("-2147483648"), -2147483647 - 1);
}

TEST(Numbers, TextThatIsNotAWholeNumber) {
  for (const char *text : {"", " ", "12a", "1 ", "2147483648", "$", "0x", "$100000000", "1.5", "--1", "x"})
    EXPECT_FALSE(mv::ParseInt(text).has_value()) << text;
  EXPECT_EQ(mv::StrToIntDef("abc", 25), 25);
  mvtest::ExpectError<EConvertError>([&] { mv::StrToInt("abc"); }, "'abc' is not a valid integer value");
  EXPECT_THROW(mv::StrToInt(""), EConvertError);
}
