#include "ProtocolFixture.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "records/mData.h"

#include "tests/support/ExpectError.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sstream>

using mvtest::ExpectError;

namespace {
const int kDay = 46000; // 9 December 2025

class ProtocolTest : public ProtocolFixture {
protected:
  // Inserts one row the way the routing step does.
  void Add(int day, int seconds, const std::string &name, const std::string &from = "a@example.org",
           const std::string &dirText = "/files/") {
    AddRow(day, seconds, name, from, dirText + name, "subject",
           name + " \xE8\xE7\xE2\xEB\xE5\xF7\xE5\xED \xE8\xE7 \xEF\xE8\xF1\xFC\xEC\xE0");
  }
};

std::string Repeat(char c, std::size_t n) {
  return std::string(n, c);
}
} // namespace

TEST(TdmMail, FirstStartCreatesDirectoryWithParentsAndTheTableWithItsIndexes) {
  mvtest::ScratchDir dir;
  const std::string base = dir.Win1251Path() + "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0/bin/"; // Программа/bin/
  {
    TdmMail data(base);
    EXPECT_EQ(dmMail, &data);
    EXPECT_EQ(data.StartupError(), "");
    EXPECT_TRUE(data.Table1.Active());
    EXPECT_EQ(data.Table1.RecordCount(), 0);
    EXPECT_TRUE(mv::FileExists(base + "Protocol/Protocol.db"));
  }
  EXPECT_EQ(dmMail, nullptr);
  sqlite3 *db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(mv::ToDiskPath(base + "Protocol/Protocol.db").c_str(), &db, SQLITE_OPEN_READONLY,
                            nullptr),
            SQLITE_OK);
  sqlite3_stmt *stmt = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL ORDER BY name",
                     -1, &stmt, nullptr);
  std::vector<std::string> indexes;
  while (sqlite3_step(stmt) == SQLITE_ROW)
    indexes.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  EXPECT_EQ(indexes, (std::vector<std::string>{"ProtocolPrimary", "T1ByFName", "T1ByFRom"}));
}

TEST(TdmMail, ExistingFileIsOpenedNotRecreated) {
  mvtest::ScratchDir dir;
  {
    TdmMail first(dir.Win1251Path());
    first.Table1.Insert();
    first.Table1.SetFieldDate("FDate", kDay);
    first.Table1.SetFieldTime("FTime", 60);
    first.Table1.SetFieldString("FName", "kept.pdf");
    first.Table1.Post();
  }
  // At the end the log is carried into the file: a copy of the file alone
  // holds every row.
  mvtest::ScratchDir copy;
  mv::ForceDirectories(copy.Win1251Path() + "Protocol/");
  ASSERT_TRUE(mv::CopyFileTo(dir.Win1251Path() + "Protocol/Protocol.db",
                             copy.Win1251Path() + "Protocol/Protocol.db", true));
  EXPECT_EQ(TdmMail(copy.Win1251Path()).Table1.RecordCount(), 1);
  TdmMail second(dir.Win1251Path());
  EXPECT_EQ(second.Table1.RecordCount(), 1);

  // A file that is no table of ours (an old table of another engine) is left
  // as it is; the start reports the storage's error and goes on, table closed.
  mvtest::ScratchDir other;
  mv::ForceDirectories(other.Win1251Path() + "Protocol/");
  const std::string junk = "\x05\x00not a database at all";
  std::ofstream(other.Utf8Path() + "Protocol/Protocol.db", std::ios::binary) << junk;
  TdmMail third(other.Win1251Path());
  EXPECT_NE(third.StartupError(), "");
  EXPECT_FALSE(third.Table1.Active());
  EXPECT_EQ(mvtest::ReadBytes(other.Utf8Path() + "Protocol/Protocol.db"), junk);
  ExpectError<EDatabaseError>([&] { third.Table1.First(); },
                              "Cannot perform this operation on a closed dataset");
}

TEST_F(ProtocolTest, RowsWithEqualKeysDifferInTheirNumberAndLongTextsAreCut) {
  Add(kDay, 3600, "scan.pdf");
  Add(kDay, 3600, "scan.pdf");
  ProtocolTable &t = data->Table1;
  ASSERT_EQ(t.RecordCount(), 2);
  EXPECT_NE(t.RecordAt(0).FInc, t.RecordAt(1).FInc);
  EXPECT_LT(t.RecordAt(0).FInc, t.RecordAt(1).FInc); // equal keys keep the order they were stored in

  t.Insert();
  t.SetFieldDate("FDate", kDay);
  t.SetFieldTime("FTime", 7200);
  t.SetFieldString("FName", Repeat('n', 300));
  t.SetFieldString("FDir", Repeat('d', 5000));
  t.SetFieldString("FFrom", Repeat('f', 90));
  t.SetFieldString("FTema", Repeat('t', 120));
  t.SetFieldString("FComment", Repeat('c', 5000));
  t.Post();
  const ProtocolRecord &r = t.Current();
  EXPECT_EQ(r.FName, Repeat('n', 255)); // a whole file name
  EXPECT_EQ(r.FDir, Repeat('d', 4096)); // a whole path
  EXPECT_EQ(r.FFrom, Repeat('f', 80));
  EXPECT_EQ(r.FTema, Repeat('t', 100));
  EXPECT_EQ(r.FComment, Repeat('c', 4096));
}

TEST_F(ProtocolTest, RequiredFieldsAreCheckedInFieldOrder) {
  ProtocolTable &t = data->Table1;
  t.Insert();
  t.SetFieldString("FName", "x.txt");
  ExpectError<EDatabaseError>([&] { t.Post(); }, "Field 'FDate' must have a value");
  t.SetFieldDate("FDate", kDay);
  t.SetFieldTime("FTime", 0); // midnight is a value
  t.SetFieldString("FName", "");
  ExpectError<EDatabaseError>([&] { t.Post(); }, "Field 'FName' must have a value");
  t.Cancel();
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_THROW(t.SetFieldString("FName", "x"), EDatabaseError); // not inserting any more
  t.Insert();
  EXPECT_THROW(t.SetFieldText("FInc", "5"), EDatabaseError);
  EXPECT_THROW(t.SetFieldString("NoSuchField", "5"), EDatabaseError);
}

TEST_F(ProtocolTest, KeyedLookUpOnDateTimeAndNameIgnoresNameCase) {
  Add(kDay, 100, "Report.PDF");
  Add(kDay, 200, "report.pdf");
  Add(kDay + 1, 100, "report.pdf");
  ProtocolTable &t = data->Table1;
  t.SetIndexName("T1ByFName");
  EXPECT_TRUE(t.FindKey({std::int64_t{kDay}, std::int64_t{100}, std::string("REPORT.pdf")}));
  EXPECT_EQ(t.Current().FName, "Report.PDF");
  EXPECT_TRUE(t.FindKey({std::int64_t{kDay + 1}, std::int64_t{100}, std::string("report.pdf")}));
  EXPECT_EQ(t.Current().FDate, kDay + 1);
  EXPECT_FALSE(t.FindKey({std::int64_t{kDay}, std::int64_t{101}, std::string("report.pdf")}));
  EXPECT_EQ(t.Current().FDate, kDay + 1); // a miss leaves the current row
  // A Cyrillic name in other letter case: "Отчёт.doc" / "ОТЧЁТ.DOC".
  Add(kDay, 300, "\xCE\xF2\xF7\xB8\xF2.doc");
  t.SetIndexName("T1ByFName");
  EXPECT_TRUE(t.FindKey({std::int64_t{kDay}, std::int64_t{300}, std::string("\xCE\xD2\xD7\xA8\xD2.DOC")}));
  EXPECT_THROW(t.SetIndexName("T1ByNothing"), EDatabaseError);
  // A name filter left behind by the protocol window does not hide the row.
  t.SetNameFilter("other*");
  t.SetFiltered(true);
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_TRUE(t.FindKey({std::int64_t{kDay}, std::int64_t{200}, std::string("report.pdf")}));
}

TEST_F(ProtocolTest, OrdersByDateTimeOrBySenderWithLetterCaseIgnored) {
  Add(kDay + 1, 10, "c.txt", "Boss@Example.org");
  Add(kDay, 20, "b.txt", "clerk@example.org");
  Add(kDay, 10, "a.txt", "boss@example.org");
  Add(kDay, 30, "d.txt", "\xC8\xE2\xE0\xED@example.org"); // Иван
  Add(kDay, 5, "e.txt", "\xE8\xE2\xE0\xED@example.org");  // иван
  ProtocolTable &t = data->Table1;
  t.SetIndexName("T1ByFName");
  EXPECT_EQ(Walk(), (std::vector<std::string>{"e.txt", "a.txt", "b.txt", "d.txt", "c.txt"}));
  t.SetIndexName("T1ByFRom");
  EXPECT_EQ(Walk(), (std::vector<std::string>{"a.txt", "c.txt", "b.txt", "e.txt", "d.txt"}));
  t.SetIndexName("");
  EXPECT_EQ(Walk(), (std::vector<std::string>{"e.txt", "a.txt", "b.txt", "d.txt", "c.txt"}));
}

TEST_F(ProtocolTest, NameFilterWithTrailingAsteriskAndQuotes) {
  for (const char *name :
       {"report1.txt", "reports.zip", "Report1.txt", "report", "*", "O'Brien.doc", "a*b.txt"})
    Add(kDay, 60, name);
  ProtocolTable &t = data->Table1;
  t.SetIndexName("T1ByFName");
  auto shown = [&](const std::string &filter) {
    t.SetFiltered(false);
    t.SetNameFilter(filter);
    t.SetFiltered(true);
    auto names = Walk();
    std::sort(names.begin(), names.end());
    return names;
  };
  EXPECT_EQ(shown("report*"), (std::vector<std::string>{"report", "report1.txt", "reports.zip"}));
  EXPECT_EQ(shown("report1.txt"), (std::vector<std::string>{"report1.txt"}));
  EXPECT_EQ(shown("*"), (std::vector<std::string>{"*"})); // a lone asterisk is a name
  EXPECT_EQ(shown("O'Brien.doc"), (std::vector<std::string>{"O'Brien.doc"}));
  EXPECT_EQ(shown("O'*"), (std::vector<std::string>{"O'Brien.doc"}));
  EXPECT_EQ(shown("a*b.txt"), (std::vector<std::string>{"a*b.txt"})); // only a trailing asterisk is special
  EXPECT_EQ(shown("x' OR '1'='1"), (std::vector<std::string>{}));     // text, never query syntax
  EXPECT_EQ(shown("").size(), 7u);                                    // no expression: all rows
  t.SetNameFilter("report1.txt");
  t.SetFiltered(false);
  EXPECT_EQ(t.RecordCount(), 7);
}

TEST_F(ProtocolTest, DateRangeBelongsToItsIndexWhileTheNameFilterStays) {
  Add(kDay - 1, 10, "old.txt", "z@x");
  Add(kDay, 20, "mid.txt", "b@x");
  Add(kDay, 10, "mid2.txt", "a@x");
  Add(kDay + 1, 10, "new.txt", "a@x");
  Add(kDay + 2, 10, "newer.txt", "c@x");
  ProtocolTable &t = data->Table1;
  t.SetIndexName("T1ByFRom");
  t.SetIndexFieldNames("FDate");
  t.SetRange({std::int64_t{kDay}}, {std::int64_t{kDay + 1}});
  EXPECT_EQ(Walk(), (std::vector<std::string>{"mid2.txt", "mid.txt", "new.txt"})); // date order
  t.SetRange({std::int64_t{kDay + 1}}, {std::int64_t{kDay}});
  EXPECT_EQ(t.RecordCount(), 0); // start after end
  t.SetNameFilter("new*");
  t.SetFiltered(true);
  t.SetRange({std::int64_t{kDay}}, {std::int64_t{kDay + 1}});
  EXPECT_EQ(Walk(), (std::vector<std::string>{"new.txt"}));
  t.SetIndexName("T1ByFRom"); // the range goes, the filter stays
  EXPECT_EQ(Walk(), (std::vector<std::string>{"new.txt", "newer.txt"}));
  t.SetFiltered(false);
  t.SetIndexFieldNames("FDate");
  t.SetRange({std::int64_t{kDay}}, {std::int64_t{kDay}});
  t.CancelRange();
  EXPECT_EQ(t.RecordCount(), 5);
  EXPECT_THROW(t.SetIndexFieldNames("FTema"), EDatabaseError);
}

TEST_F(ProtocolTest, WalkingAndDisplayTexts) {
  ProtocolTable &t = data->Table1;
  t.First();
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecNo(), -1);
  Add(kDay, 9 * 3600 + 5 * 60 + 3, "a.txt");
  Add(kDay, 23 * 3600 + 59 * 60 + 59, "b.txt");
  t.SetIndexName("T1ByFName");
  t.First();
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.FieldText("FDate"), "09.12.2025");
  EXPECT_EQ(t.FieldText("ftime"), "9:05:03");
  EXPECT_EQ(t.FieldText("FComment"),
            "a.txt \xE8\xE7\xE2\xEB\xE5\xF7\xE5\xED \xE8\xE7 \xEF\xE8\xF1\xFC\xEC\xE0");
  t.Next();
  EXPECT_EQ(t.FieldText("FTime"), "23:59:59");
  EXPECT_FALSE(t.Eof());
  t.Next();
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.FieldText("FName"), "b.txt"); // stays on the last row
  t.Prior();
  EXPECT_EQ(t.RecNo(), 0);
  t.Prior();
  EXPECT_TRUE(t.Bof());
  t.Last();
  EXPECT_EQ(t.RecordAt(0).FName, "a.txt");
  EXPECT_EQ(t.Current().FName, "b.txt");
}

TEST_F(ProtocolTest, EditDeleteAndObservers) {
  Add(kDay, 10, "a.txt");
  Add(kDay, 20, "b.txt");
  Add(kDay, 30, "c.txt");
  ProtocolTable &t = data->Table1;
  t.SetIndexName("T1ByFName");
  std::vector<ProtocolTable::Change> changes;
  const int handle = t.Subscribe([&](ProtocolTable::Change c) { changes.push_back(c); });
  t.First();
  t.Next();
  t.Edit();
  t.SetFieldText("FDate", "1.1.2026");
  t.SetFieldText("FTime", "8:00");
  t.SetFieldString("FComment", "edited");
  EXPECT_THROW(t.SetFieldText("FDate", "31.02.2026"), EConvertError);
  EXPECT_THROW(t.SetFieldText("FTime", "24:00"), EConvertError);
  t.Post();
  EXPECT_EQ(t.Current().FName, "b.txt"); // the edited row stays current, now last in order
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(t.FieldText("FDate"), "01.01.2026");
  EXPECT_EQ(t.FieldText("FTime"), "8:00:00");
  EXPECT_EQ(t.Current().FComment, "edited");
  EXPECT_NE(std::find(changes.begin(), changes.end(), ProtocolTable::Change::Rows), changes.end());

  t.First();
  t.Delete();
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(t.Current().FName, "c.txt"); // the next row becomes current
  t.Unsubscribe(handle);
  const auto seen = changes.size();
  t.Refresh();
  EXPECT_EQ(changes.size(), seen);

  // The text on disk is UTF-8.
  Add(kDay, 40, "\xF4\xE0\xE9\xEB.txt"); // файл.txt
  sqlite3 *db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(mv::ToDiskPath(data->ProtocolPath()).c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  sqlite3_stmt *stmt = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM Protocol WHERE FName = ?", -1, &stmt, nullptr);
  sqlite3_bind_text(stmt, 1, "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt", -1, SQLITE_STATIC);
  ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(stmt, 0), 1);
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

TEST(ProtocolTexts, DatesTimesAndDateTimeValues) {
  EXPECT_EQ(mv::ShortDateText(0), "30.12.1899");
  EXPECT_EQ(mv::ShortDateText(25569), "01.01.1970");
  EXPECT_EQ(mv::ParseShortDate("29.02.2024"), mv::ParseShortDate("28.02.2024").value() + 1);
  EXPECT_EQ(mv::ParseShortDate("01.03.2024"), mv::ParseShortDate("29.02.2024").value() + 1);
  EXPECT_FALSE(mv::ParseShortDate("29.02.2023"));
  EXPECT_FALSE(mv::ParseShortDate("1.13.2024"));
  EXPECT_FALSE(mv::ParseShortDate("2024-01-01"));
  EXPECT_EQ(mv::ParseShortDate(mv::ShortDateText(46000)), 46000);
  EXPECT_EQ(mv::ParseLongTime("0:00:00"), 0);
  EXPECT_EQ(mv::ParseLongTime("12:34"), 12 * 3600 + 34 * 60);
  EXPECT_FALSE(mv::ParseLongTime("12:60"));
  EXPECT_FALSE(mv::ParseLongTime("12"));
  // A message date of 10:30:00 and one shifted by 0.005 day (7 min 12 s).
  const double date = 46000 + (10 * 3600 + 30 * 60) / 86400.0;
  EXPECT_EQ(mv::DayOf(date), 46000);
  EXPECT_EQ(mv::SecondsOfDay(date), 37800);
  EXPECT_EQ(mv::SecondsOfDay(date + 0.005) - mv::SecondsOfDay(date), 432);
  // Just under midnight by rounding noise is the next day's 0:00:00.
  EXPECT_EQ(mv::DayOf(46001 - 1e-12), 46001);
  EXPECT_EQ(mv::SecondsOfDay(46001 - 1e-12), 0);
}
