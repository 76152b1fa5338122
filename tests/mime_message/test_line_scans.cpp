// The block-at-a-time scans of the reader against plain byte-by-byte
// definitions, on random text over the few bytes they care about: where a
// run of plain lines ends, and how decoded text splits into lines.
#include "mime/IdLines.h"
#include "mime/PlainLines.h"
#include "mime/TextLinesStream.h"

#include <gtest/gtest.h>

#include <random>

namespace {
std::string RandomText(std::mt19937 &random, std::string_view alphabet, std::size_t maxSize) {
  std::string text(std::uniform_int_distribution<std::size_t>(0, maxSize)(random), ' ');
  for (char &c : text)
    c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
  return text;
}

std::size_t PlainPrefixByBytes(std::string_view input, std::string_view stops, std::size_t limit) {
  std::size_t taken = 0;
  for (;;) {
    const std::size_t lf = input.find('\n', taken);
    if (lf == std::string_view::npos || lf == taken || input[lf - 1] != '\r' || lf - taken > limit ||
        stops.find(input[taken]) != std::string_view::npos)
      return taken;
    taken = lf + 1;
  }
}

// Lines end at CR LF, CR or LF; a NUL ends the text.
std::vector<std::string> SplitByBytes(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (std::size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(std::exchange(line, {}));
      open = false;
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
    } else {
      line += text[i];
      open = true;
    }
  }
  if (open)
    lines.push_back(line);
  return lines;
}
} // namespace

TEST(LineScans, PlainLinesPrefixAsByteByByte) {
  std::mt19937 random(7);
  const std::vector<std::string> stopSets = {".", ".-", ".-bB", "-x"};
  for (int round = 0; round < 20000; ++round) {
    // Mostly long lines of ordinary bytes, now and then a stop byte, a lone CR or LF.
    const std::string text =
        RandomText(random, round % 2 ? "aaaaaaaaaaaaaaa\r\n\r\n\r\n.-b\r" : "ab\r\n.", 200);
    const std::string &stops = stopSets[round % stopSets.size()];
    const std::size_t limit = std::vector<std::size_t>{3, 15, 16, 17, 40, 1000}[round % 6];
    ASSERT_EQ(mv::PlainLinesPrefix(text, stops, limit), PlainPrefixByBytes(text, stops, limit))
        << "stops \"" << stops << "\", limit " << limit << ", text of " << text.size() << " bytes";
  }
}

namespace {
// Mostly CR LF lines with a rare lone CR or NUL, so that long stretches
// hold nothing irregular and the odd byte falls anywhere in a block.
std::string MostlyRegularText(std::mt19937 &random, std::size_t maxSize) {
  std::string text = RandomText(random, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n", maxSize);
  std::string out;
  for (char c : text)
    out += c == '\n' ? "\r\n" : std::string(1, c);
  for (int odd = std::uniform_int_distribution<int>(0, 2)(random); odd > 0 && !out.empty(); --odd)
    out[std::uniform_int_distribution<std::size_t>(0, out.size() - 1)(random)] = odd == 1 ? '\r' : '\0';
  return out;
}
} // namespace

TEST(LineScans, TextSplitsAsByteByByteInAnyPieces) {
  std::mt19937 random(11);
  for (int round = 0; round < 6000; ++round) {
    const std::string text = round % 3 == 2 ? MostlyRegularText(random, 600)
                                            : RandomText(random,
                                                         round % 3 ? std::string_view("aaaaaaaaaa\r\n\r\n")
                                                                   : std::string_view("a\r\n\0", 4),
                                                         300);
    TIdLines lines;
    mv::TextLinesStream stream(lines);
    const std::size_t longestPiece = round % 2 ? 40 : 700;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t piece = std::uniform_int_distribution<std::size_t>(1, longestPiece)(random);
      stream.WriteString(std::string_view(text).substr(at, piece));
      at += piece;
    }
    stream.Finish();
    const std::vector<std::string> expected = SplitByBytes(text);
    ASSERT_TRUE(std::equal(lines.begin(), lines.end(), expected.begin(), expected.end()))
        << "round " << round << ": " << lines.size() << " lines, expected " << expected.size();
  }
}
