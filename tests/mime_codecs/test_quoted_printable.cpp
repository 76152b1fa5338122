#include "mime/IdCoderQuotedPrintable.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {
std::string Encode(const std::string &bytes) {
  return TIdEncoderQuotedPrintable::EncodeString(bytes);
}
std::string Decode(const std::string &line) {
  return TIdDecoderQuotedPrintable::DecodeString(line);
}

// The lines of an encoded text as a reader sees them (without their CR LF).
std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size())
    lines.push_back(text.substr(start));
  return lines;
}

// Decodes line by line, each with its CR LF, as the message reader does.
std::string DecodeLines(const std::string &text) {
  TIdMemoryStream decoded;
  for (const std::string &line : Lines(text))
    TIdDecoderQuotedPrintable().DecodeToStream(line + "\r\n", decoded);
  return decoded.DataString();
}
} // namespace

TEST(QuotedPrintableEncode, EscapesWhatCannotTravelAsItIs) {
  EXPECT_EQ(Encode("a=b\r\n"), "a=3Db\r\n");
  EXPECT_EQ(Encode(".x\r\n"), "=2Ex\r\n");
  EXPECT_EQ(Encode("x.y\r\n"), "x.y\r\n");
  EXPECT_EQ(Encode("end \r\n"), "end=20\r\n");
  EXPECT_EQ(Encode("tab\t\r\n"), "tab=09\r\n");
  EXPECT_EQ(Encode("a b\tc\r\n"), "a b\tc\r\n");
  EXPECT_EQ(Encode("caf\xE9\r\n"), "caf=E9\r\n");
  EXPECT_EQ(Encode(std::string("\x00\x7F~!", 4) + "\r\n"), "=00=7F~!\r\n");
  EXPECT_EQ(Encode(""), "");
}

TEST(QuotedPrintableEncode, BreaksLongLinesSoftly) {
  const std::string letters72(72, 'w');
  EXPECT_EQ(Encode(letters72 + "\r\n"), letters72 + "=\r\n\r\n");
  EXPECT_EQ(Encode(std::string(70, 'w') + "\r\n"), std::string(70, 'w') + "\r\n");
  EXPECT_EQ(Encode(std::string(71, 'w') + "\r\n"), std::string(71, 'w') + "\r\n");
  // Escapes count with their three characters.
  for (const std::string &line : Lines(Encode(std::string(200, '\xF0') + "\r\n")))
    EXPECT_LE(line.size(), 76u);
  for (const std::string &line : Lines(Encode(std::string(300, 'z') + "\r\n")))
    EXPECT_LE(line.size(), 76u);
}

TEST(QuotedPrintableEncode, DotAfterAnySoftOrHardBreakIsEscaped) {
  // A lone "." line would end the data of a mail transfer.
  EXPECT_EQ(Encode("a\r\n.\r\n"), "a\r\n=2E\r\n");
  const std::string encoded = Encode(std::string(72, 'w') + ".\r\n");
  EXPECT_EQ(encoded, std::string(72, 'w') + "=\r\n=2E\r\n");
}

TEST(QuotedPrintableEncode, BlankAtTheVeryEndIsEscaped) {
  EXPECT_EQ(Encode("end "), "end=20");
  EXPECT_EQ(Decode("end=20"), "end ");
}

TEST(QuotedPrintableDecode, DecodesEscapesAndSoftBreaks) {
  EXPECT_EQ(Decode("caf=E9\r\n"), "caf\xE9\r\n");
  EXPECT_EQ(Decode("soft=\r\n"), "soft");
  EXPECT_EQ(Decode("x  \r\n"), "x\r\n");
  EXPECT_EQ(Decode("x \t \n"), "x\n");
  EXPECT_EQ(Decode("a=3db"), "a=b");
  EXPECT_EQ(Decode("end=20\r\n"), "end \r\n");
  EXPECT_EQ(Decode("a=xb"), "axb");
  EXPECT_EQ(Decode("a=4"), std::string("a\x04"));
  EXPECT_EQ(Decode("a="), "a");
  EXPECT_EQ(Decode(""), "");
}

TEST(QuotedPrintableDecode, WritesAtPositionOnlyWhenThereIsOutput) {
  TIdMemoryStream destination("12");
  destination.SetPosition(2);
  TIdDecoderQuotedPrintable().DecodeToStream("=\r\n", destination);
  EXPECT_EQ(destination.Size(), 2);
  TIdDecoderQuotedPrintable().DecodeToStream("ab\r\n", destination);
  EXPECT_EQ(destination.DataString(), "12ab\r\n");
}

TEST(QuotedPrintable, RoundTripsLinesOfEveryLengthUpTo300) {
  std::mt19937 random(866);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> pick(0, 3);
  for (std::size_t length = 0; length <= 300; ++length) {
    // Random bytes, with plenty of the characters that have rules of their
    // own; a line holds no line break.
    std::string line(length, '\0');
    for (char &c : line) {
      do {
        c = pick(random) == 0 ? " \t.="[pick(random)] : static_cast<char>(byte(random));
      } while (c == '\r' || c == '\n');
    }
    const std::string encoded = Encode(line + "\r\n");
    for (const std::string &out : Lines(encoded)) {
      ASSERT_LE(out.size(), 76u);
      ASSERT_FALSE(!out.empty() && (out.back() == ' ' || out.back() == '\t'));
      ASSERT_NE(out, ".");
    }
    ASSERT_EQ(DecodeLines(encoded), line + "\r\n") << "length " << length;
  }
}
