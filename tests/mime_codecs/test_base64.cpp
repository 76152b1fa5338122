#include "mime/IdCoderMIME.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

#include <random>

using mvtest::ExpectError;

namespace {
std::string Decode(const std::string &text) {
  return TIdDecoderMIME::DecodeString(text);
}

std::string RandomBytes(std::mt19937 &random, std::size_t length) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(length, '\0');
  for (char &c : bytes)
    c = static_cast<char>(byte(random));
  return bytes;
}
} // namespace

TEST(Base64, EncodeStringPadsShortLastGroup) {
  EXPECT_EQ(TIdEncoderMIME::EncodeString("abc"), "YWJj");
  EXPECT_EQ(TIdEncoderMIME::EncodeString("ab"), "YWI=");
  EXPECT_EQ(TIdEncoderMIME::EncodeString("a"), "YQ==");
  EXPECT_EQ(TIdEncoderMIME::EncodeString(""), "");
  EXPECT_EQ(TIdEncoderMIME::EncodeString(std::string("\xFF\xFE\x00", 3)), "//4A");
}

TEST(Base64, EncodeTakesLinesByByteCount) {
  std::string bytes(100, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(i * 7);
  TIdMemoryStream source(bytes);
  TIdEncoderMIME encoder;
  const std::string first = encoder.Encode(source, 57);
  EXPECT_EQ(first.size(), 76u);
  EXPECT_EQ(source.Position(), 57);
  const std::string second = encoder.Encode(source, 57);
  EXPECT_EQ(second.size(), 60u);
  EXPECT_EQ(second.substr(58), "==");
  EXPECT_EQ(Decode(first) + Decode(second), bytes);
  EXPECT_EQ(encoder.Encode(source, 57), "");
}

TEST(Base64, EncodeRejectsCountNotMultipleOfThree) {
  TIdMemoryStream source(std::string(100, 'x'));
  TIdEncoderMIME encoder;
  ExpectError<EIdException>([&] { encoder.Encode(source, 50); }, "Uneven size in Encode.");
}

TEST(Base64, DecodeToStreamAppendsAtPosition) {
  TIdMemoryStream destination("xyz");
  destination.SetPosition(3);
  TIdDecoderMIME().DecodeToStream("YWJj", destination);
  TIdDecoderMIME().DecodeToStream("YWI=", destination);
  EXPECT_EQ(destination.DataString(), "xyzabcab");
  EXPECT_EQ(Decode(""), "");
  EXPECT_EQ(Decode("YQ=="), "a");
}

TEST(Base64, DecodeRejectsUnevenTextAndWritesNothing) {
  TIdMemoryStream destination;
  ExpectError<EIdException>([&] { TIdDecoderMIME().DecodeToStream("YWJ", destination); },
                            "Uneven size in DecodeToStream.");
  EXPECT_EQ(destination.Size(), 0);
}

TEST(Base64, DecodesAnyBytesWithinBounds) {
  // Characters outside the alphabet are not detected; what matters is that
  // every byte value, NUL and 0x80..0xFF included, is a safe table index.
  std::string text;
  for (int c = 0; c < 256; ++c)
    text += static_cast<char>(c);
  EXPECT_EQ(Decode(text).size(), 192u);
}

TEST(Base64, RoundTripsEveryLengthUpTo300) {
  std::mt19937 random(20261209);
  for (std::size_t length = 0; length <= 300; ++length) {
    const std::string bytes = RandomBytes(random, length);
    // As attachments travel: lines of 57 bytes, decoded line by line.
    TIdMemoryStream source(bytes);
    TIdMemoryStream decoded;
    TIdEncoderMIME encoder;
    for (std::string line; !(line = encoder.Encode(source, 57)).empty();) {
      ASSERT_LE(line.size(), 76u);
      TIdDecoderMIME().DecodeToStream(line, decoded);
    }
    ASSERT_EQ(decoded.DataString(), bytes) << "length " << length;
    ASSERT_EQ(Decode(TIdEncoderMIME::EncodeString(bytes)), bytes) << "length " << length;
  }
}
