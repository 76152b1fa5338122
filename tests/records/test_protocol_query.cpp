#include "ProtocolFixture.h"
#include "records/ProtocolQuery.h"
#include "records/mData.h"

#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>
#include <optional>

namespace {
const int kDay10 = 46032; // 10.01.2026
const int kDay11 = kDay10 + 1, kDay12 = kDay10 + 2;

class ProtocolQueryTest : public ProtocolFixture {
protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(ProtocolFixture::SetUp());
    Add(kDay10, 9 * 3600, "report1.txt", "b@example.org");
    Add(kDay10, 10 * 3600, "Report1.txt", "A@example.org");
    Add(kDay11, 8 * 3600, "reports.zip", "a@example.org");
    Add(kDay12, 7 * 3600, "it's.doc", "c@example.org");
    Add(kDay12, 7 * 3600 + 1800, "data.csv", "B@example.org");
  }
  void Add(int day, int seconds, const std::string &name, const std::string &from) {
    AddRow(day, seconds, name, from, "/files/");
  }
  std::string Names() {
    std::string names;
    for (const std::string &name : Walk())
      names += (names.empty() ? "" : ",") + name;
    return names;
  }
};
} // namespace

// "Обновить" and the sort buttons in the orders a user presses them.
TEST_F(ProtocolQueryTest, FilterRangeAndOrderShowTheExpectedRows) {
  struct Case {
    mv::ProtocolOrder before;
    std::string name;
    int from, to;
    std::optional<mv::ProtocolOrder> after;
    std::string expected;
  } cases[] = {
      // both dates: only those days, in date order whatever sort button is checked
      {mv::ProtocolOrder::Sender, "", kDay10, kDay11, {}, "report1.txt,Report1.txt,reports.zip"},
      // a trailing asterisk is a prefix, letter case counts
      {mv::ProtocolOrder::DateTime, "report*", 0, 0, {}, "report1.txt,reports.zip"},
      {mv::ProtocolOrder::DateTime, "report1.txt", 0, 0, {}, "report1.txt"},
      // a lone asterisk is compared as it is
      {mv::ProtocolOrder::DateTime, "*", 0, 0, {}, ""},
      // a quote in the name filters like any other character
      {mv::ProtocolOrder::DateTime, "it's.doc", 0, 0, {}, "it's.doc"},
      // one date alone shows every day
      {mv::ProtocolOrder::DateTime,
       "",
       kDay10,
       0,
       {},
       "report1.txt,Report1.txt,reports.zip,it's.doc,data.csv"},
      {mv::ProtocolOrder::DateTime,
       "",
       0,
       kDay12,
       {},
       "report1.txt,Report1.txt,reports.zip,it's.doc,data.csv"},
      // a start after the end shows nothing
      {mv::ProtocolOrder::DateTime, "", kDay12, kDay10, {}, ""},
      // sender order ignores letter case and keeps date order within a sender
      {mv::ProtocolOrder::Sender, "", 0, 0, {}, "Report1.txt,reports.zip,report1.txt,data.csv,it's.doc"},
      // a sort button after a range: all days again, still under the name filter
      {mv::ProtocolOrder::DateTime, "report*", kDay10, kDay10, mv::ProtocolOrder::Sender,
       "reports.zip,report1.txt"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name + " " + std::to_string(c.from) + ".." + std::to_string(c.to));
    mv::SelectProtocolOrder(data->Table1, c.before);
    mv::ApplyProtocolFilter(data->Table1, c.name, c.from, c.to);
    if (c.after)
      mv::SelectProtocolOrder(data->Table1, *c.after);
    EXPECT_EQ(Names(), c.expected);
  }
}

TEST_F(ProtocolQueryTest, ReportHasTheTitleBlockThenFourParagraphsPerVisibleRow) {
  ProtocolTable &t = data->Table1;
  const std::string longFrom(ProtocolTable::kFromSize, 'f');
  const std::string longDir(ProtocolTable::kDirSize, 'd');
  t.Last();
  t.Edit();
  t.SetFieldString("FFrom", longFrom);
  t.SetFieldString("FDir", longDir);
  t.Post();
  mv::ApplyProtocolFilter(t, "d*", 0, 0); // data.csv only
  mv::ApplyProtocolFilter(t, "", kDay12, kDay12);
  t.First();
  const std::vector<std::string> lines = mv::ProtocolReportLines(t);
  const std::vector<std::string> expected = {"",
                                             mv::kProtocolTitle,
                                             "",
                                             "1.",
                                             "12.01.2026    7:00:00    c@example.org",
                                             "it's.doc    /files/",
                                             std::string(47, '_'),
                                             "2.",
                                             "12.01.2026    7:30:00    " + longFrom,
                                             "data.csv    " + longDir,
                                             std::string(47, '_')};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(t.RecNo(), 1); // the walk ends on the last row

  // A row being changed is stored before it is printed.
  t.Edit();
  t.SetFieldString("FDir", "/changed/");
  EXPECT_EQ(mv::ProtocolReportLines(t)[9], "data.csv    /changed/");
  EXPECT_EQ(t.GetState(), ProtocolTable::State::Browse);

  mv::ApplyProtocolFilter(t, "nothing.txt", 0, 0);
  EXPECT_EQ(mv::ProtocolReportLines(t), (std::vector<std::string>{"", mv::kProtocolTitle, ""}));
}

// Observers that recount rows on Rows alone follow a close and a reopen.
TEST_F(ProtocolQueryTest, CloseAndOpenTellObserversThatTheRowsChanged) {
  ProtocolTable &t = data->Table1;
  std::vector<ProtocolTable::Change> seen;
  int rowsSeen = -1;
  const int handle = t.Subscribe([&](ProtocolTable::Change change) {
    seen.push_back(change);
    if (change == ProtocolTable::Change::Rows)
      rowsSeen = t.Active() ? t.RecordCount() : 0;
  });
  t.Close();
  EXPECT_EQ(seen, std::vector<ProtocolTable::Change>{ProtocolTable::Change::Rows});
  EXPECT_EQ(rowsSeen, 0);
  t.Open();
  EXPECT_EQ(seen.back(), ProtocolTable::Change::Rows);
  EXPECT_EQ(rowsSeen, 5);
  t.Unsubscribe(handle);
}
