// Routing of staged files: rule order and matching, the push-aside of older
// files, second files of one name, earlier filings recognised (also for
// long names), rules without a directory, and unsafe names.
#include "DeskTestKit.h"
#include "desk/Router.h"
#include "mime/IdDateTime.h"
#include "platform/FileSystem.h"
#include "records/mData.h"

#include <gtest/gtest.h>

namespace {
using namespace desktest;
using Files = std::vector<std::string>;

struct RouterFixture : ::testing::Test {
  ScratchBase base;
  TdmMail data{base.Base()};
  mv::Router router{base.Dirs, data.Table1};
  TIdMessage message;

  void StartMessage(const std::string &from, double date = 46000.5) {
    message.ResetMessage();
    message.From.SetText(from);
    message.Subject = "Subject";
    message.Date = date;
    router.BeginMessage(message);
  }
  // Stages a file in TempDir and routes it; true when it was filed.
  bool Route(const std::string &name, const std::string &bytes = "x") {
    WriteBytes(mv::Win1251ToUtf8(base.Dirs.TempDir + name), bytes);
    const bool filed = router.RouteFile(base.Dirs.TempDir + name);
    mv::DeleteFileAt(base.Dirs.TempDir + name);
    return filed;
  }
  Files In(const char *dir) { return base.Files(base.Target(dir)); }
  int Rows() {
    data.Table1.Open();
    return data.Table1.RecordCount();
  }
};

TEST_F(RouterFixture, RulesMatchBySenderAndMaskAndTheFirstMatchWins) {
  base.Rules({{"*.PDF", "*@bank.example", base.Target("Bank"), 0},
              {"", "", "", 0}, // no directory: passed over
              {"*.pdf", "", base.Target("Pdf"), 0},
              {"", "", base.Target("All"), 0}});
  struct Case {
    const char *from, *name, *dir;
  } cases[] = {
      {"Boss <boss@bank.example>", "report.pdf", "Bank"}, // only the bracketed address is tested
      {"BOSS@BANK.EXAMPLE", "capital.pdf", "Pdf"},        // address masks keep letter case
      {"clerk@other.example", "other.pdf", "Pdf"},
      {"clerk@other.example", "sheet.xls", "All"},
  };
  for (const Case &c : cases) {
    StartMessage(c.from);
    EXPECT_TRUE(Route(c.name)) << c.name;
    EXPECT_TRUE(mv::FileExists(base.Target(c.dir) + c.name)) << c.name << " in " << c.dir;
    EXPECT_TRUE(router.MessageRouted);
  }
  EXPECT_EQ(In("Bank"), Files{"report.pdf"});
  EXPECT_EQ(In("Pdf"), (Files{"capital.pdf", "other.pdf"}));
  EXPECT_EQ(In("All"), Files{"sheet.xls"});
}

TEST_F(RouterFixture, OlderFilesArePushedAsideAndSecondFilesOfANameShiftTheDate) {
  base.Rules({{"", "", base.Target("Docs"), 0}});
  StartMessage("a@example.org", 46000.25);
  EXPECT_TRUE(Route("scan.pdf", "first"));
  EXPECT_TRUE(Route("scan.pdf", "second")); // the same message: a later time
  EXPECT_EQ(router.DateShiftCount, 1);
  EXPECT_DOUBLE_EQ(message.Date, 46000.25 + mv::Router::kDateShift);
  StartMessage("b@example.org", 46001.0); // another message with a file of that name
  EXPECT_TRUE(Route("scan.pdf", "third"));
  EXPECT_EQ(In("Docs"), (Files{"C1_scan.pdf", "C2_scan.pdf", "scan.pdf"}));
  EXPECT_EQ(ReadBytes(mv::Win1251ToUtf8(base.Target("Docs")) + "scan.pdf"), "third");
  EXPECT_EQ(ReadBytes(mv::Win1251ToUtf8(base.Target("Docs")) + "C1_scan.pdf"), "first");
  EXPECT_EQ(ReadBytes(mv::Win1251ToUtf8(base.Target("Docs")) + "C2_scan.pdf"), "second");
  EXPECT_EQ(Rows(), 3);
}

TEST_F(RouterFixture, AFileFiledByAnEarlierDownloadEndsItsRoutingThere) {
  base.Rules({{"*.txt", "", base.Target("First"), 0}, {"", "", base.Target("Second"), 0}});
  const std::string longName = std::string(120, 'n') + ".txt"; // longer than the old 50-character field
  for (int download = 1; download <= 3; ++download) {
    StartMessage("a@example.org");
    const bool filed = Route("a.txt") | Route(longName);
    EXPECT_EQ(filed, download == 1) << "download " << download;
    EXPECT_EQ(router.MessageRouted, download == 1);
    EXPECT_EQ(router.FiledEarlier, download > 1);
  }
  EXPECT_EQ(In("First"), (Files{"a.txt", longName}));
  EXPECT_TRUE(In("Second").empty()); // no later rule files a recognised file again
  EXPECT_EQ(Rows(), 2);
}

TEST(RouterNames, UnsafeNamesAreRecognisedAndFiledFilesAreNoPrograms) {
  ScratchBase base;
  const std::string path = base.Dirs.TempDir + "run.sh";
  WriteBytes(mv::Win1251ToUtf8(path), "#!/bin/sh\n");
  std::filesystem::permissions(mv::Win1251ToUtf8(path), std::filesystem::perms(0755));
  EXPECT_TRUE(mv::RemoveExecuteBits(path));
  EXPECT_EQ(std::filesystem::status(mv::Win1251ToUtf8(path)).permissions(), std::filesystem::perms(0644));
  for (const char *name : {"", ".", "..", " . ", "a/b.txt", "a\\b.txt", "what?.txt", "hey!.txt"})
    EXPECT_TRUE(mv::IsUnsafeFileName(name)) << '"' << name << '"';
  for (const char *name : {"a.txt", ".profile", "..a", "report 2026.pdf"})
    EXPECT_FALSE(mv::IsUnsafeFileName(name)) << '"' << name << '"';
}

} // namespace
