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

TEST(Folding, CutsAtTheLastBreakBeforeColumn78OutsideQuotes) {
  std::string words; // 10 words of 9 letters separated by ", "
  for (int i = 0; i < 10; ++i)
    words += std::string(i ? ", " : "") + std::string(9, char('a' + i));
  const std::string type = "Content-Type: application/octet-stream;";
  const std::string quoted = "\"" + std::string(30, 'x') + " " + std::string(60, 'y') + "\"";
  const std::string longWord(120, 'z');
  // 78 characters then a blank and one letter: the limit is first passed on
  // the last character, so nothing is cut.
  const std::string passedAtTheEnd = "Subject: " + std::string(68, 'a') + " b";
  ASSERT_EQ(passedAtTheEnd.size(), 79u);
  const struct {
    const char *what;
    std::string line;
    std::vector<std::string> folded;
  } cases[] = {
      {"short", "Subject: hello", {"Subject: hello"}},
      {"words",
       "To: " + words,
       {"To: aaaaaaaaa, bbbbbbbbb, ccccccccc, ddddddddd, eeeeeeeee, fffffffff,",
        " ggggggggg, hhhhhhhhh, iiiiiiiii, jjjjjjjjj"}},
      // The quoted text stays whole; the line it ends is still past the
      // limit, so the next break cuts again.
      {"quotes", type + " name=" + quoted + "; x=1", {type, " name=" + quoted + ";", " x=1"}},
      // Passing the limit at the closing quote, the last character, adds no break.
      {"quote at the end", type + " name=" + quoted, {type + " name=" + quoted}},
      {"word longer than the limit", "Subject: " + longWord, {"Subject:", " " + longWord}},
      {"limit passed at the last character", passedAtTheEnd, {passedAtTheEnd}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(mv::FoldHeaderLine(c.line), c.folded);
  }
  // Unfolding gives back the words (the blank after the comma is normalised).
  TIdHeaderList list;
  list.SetValue("To", words);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.ValueOf("To"), words);
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
