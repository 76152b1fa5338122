// Archives made by real packers at test time, extracted and compared byte by
// byte with the files they were made from.
#include "ZipTestKit.h"

#include <gtest/gtest.h>

#include <map>

using namespace ziptest;

namespace {
// A source tree with text, binary, empty and large compressible files, in
// subdirectories.
std::map<std::string, std::string> MakeSource(const std::string &root) {
  std::map<std::string, std::string> files = {
      {"readme.txt", "Plain text\r\nwith CRLF lines\r\n"},
      {"empty.dat", ""},
      {"docs/report.doc", MixedData(150000, 1)},
      {"docs/deep/table.xls", MixedData(70000, 2)},
      {"noext", "a file without an extension"},
  };
  std::string random;
  std::uint32_t x = 7;
  for (int i = 0; i < 50000; ++i) {
    x = x * 1664525u + 1013904223u;
    random += static_cast<char>(x >> 24);
  }
  files["bin/random.bin"] = random;
  for (const auto &[name, data] : files)
    WriteBytes(root + name, data);
  return files;
}

void ExpectExtracted(const std::map<std::string, std::string> &files, const std::string &dir) {
  for (const auto &[name, data] : files) {
    ASSERT_TRUE(Exists(dir + name)) << name;
    EXPECT_TRUE(ReadBytes(dir + name) == data) << name;
  }
}

// How many central directory records use the method.
int CountCentralMethod(const std::string &zip, int method) {
  int count = 0;
  for (std::size_t p = zip.find(std::string("PK\x01\x02", 4)); p != std::string::npos && p + 12 <= zip.size();
       p = zip.find(std::string("PK\x01\x02", 4), p + 4))
    count += (static_cast<unsigned char>(zip[p + 10]) | (zip[p + 11] << 8)) == method;
  return count;
}

class PackerTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!Shell("command -v zip") || !Shell("command -v 7z"))
      GTEST_SKIP() << "zip and 7z are needed";
    files = MakeSource(work.Utf8Path() + "src/");
  }
  std::string Src() const { return work.Utf8Path() + "src"; }
  std::string Out() const { return work.Utf8Path() + "out/"; }

  ScratchDir work;
  std::map<std::string, std::string> files;
};
} // namespace

TEST_F(PackerTest, InfoZipStoredAndDeflateLevels) {
  for (const char *level : {"-0", "-1", "-6", "-9"}) {
    SCOPED_TRACE(level);
    const std::string zip = work.Utf8Path() + "a" + level + ".zip";
    ASSERT_TRUE(Shell("cd " + Src() + " && zip -q -r " + level + " " + zip + " ."));
    std::filesystem::remove_all(Out());
    TUnZip unzip;
    EXPECT_EQ(ExtractAll(unzip, zip, Out()), static_cast<int>(files.size()));
    ExpectExtracted(files, Out());
  }
}

TEST_F(PackerTest, SevenZipDeflate64KeepsMatchesBeyond32K) {
  const std::string zip = work.Utf8Path() + "d64.zip";
  ASSERT_TRUE(Shell("cd " + Src() + " && 7z a -tzip -mm=Deflate64 -mx=9 " + zip + " ."));
  ASSERT_GE(CountCentralMethod(ReadBytes(zip), 9), 2); // the large files
  TUnZip unzip;
  Heard heard;
  heard.Attach(unzip);
  EXPECT_EQ(ExtractAll(unzip, zip, Out()), static_cast<int>(files.size()));
  ExpectExtracted(files, Out());
  EXPECT_TRUE(heard.reports.empty());
}

TEST_F(PackerTest, Zip64RecordsFromInfoZip) {
  const std::string zip = work.Utf8Path() + "z64.zip";
  ASSERT_TRUE(Shell("cd " + Src() + " && zip -q -r -fz " + zip + " ."));
  ASSERT_NE(ReadBytes(zip).find(std::string("PK\x06\x06", 4)), std::string::npos);
  TUnZip unzip;
  EXPECT_EQ(ExtractAll(unzip, zip, Out()), static_cast<int>(files.size()));
  ExpectExtracted(files, Out());
}

TEST_F(PackerTest, JunkInFrontIsPassedOver) {
  const std::string plain = work.Utf8Path() + "plain.zip";
  ASSERT_TRUE(Shell("cd " + Src() + " && zip -q -r " + plain + " ."));
  // 30 bytes the offsets do not know of, a long stub, and a stub whose
  // offsets were adjusted (zip -A), as self-extracting archives have.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"junk30.zip", std::string(30, 'J')},
      {"stub.zip", "MZ" + MixedData(20000, 9)},
  };
  for (const auto &[name, prefix] : cases) {
    SCOPED_TRACE(name);
    WriteBytes(work.Utf8Path() + name, prefix + ReadBytes(plain));
    std::filesystem::remove_all(Out());
    TUnZip unzip;
    EXPECT_EQ(ExtractAll(unzip, work.Utf8Path() + name, Out()), static_cast<int>(files.size()));
    ExpectExtracted(files, Out());
  }
  const std::string adjusted = work.Utf8Path() + "sfx.zip";
  WriteBytes(adjusted, "MZ" + std::string(5000, '\x90') + ReadBytes(plain));
  ASSERT_TRUE(Shell("zip -q -A " + adjusted));
  std::filesystem::remove_all(Out());
  TUnZip unzip;
  EXPECT_EQ(ExtractAll(unzip, adjusted, Out()), static_cast<int>(files.size()));
  EXPECT_EQ(unzip.ArcType(), atZipExe);
  ExpectExtracted(files, Out());
}

TEST_F(PackerTest, DirectoryEntriesAreNotCountedAndMadeOnlyWhenAsked) {
  std::filesystem::create_directories(Src() + "/emptydir/inner");
  const std::string zip = work.Utf8Path() + "dirs.zip";
  ASSERT_TRUE(Shell("cd " + Src() + " && zip -q -r " + zip + " ."));
  TUnZip unzip;
  EXPECT_EQ(ExtractAll(unzip, zip, Out()), static_cast<int>(files.size()));
  EXPECT_TRUE(Exists(Out() + "docs/deep/table.xls"));
  EXPECT_FALSE(Exists(Out() + "emptydir"));

  std::filesystem::remove_all(Out());
  TUnZip creating;
  creating.CreateStoredDirs = true;
  EXPECT_EQ(ExtractAll(creating, zip, Out()), static_cast<int>(files.size()));
  EXPECT_TRUE(std::filesystem::is_directory(Out() + "emptydir/inner"));
}

TEST_F(PackerTest, ReadOnlyTargetIsKeptWritableOneReplaced) {
  const std::string zip = work.Utf8Path() + "a.zip";
  ASSERT_TRUE(Shell("cd " + Src() + " && zip -q -r " + zip + " readme.txt noext"));
  WriteBytes(Out() + "readme.txt", "old read-only");
  WriteBytes(Out() + "noext", "old writable");
  ::chmod((Out() + "readme.txt").c_str(), 0444);
  TUnZip unzip;
  Heard heard;
  heard.Attach(unzip);
  EXPECT_EQ(ExtractAll(unzip, zip, Out()), 1);
  EXPECT_EQ(ReadBytes(Out() + "readme.txt"), "old read-only");
  EXPECT_EQ(ReadBytes(Out() + "noext"), files["noext"]);
  EXPECT_TRUE(heard.Has("Error opening file"));
  EXPECT_TRUE(heard.boxes.empty());
}

TEST_F(PackerTest, EncryptedEntryBesidePlainOnesIsSkipped) {
  const std::string zip = work.Utf8Path() + "mixed.zip";
  ASSERT_TRUE(
      Shell("cd " + Src() + " && zip -q -P secret " + zip + " readme.txt && zip -q " + zip + " noext"));
  TUnZip unzip;
  Heard heard;
  heard.Attach(unzip);
  EXPECT_EQ(ExtractAll(unzip, zip, Out()), 1);
  EXPECT_FALSE(Exists(Out() + "readme.txt"));
  EXPECT_EQ(ReadBytes(Out() + "noext"), files["noext"]);
  EXPECT_TRUE(heard.Has("Required event not assigned: readme.txt"));
}

TEST_F(PackerTest, CyrillicNamesFromEveryKindOfPacker) {
  const std::string utf8Name = "Отчёт за май.txt";
  WriteBytes(Src() + "/" + utf8Name, "report");
  // 7-Zip flags UTF-8 names; Info-ZIP on Unix stores them unflagged.
  const std::string seven = work.Utf8Path() + "seven.zip", info = work.Utf8Path() + "info.zip";
  ASSERT_TRUE(Shell("cd " + Src() + " && 7z a -tzip " + seven + " '" + utf8Name + "'"));
  ASSERT_TRUE(Shell("cd " + Src() + " && zip -q " + info + " '" + utf8Name + "'"));
  for (const std::string &zip : {seven, info}) {
    SCOPED_TRACE(zip);
    std::filesystem::remove_all(Out());
    TUnZip unzip;
    EXPECT_EQ(ExtractAll(unzip, zip, Out()), 1);
    EXPECT_EQ(ReadBytes(Out() + utf8Name), "report");
  }
  // An MS-DOS packer's name in code page 866.
  Entry e;
  e.name = "\x8E\xE2\xE7\xA5\xE2.txt"; // "Отчет.txt" in code page 866
  e.data = "dos";
  WriteBytes(work.Utf8Path() + "dos.zip", BuildZip({e}));
  std::filesystem::remove_all(Out());
  TUnZip unzip;
  EXPECT_EQ(ExtractAll(unzip, work.Utf8Path() + "dos.zip", Out()), 1);
  EXPECT_EQ(ReadBytes(Out() + "Отчет.txt"), "dos");
}
