#include "mime/IdHeaderList.h"
#include "mime/IdMIMEBoundary.h"

#include <gtest/gtest.h>

namespace {
TIdHeaderList ListOf(std::initializer_list<const char *> lines) {
  TIdHeaderList list;
  for (const char *l : lines)
    list.Add(l);
  return list;
}
} // namespace

TEST(HeaderList, FindsNamesWithoutRegardToCaseAndOnlyExactNames) {
  TIdHeaderList list = ListOf({"X-A: 1", "SUBJECT: first", "Subject: second", "Subject : spaced"});
  EXPECT_EQ(list.FindHeader("subject"), 1);
  EXPECT_EQ(list.ValueOf("subject"), "first");
  EXPECT_EQ(list.NameFromLine(3), "SUBJECT ");
  EXPECT_EQ(list.FindHeader("Missing"), -1);
  EXPECT_EQ(list.ValueFromLine(-1), "");
  EXPECT_EQ(list.ValueFromLine(9), "");
}

TEST(HeaderList, UnfoldsContinuationLines) {
  TIdHeaderList list = ListOf({"Subject: a", "\tb", "  c", "To: x"});
  EXPECT_EQ(list.ValueOf("Subject"), "a b c");
  EXPECT_EQ(list.ValueOf("To"), "x");
}

TEST(HeaderList, EmptyValueRemovesHeaderWithContinuations) {
  TIdHeaderList list = ListOf({"From: a", "Cc: x", " y", "To: b"});
  list.SetValue("Cc", "");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"From: a", "To: b"}));
  list.SetValue("Cc", "");
  EXPECT_EQ(list.Count(), 2);
}

TEST(HeaderList, SetValueReplacesInPlaceAndAppendsNew) {
  TIdHeaderList list = ListOf({"From: a", "To: old", "\tcontinued", "Date: d"});
  list.SetValue("to", "new");
  EXPECT_EQ(list.Lines(), (std::vector<std::string>{"From: a", "to: new", "Date: d"}));
  list.SetValue("Subject", "s");
  EXPECT_EQ(list[3], "Subject: s");
}

TEST(HeaderList, AddPlainValuesReplacesFirstEqualsSign) {
  TIdHeaderList list;
  list.AddPlainValues({"Content-Type=text/plain; charset=x", "Odd"});
  EXPECT_EQ(list[0], "Content-Type: text/plain; charset=x");
  EXPECT_EQ(list[1], "Odd");
}

TEST(Folding, ShortLineStaysWhole) {
  EXPECT_EQ(mv::FoldHeaderLine("Subject: hello"), (std::vector<std::string>{"Subject: hello"}));
}

TEST(Folding, CutsAfterLastBreakBeforeColumn78) {
  // 10 words of 9 letters: "To: " + words separated by ", ".
  std::string value;
  for (int i = 0; i < 10; ++i)
    value += std::string(i ? ", " : "") + std::string(9, char('a' + i));
  auto lines = mv::FoldHeaderLine("To: " + value);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_LE(lines[0].size(), 78u);
  EXPECT_EQ(lines[0], "To: aaaaaaaaa, bbbbbbbbb, ccccccccc, ddddddddd, eeeeeeeee, fffffffff,");
  EXPECT_EQ(lines[1], " ggggggggg, hhhhhhhhh, iiiiiiiii, jjjjjjjjj");
  // Unfolding gives back the words (the blank after the comma is normalised).
  TIdHeaderList list;
  list.SetValue("To", value);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.ValueOf("To"), value);
}

TEST(Folding, NeverCutsInsideQuotes) {
  std::string quoted = "\"" + std::string(30, 'x') + " " + std::string(60, 'y') + "\"";
  auto lines = mv::FoldHeaderLine("Content-Type: application/octet-stream; name=" + quoted + "; x=1");
  // The quoted text stays whole; the line it ends is still past the limit,
  // so the next break cuts again.
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Content-Type: application/octet-stream;");
  EXPECT_EQ(lines[1], " name=" + quoted + ";");
  EXPECT_EQ(lines[2], " x=1");
  // Passing the limit at the closing quote, the last character, adds no break.
  auto whole = mv::FoldHeaderLine("Content-Type: application/octet-stream; name=" + quoted);
  EXPECT_EQ(whole.size(), 1u);
}

TEST(Folding, WordLongerThanLimitIsNotCut) {
  std::string word(120, 'z');
  auto lines = mv::FoldHeaderLine("Subject: " + word);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Subject:");
  EXPECT_EQ(lines[1], " " + word);
}

TEST(Folding, NoBreakStringWhenLimitPassedAtLastCharacter) {
  // 78 characters then a blank and one letter: the limit is first passed on
  // the last character, so nothing is cut.
  std::string text = "Subject: " + std::string(68, 'a') + " b";
  ASSERT_EQ(text.size(), 79u);
  auto lines = mv::FoldHeaderLine(text);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], text);
}

TEST(Folding, ValuesWithLineBreaksStayOneHeaderWithoutBlankLines) {
  TIdHeaderList list;
  list.SetValue("Subject", "=?Windows-1251?Q?aaa?=\r\n\t=?Windows-1251?Q?bbb?=\r\n\t \r\nccc");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], "Subject: =?Windows-1251?Q?aaa?=");
  EXPECT_EQ(list[1], "\t=?Windows-1251?Q?bbb?=");
  EXPECT_EQ(list[2], " ccc");
  for (int i = 1; i < list.Count(); ++i)
    EXPECT_TRUE(mv::IsContinuationLine(list[i]));
}

TEST(Boundary, BoundaryOfUpperCasesAndStopsAtTheNextParameter) {
  EXPECT_EQ(TIdMIMEBoundary::BoundaryOf("multipart/mixed; boundary=abc; charset=x"), "ABC");
  EXPECT_EQ(TIdMIMEBoundary::BoundaryOf("multipart/mixed; boundary=\"a b\"; x=y"), "A B");
  EXPECT_EQ(TIdMIMEBoundary::BoundaryOf("multipart/mixed; boundary="), "");
  EXPECT_EQ(TIdMIMEBoundary::BoundaryOf("text/plain"), "");
}

TEST(Boundary, PushIgnoresEmptyAndRepeatedTop) {
  TIdMIMEBoundary stack;
  stack.Push("");
  EXPECT_EQ(stack.Count(), 0);
  stack.Push("A");
  stack.Push("a");
  stack.Push("B");
  EXPECT_EQ(stack.Count(), 2);
  EXPECT_EQ(stack.Current(), "B");
  EXPECT_EQ(stack.IndexOf("a"), 0);
  stack.Pop();
  stack.Pop();
  stack.Pop();
  EXPECT_EQ(stack.Current(), "");
}
