// The decoder writes whole groups into one block: a padded group in the
// middle of the text must still give only its own bytes, and the bytes of
// the groups after it must follow them directly.
#include "mime/IdCoderMIME.h"

#include <gtest/gtest.h>

TEST(Base64Groups, PaddedGroupInsideTheTextKeepsOnlyItsBytes) {
  EXPECT_EQ(TIdDecoderMIME::DecodeString("YQ==YWJj"), "aabc");
  EXPECT_EQ(TIdDecoderMIME::DecodeString("YWI=YQ==YWI="), "abaab");
  // A fill character in the third place ends the group whatever the fourth is.
  EXPECT_EQ(TIdDecoderMIME::DecodeString("YQ=jYWJj"), "aabc");

  TIdMemoryStream destination("xyz");
  destination.SetPosition(1);
  TIdDecoderMIME().DecodeToStream("YQ==YWI=", destination);
  EXPECT_EQ(destination.DataString(), "xaab");
  EXPECT_EQ(destination.Position(), 4);
}

TEST(Base64Groups, LargeTextDecodesInOneWrite) {
  std::string bytes(300000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>((i * 131 + i / 256) & 255);
  EXPECT_EQ(TIdDecoderMIME::DecodeString(TIdEncoderMIME::EncodeString(bytes)), bytes);
}
