// The headless courier against a real dovecot on 127.0.0.1: one check files
// every attachment by the rules, records it, reports a broken message and
// goes on; with removal on, copies are kept and the handled messages leave
// the server; a second check files and copies nothing twice. Archives that
// cannot be unpacked are filed whole and reported.
#include "DeskTestKit.h"
#include "RealServers.h"
#include "mime/IdDateTime.h"
#include "records/mData.h"
#include "tests/archive_rar/RarBuilder.h"

#include <gtest/gtest.h>

namespace {
using namespace desktest;
using Files = std::vector<std::string>;

const char *const kDate = "Tue, 01 Dec 2026 10:00:00 +0000";

struct CheckRun {
  int status = -1;
  std::string out, err;
};

const std::string kCli = std::string(MV_BINARY_DIR) + "/bin/mailvornex-cli";

CheckRun Check(const ScratchBase &base, const std::string &options = "") {
  const std::string dir = mv::Win1251ToUtf8(base.Base());
  CheckRun run;
  run.status = Shell(kCli + " check --base " + dir + options + " >" + dir + "out.txt 2>" + dir + "err.txt");
  run.out = ReadBytes(dir + "out.txt");
  run.err = ReadBytes(dir + "err.txt");
  return run;
}

std::string Random(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char &c : bytes)
    c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
  return bytes;
}

// Makes an archive with the system's packers in a scratch directory: the
// command runs there with the given files present.
std::string Pack(const std::vector<std::pair<std::string, std::string>> &files, const std::string &command,
                 const std::string &archive) {
  ScratchBase scratch;
  const std::string dir = mv::Win1251ToUtf8(scratch.Base());
  for (const auto &[name, bytes] : files) {
    std::filesystem::create_directories(std::filesystem::path(dir + name).parent_path());
    WriteBytes(dir + name, bytes);
  }
  EXPECT_EQ(Shell("cd " + dir + " && (" + command + ") >/dev/null 2>&1"), 0) << command;
  return ReadBytes(dir + archive);
}

ProtocolRecord RowOf(const ScratchBase &base, const std::string &dir1251) {
  TdmMail data(base.Base());
  ProtocolTable &table = data.Table1;
  table.First();
  while (!table.Eof()) {
    if (table.Current().FDir == dir1251)
      return table.Current();
    table.Next();
  }
  ADD_FAILURE() << "no protocol row for " << mv::Win1251ToUtf8(dir1251);
  return {};
}

int RowCount(const ScratchBase &base) {
  TdmMail data(base.Base());
  return data.Table1.RecordCount();
}

class CourierDovecot : public ::testing::Test {
protected:
  void SetUp() override {
    if (!DovecotServer::Available())
      GTEST_SKIP() << "dovecot is not installed";
  }
};

TEST_F(CourierDovecot, OneCheckFilesEveryAttachmentAndASecondFilesNothingTwice) {
  const std::string pdf = Random(30000, 1), scan1 = Random(5000, 2), scan2 = Random(6000, 3);
  const std::string zip =
      Pack({{"a.txt", "alpha\n"}, {"sub/b.txt", "beta\n"}}, "zip -r data.zip a.txt sub", "data.zip");
  const std::string rar = rartest::BuildRar4({rartest::FileSpec("r.txt", "from a rar\n")});
  // "отчет.doc" as a KOI8-R encoded word.
  const std::string koi8Name = "=?koi8-r?B?z9TexdQuZG9j?=";
  const std::vector<std::string> mailbox = {
      Message("Boss <boss@bank.example>", "Statement", kDate, {{"a.pdf", pdf}}),
      Message("clerk@other.example", "Data", kDate, {{"data.zip", zip}}),
      "From: x@other.example\r\nSubject: Broken\r\nX-Long: " + std::string(20000, 'x') + "\r\n\r\nbody\r\n",
      Message("clerk@other.example", "Reports", kDate, {{"report.rar", rar}}),
      Message("Boss <boss@bank.example>", "Scans", kDate, {{"scan.pdf", scan1}, {"scan.pdf", scan2}}),
      Message("clerk@other.example", "Russian", kDate, {{koi8Name, "doc"}}),
      Message("clerk@other.example", "Hello", kDate, {}),
      Message("clerk@other.example", "Misc", kDate, {{"x.xyz", "unmatched"}}),
  };
  DovecotServer server(mailbox);
  ScratchBase base;
  base.Account(server.Port(), true);
  base.Rules({{"*.PDF", "*@bank.example", base.Target("Bank"), 0},
              {"*.txt", "", base.Target("Texts"), 0},
              {"*.doc", "", base.Target("Docs/2026"), 0}});

  const CheckRun first = Check(base);
  EXPECT_EQ(first.status, 3) << first.err;
  EXPECT_EQ(base.Files(base.Target("Bank")), (Files{"C1_scan.pdf", "a.pdf", "scan.pdf"}));
  EXPECT_EQ(base.Files(base.Target("Texts")), (Files{"a.txt", "b.txt", "r.txt"}));
  EXPECT_EQ(base.Files(base.Target("Docs/2026")), (Files{"отчет.doc"}));
  EXPECT_EQ(ReadBytes(mv::Win1251ToUtf8(base.Target("Bank")) + "a.pdf"), pdf);
  EXPECT_EQ(ReadBytes(mv::Win1251ToUtf8(base.Target("Bank")) + "scan.pdf"), scan2);
  EXPECT_EQ(ReadBytes(mv::Win1251ToUtf8(base.Target("Bank")) + "C1_scan.pdf"), scan1);
  EXPECT_NE(first.out.find(mv::Win1251ToUtf8(base.Target("Bank")) + "a.pdf\n"), std::string::npos)
      << first.out;
  EXPECT_NE(first.out.find("Сообщение 8 of 8"), std::string::npos);
  // The broken message (its header cannot be read, so its subject is not
  // known) is reported, once, and the messages after it were filed.
  EXPECT_NE(first.err.find("message 3 \"\": Max line length exceeded."), std::string::npos) << first.err;
  EXPECT_EQ(first.err.find("message 3", first.err.find("message 3") + 1), std::string::npos);

  const TDateTime date = ParseMessageDate(kDate);
  const ProtocolRecord row = RowOf(base, base.Target("Bank") + "a.pdf");
  EXPECT_EQ(row.FName, "a.pdf");
  EXPECT_EQ(row.FDate, mv::DayOf(date));
  EXPECT_EQ(row.FTime, mv::SecondsOfDay(date));
  EXPECT_EQ(row.FFrom, "boss@bank.example");
  EXPECT_EQ(row.FTema, "Statement");
  EXPECT_EQ(row.FComment, W("a.pdf извлечен из письма"));
  // The second scan.pdf took a time 7 minutes 12 seconds later.
  EXPECT_EQ(RowOf(base, base.Target("Bank") + "scan.pdf").FTime, mv::SecondsOfDay(date));
  EXPECT_EQ(RowCount(base), 7);

  // Messages 1, 2, 4, 5 and 6 were filed: copied and removed; 3, 7 and 8 stay.
  EXPECT_EQ(base.Files(base.Dirs.DeleteDir),
            (Files{"C1_DMsg.eml", "C2_DMsg.eml", "C3_DMsg.eml", "C4_DMsg.eml", "DMsg.eml"}));
  EXPECT_TRUE(StoredCountBecomes(server, 3));
  EXPECT_TRUE(base.Files(base.Dirs.TempDir).empty());
  EXPECT_TRUE(base.Files(base.Dirs.ArhDir).empty());

  const CheckRun second = Check(base);
  EXPECT_EQ(second.status, 3) << second.err; // the broken message fails again
  EXPECT_EQ(base.Files(base.Target("Bank")), (Files{"C1_scan.pdf", "a.pdf", "scan.pdf"}));
  EXPECT_EQ(base.Files(base.Target("Texts")), (Files{"a.txt", "b.txt", "r.txt"}));
  EXPECT_EQ(base.Files(base.Dirs.DeleteDir).size(), 5u);
  EXPECT_EQ(RowCount(base), 7);
  EXPECT_TRUE(StoredCountBecomes(server, 3));
}

TEST_F(CourierDovecot, ArchivesThatDoNotUnpackAreFiledWholeAndReportedOnce) {
  const std::string aes = Pack({{"secret.txt", "secret\n"}},
                               "7z a -psecret -mem=AES256 -tzip secret.zip secret.txt", "secret.zip");
  const std::string mixed = Pack({{"plain.txt", "plain\n"}, {"hidden.txt", "hidden\n"}},
                                 "zip mixed.zip plain.txt && zip -P pw mixed.zip hidden.txt", "mixed.zip");
  const std::vector<std::string> mailbox = {
      Message("a@example.org", "AES", kDate, {{"secret.zip", aes}}),
      Message("a@example.org", "Mixed", kDate, {{"mixed.zip", mixed}}),
      Message("a@example.org", "Fake", kDate, {{"fake.zip", "this is no archive"}}),
  };
  DovecotServer server(mailbox);
  ScratchBase base;
  base.Account(server.Port(), false);
  base.Rules({{"*.zip", "", base.Target("Archives"), 0}, {"*.txt", "", base.Target("Texts"), 0}});

  const CheckRun run = Check(base);
  EXPECT_EQ(run.status, 0) << run.err; // no message failed
  EXPECT_EQ(base.Files(base.Target("Archives")), (Files{"fake.zip", "mixed.zip", "secret.zip"}));
  EXPECT_EQ(ReadBytes(mv::Win1251ToUtf8(base.Target("Archives")) + "secret.zip"), aes);
  EXPECT_EQ(base.Files(base.Target("Texts")), (Files{"plain.txt"}));
  for (const char *line :
       {"message 1 \"AES\": secret.zip: зашифрованный архив",
        "message 2 \"Mixed\": mixed.zip: зашифрованный архив", "message 3 \"Fake\": fake.zip: "}) {
    const std::size_t at = run.err.find(line);
    EXPECT_NE(at, std::string::npos) << line << "\n" << run.err;
    EXPECT_EQ(run.err.find(line, at + 1), std::string::npos) << line;
  }
  EXPECT_TRUE(base.Files(base.Dirs.TempDir).empty());
  EXPECT_TRUE(base.Files(base.Dirs.ArhDir).empty());
}

TEST(CourierCommand, UsageSettingsAndConnectionFailuresHaveTheirExitStatus) {
  ScratchBase never, refused;
  refused.Account(1, false); // nothing listens on port 1
  EXPECT_EQ(Shell(kCli + " check >/dev/null 2>&1"), 2);
  EXPECT_EQ(Shell(kCli + " check --base " + mv::Win1251ToUtf8(never.Base()) + " --bogus >/dev/null 2>&1"), 2);
  const CheckRun placeholder = Check(never);
  EXPECT_EQ(placeholder.status, 1);
  EXPECT_NE(placeholder.err.find("never made"), std::string::npos) << placeholder.err;
  EXPECT_TRUE(std::filesystem::exists(mv::Win1251ToUtf8(never.Base()) + "Protocol/Protocol.db"));
  EXPECT_EQ(Check(refused).status, 1);
}

TEST_F(CourierDovecot, ALoopingCourierStopsOnSigtermAndCommitsItsMarks) {
  DovecotServer server({Message("a@example.org", "One", kDate, {{"one.txt", "1"}}),
                        Message("a@example.org", "Two", kDate, {{"two.txt", "2"}})});
  ScratchBase base;
  base.Account(server.Port(), true);
  base.Rules({{"", "", base.Target("Docs"), 0}});
  mv::WritePollInterval(base.Base(), 1);
  const std::string dir = mv::Win1251ToUtf8(base.Base());
  // The inner shell becomes the courier (its pid is the courier's); the
  // outer one keeps its exit status.
  ASSERT_EQ(Shell("( sh -c 'echo $$ >" + dir + "pid.txt; exec " + kCli + " check --loop --base " + dir +
                  "' >" + dir + "out.txt 2>&1; echo $? >" + dir + "status.txt ) &"),
            0);
  // The second cycle's QUIT commits the first one's marks; the loop goes on.
  EXPECT_TRUE(StoredCountBecomes(server, 0));
  const std::string pid = ReadBytes(dir + "pid.txt");
  ASSERT_FALSE(pid.empty());
  ASSERT_EQ(Shell("kill -TERM " + pid), 0);
  std::string status;
  for (int i = 0; i < 200 && status.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    status = ReadBytes(dir + "status.txt");
  }
  EXPECT_EQ(status, "0\n") << ReadBytes(dir + "out.txt");
  EXPECT_EQ(base.Files(base.Target("Docs")), (Files{"one.txt", "two.txt"}));
  EXPECT_EQ(base.Files(base.Dirs.DeleteDir), (Files{"C1_DMsg.eml", "DMsg.eml"}));
}

} // namespace
