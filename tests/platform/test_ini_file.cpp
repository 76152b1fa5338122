#include "platform/Errors.h"
#include "platform/IniFile.h"

#include "tests/support/ExpectError.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using mvtest::ReadBytes;
using mvtest::WriteBytes;

class IniFileTest : public ::testing::Test {
protected:
  mvtest::ScratchDir dir;
  std::string path = dir.Win1251Path() + "Test.ini";
  std::string disk = dir.Utf8Path() + "Test.ini";
};
} // namespace

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsAsDefault) {
  mv::IniFile ini(path);
  EXPECT_EQ(ini.ReadString("Pop3", "ServerName", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("Pop3", "ServerPort", 110), 110);
  EXPECT_FALSE(ini.SectionExists("Pop3"));
  WriteBytes(disk, "[Pop3]\nServerName=a\n");
  EXPECT_EQ(ini.ReadString("Smtp", "ServerName", "d"), "d");
  EXPECT_EQ(ini.ReadString("Pop3", "ServerUser", "u"), "u");
}

TEST_F(IniFileTest, NamesIgnoreCaseValuesAreTrimmedAfterTheFirstEquals) {
  // Section "Почта" in capitals and in small letters, LF and CRLF lines mixed.
  WriteBytes(disk, "; comment\r\n[ \xCF\xCE\xD7\xD2\xC0 ]\r\n  \xCA\xEB\xFE\xF7  =  a=b = c  \t\n"
                   "Empty=\r\n[pop3]\nservername =  host.example.org\n");
  mv::IniFile ini(path);
  EXPECT_EQ(ini.ReadString("\xEF\xEE\xF7\xF2\xE0", "\xEA\xEB\xFE\xF7", ""), "a=b = c"); // [почта] ключ
  EXPECT_EQ(ini.ReadString("\xEF\xEE\xF7\xF2\xE0", "Empty", "default"),
            ""); // present but empty is no default
  EXPECT_EQ(ini.ReadString("POP3", "ServerName", ""), "host.example.org");
}

TEST_F(IniFileTest, LongValuesReadAsTheirFirst2047Characters) {
  const std::string value(3000, 'x');
  mv::IniFile ini(path);
  ini.WriteString("S", "K", value);
  EXPECT_EQ(ini.ReadString("S", "K", ""), value.substr(0, 2047));
}

TEST_F(IniFileTest, WritesCreateFileSectionAndKeyAndReplaceInPlace) {
  mv::IniFile ini(path);
  ini.WriteString("Pop3", "ServerName", "one");
  ini.WriteString("Smtp", "ServerName", "two");
  ini.WriteString("pop3", "ServerPort", "110");
  ini.WriteString("POP3", "SERVERNAME", "three");
  EXPECT_EQ(ReadBytes(disk), "[Pop3]\r\nSERVERNAME=three\r\nServerPort=110\r\n[Smtp]\r\nServerName=two\r\n");
  // A value is stored verbatim: quotes and blanks inside stay.
  ini.WriteString("Email", "PersonalEmail", "\"Name\" <a@b>");
  EXPECT_EQ(ini.ReadString("email", "personalemail", ""), "\"Name\" <a@b>");
}

TEST_F(IniFileTest, NewKeyGoesAfterTheLastLineOfItsSection) {
  WriteBytes(disk, "[A]\nx=1\n\n[B]\ny=2\n");
  mv::IniFile ini(path);
  ini.WriteString("A", "z", "3");
  EXPECT_EQ(ReadBytes(disk), "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n");
}

TEST_F(IniFileTest, EraseSectionAndSectionExistence) {
  WriteBytes(
      disk,
      "[Keep]\na=1\n[FilePath]\nF1=*\nA1=\n[Count]\nCNT=1\n[filepath]\nF9=x\n[Empty]\n[Junk]\nno key here\n");
  mv::IniFile ini(path);
  EXPECT_TRUE(ini.SectionExists("count"));
  EXPECT_FALSE(ini.SectionExists("Empty")); // a header alone is no section
  EXPECT_FALSE(ini.SectionExists("Junk"));
  EXPECT_EQ(ini.ReadSection("FILEPATH"), (std::vector<std::string>{"F1", "A1"}));
  ini.EraseSection("FilePath");
  EXPECT_FALSE(ini.SectionExists("FilePath")); // every copy of it is gone
  EXPECT_EQ(ini.ReadString("Count", "CNT", ""), "1");
  EXPECT_EQ(ini.ReadString("Keep", "a", ""), "1");
  // Erasing what is not there writes nothing, not even a new file.
  mv::IniFile other(dir.Win1251Path() + "Other.ini");
  other.EraseSection("Interval");
  struct stat st {};
  EXPECT_NE(stat((dir.Utf8Path() + "Other.ini").c_str(), &st), 0);
}

TEST_F(IniFileTest, IntegerAndBooleanReads) {
  WriteBytes(disk, "[N]\ndec=90\nhex1=0x1F\nhex2=$10\nshort=0x\nbad=12a\nneg=-5\n"
                   "[Check]\nset=1\ntwo=2\nzero=0\ntext=x\n");
  mv::IniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("N", "dec", 0), 90);
  EXPECT_EQ(ini.ReadInteger("N", "hex1", 0), 31);
  EXPECT_EQ(ini.ReadInteger("N", "hex2", 0), 16);
  EXPECT_EQ(ini.ReadInteger("N", "short", 7), 7);
  EXPECT_EQ(ini.ReadInteger("N", "bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("N", "neg", 0), -5);
  EXPECT_TRUE(ini.ReadBool("Check", "set", false));
  EXPECT_TRUE(ini.ReadBool("Check", "two", false));
  EXPECT_FALSE(ini.ReadBool("Check", "zero", true));
  EXPECT_FALSE(ini.ReadBool("Check", "text", false));
  EXPECT_TRUE(ini.ReadBool("Check", "text", true)); // not a number: the default
  ini.WriteBool("Check", "w", true);
  ini.WriteInteger("N", "w", -12);
  EXPECT_EQ(ini.ReadString("Check", "w", ""), "1");
  EXPECT_EQ(ini.ReadString("N", "w", ""), "-12");
}

TEST_F(IniFileTest, FailedWritesNameTheFile) {
  mv::IniFile missingDir(dir.Win1251Path() + "no/such/dir/Mail.ini");
  mvtest::ExpectError<EIniFileException>([&] { missingDir.WriteString("S", "K", "v"); },
                                         "Unable to write to " + dir.Win1251Path() + "no/such/dir/Mail.ini");
  // A read-only file refuses writes and erasures, whoever runs the program,
  // and keeps its text.
  WriteBytes(disk, "[S]\nK=old\n");
  chmod(disk.c_str(), 0444);
  mv::IniFile ini(path);
  EXPECT_THROW(ini.WriteString("S", "K", "new"), EIniFileException);
  EXPECT_THROW(ini.EraseSection("S"), EIniFileException);
  EXPECT_EQ(ReadBytes(disk), "[S]\nK=old\n");
}

TEST_F(IniFileTest, WritesReplaceTheFileWholeAndKeepOrSetItsMode) {
  WriteBytes(disk, "[S]\nK=old\n");
  chmod(disk.c_str(), 0640);
  struct stat before {};
  stat(disk.c_str(), &before);
  mv::IniFile(path).WriteString("S", "K", "new");
  struct stat after {};
  stat(disk.c_str(), &after);
  EXPECT_NE(before.st_ino, after.st_ino); // a new file took the old one's name
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadBytes(disk), "[S]\r\nK=new\r\n");
  // No temporary file stays behind.
  int entries = 0;
  for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir.Utf8Path()))
    ++entries;
  EXPECT_EQ(entries, 1);

  // A file created for secrets gets the requested mode.
  mv::IniFile secret(dir.Win1251Path() + "Mail.ini", 0600);
  secret.WriteString("Pop3", "ServerPassword", "p");
  struct stat st {};
  stat((dir.Utf8Path() + "Mail.ini").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(IniFileTest, CyrillicFileNameIsUtf8OnDisk) {
  const std::string name1251 = "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8.ini"; // Настройки.ini
  mv::IniFile(dir.Win1251Path() + name1251).WriteString("S", "K", "v");
  EXPECT_EQ(ReadBytes(dir.Utf8Path() + mv::Win1251ToUtf8(name1251)), "[S]\r\nK=v\r\n");
}

TEST_F(IniFileTest, StrictIntegerReadTakesTheDefaultTextOnlyForAMissingKey) {
  WriteBytes(disk, "[Count]\nCNT=3\nEmpty=\nBad=3 rules\n");
  mv::IniFile ini(path);
  EXPECT_EQ(ini.ReadStrictInteger("Count", "CNT", ""), 3);
  EXPECT_EQ(ini.ReadStrictInteger("Pop3", "ServerPort", "110"), 110);
  mvtest::ExpectError<EConvertError>([&] { ini.ReadStrictInteger("Count", "Bad", "0"); },
                                     "'3 rules' is not a valid integer value");
  EXPECT_THROW(ini.ReadStrictInteger("Count", "Empty", "0"), EConvertError); // present but empty
  EXPECT_THROW(ini.ReadStrictInteger("Count", "Missing", ""), EConvertError);
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsAnErrorAndIsNeverReplaced) {
  struct Case {
    const char *what;
    std::function<void()> make;
    std::function<std::string()> state; // what must survive the refused write
  };
  const std::vector<Case> cases = {
      {"a file its user may write but not read",
       [&] {
         WriteBytes(disk, "[Pop3]\nServerName=kept\n[Smtp]\nServerName=kept\n");
         chmod(disk.c_str(), 0200);
       },
       [&] { return ReadBytes(disk); }},
      {"a link that loops on itself", [&] { ASSERT_EQ(symlink("Test.ini", disk.c_str()), 0); },
       [&] {
         char target[64] = {};
         return readlink(disk.c_str(), target, sizeof target - 1) > 0 ? std::string(target) : std::string();
       }},
      {"a pipe, whose opening would wait for a writer", [&] { ASSERT_EQ(mkfifo(disk.c_str(), 0600), 0); },
       [&] { return std::to_string(std::filesystem::is_fifo(disk)); }},
      {"a directory", [&] { ASSERT_EQ(mkdir(disk.c_str(), 0700), 0); },
       [&] { return std::to_string(std::filesystem::is_directory(disk)); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(disk);
    c.make();
    if (geteuid() == 0 && std::string(c.what).find("not read") != std::string::npos)
      continue; // root reads every file
    const std::string before = c.state();
    mv::IniFile ini(path);
    mvtest::ExpectError([&] { ini.ReadString("Pop3", "ServerName", ""); }, "Unable to read " + path);
    mvtest::ExpectError([&] { ini.WriteString("Demo", "Cnt_dm", "1"); }, "Unable to write to " + path);
    mvtest::ExpectError([&] { ini.EraseSection("Pop3"); }, "Unable to write to " + path);
    EXPECT_EQ(c.state(), before);
    chmod(disk.c_str(), 0600);
  }
}

TEST_F(IniFileTest, LineBreaksAreRefusedAndNothingIsWritten) {
  WriteBytes(disk, "[FilePath]\nP1=/data/\n");
  const struct {
    std::string section, key, value;
  } cases[] = {
      {"FilePath", "P1", "/data/\n[Count]\nCNT=2000000000"},
      {"FilePath", "P1", "/data/\r"},
      {"FilePath", "P\r\n2", "x"},
      {"File\nPath", "P1", "x"},
  };
  mv::IniFile ini(path);
  for (const auto &c : cases) {
    mvtest::ExpectError([&] { ini.WriteString(c.section, c.key, c.value); }, mv::kLineBreakRefused);
    // In a batch, the refusal drops the edits made before it too.
    mvtest::ExpectError(
        [&] {
          ini.Edit([&](mv::IniText &text) {
            text.WriteString("FilePath", "F1", "*.pdf");
            text.WriteString(c.section, c.key, c.value);
          });
        },
        mv::kLineBreakRefused);
    EXPECT_EQ(ReadBytes(disk), "[FilePath]\nP1=/data/\n");
  }
  EXPECT_FALSE(mv::HasLineBreak("C:/a b/\t"));
}

TEST_F(IniFileTest, ABatchOfEditsIsOneWriteAndReadsSeeEveryChangeOnDisk) {
  mv::IniFile ini(path);
  ini.Edit([](mv::IniText &text) {
    text.WriteString("FilePath", "F1", "*.pdf");
    text.WriteString("FilePath", "P1", "/data/");
    text.WriteInteger("Count", "CNT", 1);
  });
  EXPECT_EQ(ReadBytes(disk), "[FilePath]\r\nF1=*.pdf\r\nP1=/data/\r\n[Count]\r\nCNT=1\r\n");
  // An edit that changes nothing writes nothing, and one that fails midway
  // leaves the file as it was.
  struct stat before {};
  stat(disk.c_str(), &before);
  ini.Edit([](mv::IniText &text) { text.EraseSection("Interval"); });
  EXPECT_THROW(ini.Edit([](mv::IniText &text) {
    text.EraseSection("FilePath");
    mv::ThrowInvalidInteger("x");
  }),
               EConvertError);
  struct stat after {};
  stat(disk.c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(ini.ReadString("FilePath", "P1", ""), "/data/");

  // An edit by hand in place, same size, within the same second: the
  // nanosecond time tells it apart. (The times are set well in the past; a
  // file changed in the last second is read at every read.)
  const auto touch = [&](long nanoseconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {before.st_mtim.tv_sec - 60, nanoseconds}};
    utimensat(AT_FDCWD, disk.c_str(), times, 0);
  };
  touch(1000);
  EXPECT_EQ(ini.ReadInteger("Count", "CNT", 0), 1);
  std::fstream(disk, std::ios::in | std::ios::out | std::ios::binary).seekp(-3, std::ios::end) << "7";
  touch(2000);
  EXPECT_EQ(ini.ReadInteger("Count", "CNT", 0), 7);
  // Size and time are the whole test: an in-place change that restores both
  // is not looked at, which is what makes an unchanged file cheap to read.
  std::fstream(disk, std::ios::in | std::ios::out | std::ios::binary).seekp(-3, std::ios::end) << "8";
  touch(2000);
  EXPECT_EQ(ini.ReadInteger("Count", "CNT", 0), 7);

  // Writes in quick succession leave files of one size and, within a clock
  // tick, one time, perhaps on a reused inode: each is seen all the same.
  for (int i = 0; i < 200; ++i) {
    mv::IniFile(path).WriteInteger("Count", "CNT", i % 10);
    ASSERT_EQ(mv::IniFile(path).ReadInteger("Count", "CNT", -1), i % 10) << i;
  }
}

TEST(IniText, KeysAndSectionsIndexedAsTheFileReads) {
  mv::IniText text("[A]\nk=1\nK=2\n[b]\nx=3\n[a]\nk=4\nz=5\n\n");
  const struct {
    const char *section, *key, *expected;
  } reads[] = {{"a", "K", "1"}, {"A", "z", "none"}, {"B", "X", "3"}, {"c", "k", "none"}};
  for (const auto &r : reads)
    EXPECT_EQ(text.ReadString(r.section, r.key, "none"), r.expected) << r.section << " " << r.key;
  text.WriteString("a", "new", "6");
  text.WriteString("b", "x", "7");
  EXPECT_EQ(text.ToFileText(), "[A]\r\nk=1\r\nK=2\r\nnew=6\r\n[b]\r\nx=7\r\n[a]\r\nk=4\r\nz=5\r\n\r\n");
  text.EraseSection("A");
  EXPECT_EQ(text.ToFileText(), "[b]\r\nx=7\r\n");
  EXPECT_EQ(text.ReadString("a", "k", "none"), "none");
  text.WriteString("A", "k", "8");
  EXPECT_EQ(text.ReadSection("a"), std::vector<std::string>{"k"});
}
