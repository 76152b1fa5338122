// Text kept as compact lines: the splitting of decoded text into lines
// (whole or written a byte at a time), the written-back form of a text part,
// and the line list's storage across many blocks.
#include "MessageTestUtil.h"
#include "mime/IdLines.h"
#include "mime/IdTempFile.h"
#include "mime/TextLinesStream.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {
TIdLines Split(const std::string &text, bool byteByByte, bool &finalBreak) {
  TIdLines lines;
  mv::TextLinesStream stream(lines);
  if (byteByByte)
    for (char c : text)
      stream.WriteString(std::string_view(&c, 1));
  else
    stream.WriteString(text);
  stream.Finish();
  finalBreak = stream.FinalLineBreak();
  return lines;
}
} // namespace

TEST(TextLines, SplitRulesWholeOrByteByByteAndBackThroughAFile) {
  using namespace std::string_literals;
  struct Case {
    const char *what;
    std::string text;
    TIdLines lines;
    bool finalBreak;
  };
  const std::vector<Case> cases = {
      {"CR LF", "one\r\ntwo\r\n", {"one", "two"}, true},
      {"bare CR and bare LF", "a\rb\nc", {"a", "b", "c"}, false},
      {"CR CR LF is two breaks", "a\r\r\nb\n", {"a", "", "b"}, true},
      {"LF CR is two breaks", "a\n\rb", {"a", "", "b"}, false},
      {"blank lines", "\r\n\r\n\n", {"", "", ""}, true},
      {"empty text", "", {}, true},
      {"NUL ends the text", "a\r\nb\0c\r\nd"s, {"a", "b"}, false},
      {"NUL after a break", "a\r\n\0x\n"s, {"a"}, true},
      {"NUL first", "\0abc"s, {}, false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    for (bool byteByByte : {false, true}) {
      bool finalBreak = !c.finalBreak;
      EXPECT_EQ(Split(c.text, byteByByte, finalBreak), c.lines) << (byteByByte ? "byte by byte" : "whole");
      EXPECT_EQ(finalBreak, c.finalBreak);
    }
    if (c.text.find('\0') != std::string::npos)
      continue;
    // Written to a file and read back, the part has the same lines and the
    // same last break.
    TIdMessage m;
    TIdText &part = m.Parts.AddText(c.lines);
    part.FinalLineBreak = c.finalBreak;
    const std::string path = mv::NewTempFileName();
    m.WriteToFile(path);
    TIdMessage back;
    back.ReadFromFile(path);
    mv::DeleteFileAt(path);
    ASSERT_NE(TextAt(back, 0), nullptr);
    EXPECT_EQ(TextAt(back, 0)->Body, c.lines);
    EXPECT_EQ(TextAt(back, 0)->FinalLineBreak, c.finalBreak);
  }
}

TEST(TextLines, ManyLinesAcrossBlocksReadBackAsStored) {
  std::vector<std::string> model;
  for (std::size_t i = 0; i < 20000; ++i)
    model.push_back(std::string(i * 37 % 501, static_cast<char>('a' + i % 26)));
  model.insert(model.begin() + 1000, std::string(3 * 1024 * 1024, 'L')); // longer than any block
  model.insert(model.begin() + 2000, std::string());
  // Content a file form cannot hold as one line: it is kept all the same.
  for (std::size_t at : {5u, 3000u, 12000u})
    model.insert(model.begin() + at, "an LF\ninside");
  for (std::size_t at : {7u, 9000u})
    model.insert(model.begin() + at, "ends in CR\r");
  // Built three ways, and read now and then while being built (the ends of
  // lines added in bulk are found when they are first read).
  TIdLines pushed, pieces, bulk;
  std::string pendingFileForm;
  for (std::size_t i = 0; i < model.size(); ++i) {
    const std::string &line = model[i];
    pushed.push_back(line);
    for (std::size_t at = 0; at < line.size(); at += 300)
      pieces.Extend(std::string_view(line).substr(at, 300));
    pieces.EndLine();
    if (line.find('\n') != std::string::npos) {
      bulk.AppendLines(std::exchange(pendingFileForm, {}));
      bulk.push_back(line);
    } else {
      // In a file, content that ends in CR needs CR LF after it.
      pendingFileForm += line + (i % 3 || (!line.empty() && line.back() == '\r') ? "\r\n" : "\n");
      if (i % 97 == 0)
        bulk.AppendLines(std::exchange(pendingFileForm, {}));
    }
    if (i % 4999 == 0) {
      ASSERT_EQ(pushed.size(), i + 1);
    }
  }
  bulk.AppendLines(pendingFileForm);
  for (const TIdLines *lines : {&pushed, &pieces, &bulk}) {
    ASSERT_EQ(lines->size(), model.size());
    for (std::size_t i = 0; i < model.size(); ++i)
      ASSERT_EQ((*lines)[i], model[i]) << "line " << i;
  }
  EXPECT_TRUE(std::equal(pushed.begin(), pushed.end(), model.begin(), model.end()));
  EXPECT_EQ(TIdLines(model), pushed);
  TIdLines longer = pushed;
  longer.push_back("");
  EXPECT_FALSE(longer == pushed);
  longer.clear();
  EXPECT_TRUE(longer.empty());
}

TEST(TextLines, AppendedLinesContinueAnOpenLine) {
  TIdLines lines;
  lines.Extend("open ");
  lines.AppendLines("and closed\r\nnext\n");
  lines.Extend("with\nLF ");
  lines.AppendLines("closed too\r\r\nlast\r\n");
  EXPECT_EQ(lines, (TIdLines{"open and closed", "next", "with\nLF closed too\r", "last"}));
}
