#include "mime/IdCoderMIME.h"
#include "mime/IdCoderUUE.h"

#include <gtest/gtest.h>

#include <random>

namespace {
// Encodes as the message writer does: 45 bytes per line, each line decoded alone.
template <class Encoder, class Decoder> std::string RoundTrip(const std::string &bytes) {
  TIdMemoryStream source(bytes);
  TIdMemoryStream decoded;
  Encoder encoder;
  while (source.Position() < source.Size()) {
    const std::string line = encoder.Encode(source, 45);
    EXPECT_LE(line.size(), 61u);
    Decoder().DecodeToStream(line, decoded);
  }
  return decoded.DataString();
}
} // namespace

TEST(Uue, EncodesWithLengthPrefix) {
  EXPECT_EQ(TIdEncoderUUE::EncodeString("abc"), "#86)C");
  EXPECT_EQ(TIdEncoderUUE::EncodeString("a"), "!80``");
  TIdMemoryStream source(std::string(90, 'q'));
  const std::string line = TIdEncoderUUE().Encode(source, 45);
  EXPECT_EQ(line.size(), 61u);
  EXPECT_EQ(line[0], 'M');
}

TEST(Uue, DecodesLineIgnoringCharactersAfterAnnouncedLength) {
  EXPECT_EQ(TIdDecoderUUE::DecodeString("#86)C"), "abc");
  EXPECT_EQ(TIdDecoderUUE::DecodeString("#86)C``"), "abc");
  EXPECT_EQ(TIdDecoderUUE::DecodeString("!80``"), "a");
  EXPECT_EQ(TIdDecoderUUE::DecodeString("\"86(`"), "ab");
}

TEST(Uue, SpaceStandsForGraveAccent) {
  EXPECT_EQ(TIdDecoderUUE::DecodeString("#    "), std::string(3, '\0'));
  EXPECT_EQ(TIdDecoderUUE::DecodeString("#````"), std::string(3, '\0'));
}

TEST(Uue, ZeroLengthAndEmptyLinesWriteNothing) {
  TIdMemoryStream destination;
  TIdDecoderUUE().DecodeToStream("", destination);
  TIdDecoderUUE().DecodeToStream("`", destination);
  TIdDecoderUUE().DecodeToStream(" ", destination);
  TIdDecoderXXE().DecodeToStream("+", destination);
  EXPECT_EQ(destination.Size(), 0);
}

TEST(Uue, ShortLineIsExtendedNotOverrun) {
  // 'M' announces 45 bytes but only 4 characters follow.
  EXPECT_EQ(TIdDecoderUUE::DecodeString("M86)C").size(), 45u);
  EXPECT_EQ(TIdDecoderUUE::DecodeString("M86)C").substr(0, 3), "abc");
}

TEST(Uue, LengthCharacterOutsideTableStaysBounded) {
  for (int c = 0; c < 256; ++c) {
    const std::string line = std::string(1, static_cast<char>(c)) + "\x80\xFF";
    EXPECT_LE(TIdDecoderUUE::DecodeString(line).size(), 255u);
    EXPECT_LE(TIdDecoderXXE::DecodeString(line).size(), 255u);
  }
}

TEST(Uue, LineLongerThanLengthCharacterCanSayIsRefused) {
  TIdMemoryStream source(std::string(66, 'x'));
  EXPECT_THROW(TIdEncoderUUE().Encode(source), EIdException);
}

TEST(Xxe, EncodesWithItsOwnAlphabet) {
  EXPECT_EQ(TIdEncoderXXE::EncodeString("abc"), "1MK7X");
  EXPECT_EQ(TIdDecoderXXE::DecodeString("1MK7X"), "abc");
  TIdMemoryStream source(std::string(45, '\0'));
  EXPECT_EQ(TIdEncoderXXE().Encode(source, 45), "h" + std::string(60, '+'));
}

TEST(UueXxe, RoundTripEveryLengthUpTo300) {
  std::mt19937 random(1251);
  std::uniform_int_distribution<int> byte(0, 255);
  for (std::size_t length = 0; length <= 300; ++length) {
    std::string bytes(length, '\0');
    for (char &c : bytes)
      c = static_cast<char>(byte(random));
    ASSERT_EQ((RoundTrip<TIdEncoderUUE, TIdDecoderUUE>(bytes)), bytes) << "UUE length " << length;
    ASSERT_EQ((RoundTrip<TIdEncoderXXE, TIdDecoderXXE>(bytes)), bytes) << "XXE length " << length;
  }
}

TEST(EncoderLines, AppendLineWritesTheLineEncodeWrites) {
  TIdEncoderUUE uue;
  TIdEncoderXXE xxe;
  TIdEncoderMIME mime;
  for (TIdEncoder3to4 *encoder : std::initializer_list<TIdEncoder3to4 *>{&uue, &xxe, &mime}) {
    for (std::size_t length = 0; length <= 63; ++length) {
      std::string bytes;
      for (std::size_t i = 0; i < length; ++i)
        bytes += static_cast<char>(i * 37 + length);
      TIdMemoryStream source(bytes);
      std::string text = "kept";
      encoder->AppendLine(bytes.data(), bytes.size(), text);
      EXPECT_EQ(text, "kept" + encoder->Encode(source)) << encoder->CodingTable << " " << length;
    }
  }
  std::string text;
  EXPECT_THROW(uue.AppendLine(std::string(64, 'x').data(), 64, text), EIdException);
}
