#include "platform/Errors.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

using mvtest::ExpectError;

TEST(ErrorDisplayText, AppendsFullStopOnlyAfterCharactersAboveIt) {
  EXPECT_EQ(mv::ErrorDisplayText("Connection refused"), "Connection refused.");
  EXPECT_EQ(mv::ErrorDisplayText("Done."), "Done.");
  EXPECT_EQ(mv::ErrorDisplayText("Why?"), "Why?.");  // '?' is above '.'
  EXPECT_EQ(mv::ErrorDisplayText("Stop!"), "Stop!"); // '!' is below '.'
  EXPECT_EQ(mv::ErrorDisplayText("a-"), "a-");
  EXPECT_EQ(mv::ErrorDisplayText(""), "");
  EXPECT_EQ(mv::ErrorDisplayText("\xCE\xF8\xE8\xE1\xEA\xE0"), "\xCE\xF8\xE8\xE1\xEA\xE0.");
}

TEST(ThrowInvalidInteger, CarriesTheText) {
  ExpectError<EConvertError>([&] { mv::ThrowInvalidInteger("12a"); }, "'12a' is not a valid integer value");
}
