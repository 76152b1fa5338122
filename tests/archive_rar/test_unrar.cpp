// The RAR component as the courier uses it: archive, target directory, "*.*",
// Extract; with the edge cases that catch real faults.
#include "archive/UnRar.h"

#include "RarBuilder.h"
#include "RarTestSupport.h"
#include "platform/Pump.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

using namespace rartest;

namespace {
class UnRarTest : public RarTest {
protected:
  void SetUp() override {
    RarTest::SetUp();
    out_ = root_ / "Arh";
    unrar_.OnError = [this](const std::string &file, int code, const std::string &) {
      errors_.emplace_back(code, file);
    };
    unrar_.OnShowError = [this](const std::string &message) { shown_.push_back(message); };
  }
  void TearDown() override {
    mv::SetPumpHook({});
    RarTest::TearDown();
  }
  // The courier's sequence for one attachment.
  int Extract(const std::string &archive) {
    unrar_.SetArchiveFile(archive);
    unrar_.SetExtractDir(out_.string());
    unrar_.FileSpec.push_back("*.*");
    return unrar_.Extract();
  }
  bool Reported(int code) const {
    for (const auto &e : errors_)
      if (e.first == code)
        return true;
    return false;
  }
  static mode_t Mode(const fs::path &p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st.st_mode;
  }

  TUnRar unrar_;
  fs::path out_;
  std::vector<std::pair<int, std::string>> errors_;
  std::vector<std::string> shown_;
};
} // namespace

TEST_F(UnRarTest, WithoutTheLibraryNothingIsWrittenAndNothingShown) {
  EXPECT_FALSE(mv::rar::BindRarLibrary((root_ / "no/libmvunrar.so").string()));
  EXPECT_FALSE(mv::rar::RarLibrary().present);
  EXPECT_EQ(Extract(TestData("test_read_format_rar.rar")), 0);
  EXPECT_TRUE(FilesBelow(out_).empty());
  EXPECT_TRUE(shown_.empty());
  EXPECT_TRUE(Reported(aeRarLibraryNotFound));
}

TEST_F(UnRarTest, SubdirectoriesAreRecreatedAndTheCurrentDirectoryKept) {
  const fs::path before = fs::current_path();
  EXPECT_EQ(Extract(TestData("test_read_format_rar.rar")), 2);
  EXPECT_EQ(fs::current_path(), before);
  const auto files = FilesBelow(out_);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files.at("test.txt"), "test text document\r\n");
  EXPECT_EQ(files.at("testdir/test.txt"), "test text document\r\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(out_ / "testlink"))); // links are never created
  EXPECT_FALSE(fs::exists(out_ / "testemptydir"));                 // directory entries create nothing...

  unrar_.CreateStoredDirs = true; // ...unless asked to
  EXPECT_EQ(Extract(TestData("test_read_format_rar_compress_normal.rar")), 3);
  EXPECT_TRUE(fs::is_directory(out_ / "testemptydir"));
  EXPECT_EQ(ReadAll(out_ / "testdir/LibarchiveAddingTest.html").size(), 20111u);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(UnRarTest, ExistingReadOnlyFileIsReplaced) {
  WriteAll(out_ / "test.txt", "old contents");
  fs::permissions(out_ / "test.txt", fs::perms::owner_read);
  EXPECT_EQ(Extract(TestData("test_read_format_rar.rar")), 2);
  EXPECT_EQ(ReadAll(out_ / "test.txt"), "test text document\r\n");
}

TEST_F(UnRarTest, EncryptedEntryInTheMiddleEndsTheRun) {
  for (const char *name : {"test_read_format_rar4_encrypted.rar", "test_read_format_rar5_encrypted.rar"}) {
    fs::remove_all(out_);
    errors_.clear();
    // a.txt plain, b.txt encrypted, c.txt plain, d.txt encrypted
    EXPECT_EQ(Extract(TestData(name)), 1) << name;
    const auto files = FilesBelow(out_);
    ASSERT_EQ(files.size(), 1u) << name;
    EXPECT_TRUE(files.count("a.txt")) << name;
    EXPECT_TRUE(Reported(aeInvalidPassword)) << name;
    EXPECT_TRUE(shown_.empty());
  }
}

TEST_F(UnRarTest, EncryptedHeadersYieldNothing) {
  EXPECT_EQ(Extract(TestData("test_read_format_rar_encryption_header.rar")), 0);
  EXPECT_EQ(Extract(TestData("test_read_format_rar5_encrypted_filenames.rar")), 0);
  EXPECT_TRUE(FilesBelow(out_).empty());
}

TEST_F(UnRarTest, NamesBecomeWindows1251WhateverTheirStoredForm) {
  FileSpec oem{"\xE2\xA5\xE1\xE2\\\xAE\xA5\xAC.txt", "866"}; // "тест\оем.txt" in code page 866
  FileSpec compact{"?", "compact"};
  compact.unicodeField = std::string("????.txt\0\x04\x55\x42\x35\x41\x42\x00.txt", 20);
  FileSpec unixUtf8{"юникс.txt", "unix", true, 0100644};
  EXPECT_EQ(Extract(Archive("names.rar", BuildRar4({oem, compact, unixUtf8}))), 3);
  EXPECT_EQ(Extract(Archive("names5.rar", BuildRar5({{"пять/файл.txt", "five"}}))), 1);
  const auto files = FilesBelow(out_); // names on disk are UTF-8
  EXPECT_EQ(files.at("тест/оем.txt"), "866");
  EXPECT_EQ(files.at("тест.txt"), "compact");
  EXPECT_EQ(files.at("юникс.txt"), "unix");
  EXPECT_EQ(files.at("пять/файл.txt"), "five");
}

TEST_F(UnRarTest, NothingIsWrittenOutsideTheTargetDirectory) {
  FileSpec link{"link", "", true, 0120777};
  link.symlinkTarget = "../..";
  FileSpec fifo{"fifo", "", true, 0010644};
  const std::string rar5 =
      BuildRar5({{"../../evil.txt", "1"}, {"/abs/x.txt", "2"}, link, fifo, {"link/inside.txt", "3"}});
  EXPECT_EQ(Extract(Archive("evil.rar", rar5)), 3);
  EXPECT_EQ(Extract(Archive("evil4.rar", BuildRar4({{"C:\\drive\\b.txt", "4"}, {"..\\..\\up.txt", "5"}}))),
            2);
  const auto files = FilesBelow(out_);
  EXPECT_EQ(files.size(), 5u);
  EXPECT_EQ(files.at("evil.txt"), "1");
  EXPECT_EQ(files.at("abs/x.txt"), "2");
  EXPECT_EQ(files.at("link/inside.txt"), "3");
  EXPECT_EQ(files.at("drive/b.txt"), "4");
  EXPECT_EQ(files.at("up.txt"), "5");
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(out_ / "link")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(out_ / "fifo")));
  EXPECT_EQ(FilesBelow(root_).size(), 5u + 2u); // the five and the two archives
}

TEST_F(UnRarTest, OnlyTheReadOnlyBitOfStoredAttributesIsRestored) {
  FileSpec readOnly{"ro.txt", "r", true, 0100444};
  FileSpec setuid{"suid", "s", true, 0104777};
  FileSpec noAccess{"none.txt", "n", true, 0100000};
  FileSpec dosReadOnly{"dos.txt", "d"};
  dosReadOnly.attributes = 0x21;
  EXPECT_EQ(Extract(Archive("attr.rar", BuildRar5({readOnly, setuid, noAccess}))), 3);
  EXPECT_EQ(Extract(Archive("attr4.rar", BuildRar4({dosReadOnly}))), 1);
  EXPECT_EQ(Mode(out_ / "ro.txt") & 0222, 0u);
  EXPECT_NE(Mode(out_ / "ro.txt") & S_IRUSR, 0u);
  EXPECT_EQ(Mode(out_ / "suid") & (S_ISUID | S_ISGID | S_ISVTX), 0u);
  EXPECT_EQ(ReadAll(out_ / "none.txt"), "n"); // never unreadable to its owner
  EXPECT_EQ(Mode(out_ / "dos.txt") & 0222, 0u);
}

TEST_F(UnRarTest, OutputPastTheDeclaredSizeCountsAsFailedAndIsRemoved) {
  FileSpec liar{"liar.bin", std::string(100000, 'L')};
  liar.declaredSize = 1000;
  EXPECT_EQ(Extract(Archive("liar.rar", BuildRar5({{"first.txt", "ok"}, liar, {"after.txt", "x"}}))), 1);
  const auto files = FilesBelow(out_);
  EXPECT_EQ(files.size(), 1u);
  EXPECT_TRUE(files.count("first.txt"));
  EXPECT_FALSE(errors_.empty());
}

TEST_F(UnRarTest, EntryThatWouldEatTheDiskReserveIsSkipped) {
  FileSpec huge{"huge.bin", "tiny"};
  huge.declaredSize = 1ULL << 52;
  EXPECT_EQ(Extract(Archive("huge.rar", BuildRar5({huge, {"small.txt", "s"}}))), 1);
  EXPECT_TRUE(Reported(aeDiskFull));
  EXPECT_FALSE(fs::exists(out_ / "huge.bin"));
  EXPECT_EQ(ReadAll(out_ / "small.txt"), "s");
}

TEST_F(UnRarTest, CrcMismatchIsReportedAndNotCounted) {
  FileSpec bad{"bad.txt", "payload"};
  bad.crc = 0x12345678;
  EXPECT_EQ(Extract(Archive("crc.rar", BuildRar4({bad, {"good.txt", "g"}}))), 1);
  EXPECT_TRUE(Reported(aeCrcFailed));
  EXPECT_EQ(ReadAll(out_ / "good.txt"), "g");
}

TEST_F(UnRarTest, OnlyAsManyEntriesAsTheScanFound) {
  // The block after b.txt has no data size: the scan ends there, while the
  // library steps over it and would report c.txt too.
  const std::string odd = Rar4Block(0x79, 0, "xx");
  EXPECT_EQ(
      Extract(Archive("odd.rar", BuildRar4({{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}}, {"", odd}))), 2);
  EXPECT_EQ(FilesBelow(out_).size(), 2u);
  EXPECT_FALSE(fs::exists(out_ / "c.txt"));
}

TEST_F(UnRarTest, MasksSelectEntriesAndTheRestAreSkipped) {
  unrar_.SetArchiveFile(
      Archive("mix.rar", BuildRar5({{"a.bin", "1"}, {"b.txt", "2"}, {"c.bin", "3"}, {"d.txt", "4"}})));
  unrar_.SetExtractDir(out_.string());
  unrar_.FileSpec.push_back("*.txt");
  EXPECT_EQ(unrar_.Extract(), 2);
  const auto files = FilesBelow(out_);
  EXPECT_EQ(files.size(), 2u);
  EXPECT_EQ(files.at("d.txt"), "4");
}

TEST_F(UnRarTest, CancelStopsBetweenBlocksAndLeavesNoPartialFile) {
  int pumps = 0;
  mv::SetPumpHook([&] {
    if (++pumps == 1)
      unrar_.Cancel();
  });
  EXPECT_EQ(
      Extract(Archive("big.rar", BuildRar5({{"big.bin", std::string(4 << 20, 'B')}, {"next.txt", "n"}}))), 0);
  EXPECT_GE(pumps, 1);
  EXPECT_TRUE(FilesBelow(out_).empty());
  EXPECT_TRUE(Reported(aeUserCanceled));
}

TEST_F(UnRarTest, NotARarArchiveYieldsNothing) {
  EXPECT_EQ(Extract(Archive("fake.rar", "this is a text file with a .rar name")), 0);
  EXPECT_FALSE(fs::exists(out_));
}

namespace {
std::string Tag(const std::string &name, TEntryFailure reason) {
  return name + "=" + std::to_string(int(reason)) + ";";
}
} // namespace

// What the courier reads after a run: the limits that stop an archive bomb,
// and each entry that was not written with its reason.
TEST_F(UnRarTest, LimitsAndFailedEntriesAfterTheRun) {
  FileSpec bad{"bad.txt", "payload"};
  bad.crc = 0x12345678;
  const std::string fourFiles =
      Archive("four.rar", BuildRar5({{"a.txt", "1"}, {"b.txt", "2"}, {"c.txt", "3"}, {"d.txt", "4"}}));
  const std::string crc = Archive("crc.rar", BuildRar4({bad, {"good.txt", "g"}}));
  const std::string fake = Archive("fake.rar", "this is a text file with a .rar name");
  struct Case {
    const char *what;
    std::string archive;
    TUnpackLimits limits;
    int count;
    std::string failures;
    bool notAnArchive = false;
  };
  const TUnpackLimits defaults;
  const Case cases[] = {
      // Packed data worth more than the archive's own size with a ratio of 1.
      {"past the ratio",
       TestData("test_read_format_rar_compress_normal.rar"),
       {1, 0, 100},
       1,
       Tag("LibarchiveAddingTest.html", TEntryFailure::UnpackLimit) +
           Tag("LibarchiveAddingTest.html", TEntryFailure::UnpackLimit)},
      {"within the defaults", TestData("test_read_format_rar_compress_normal.rar"), defaults, 3, ""},
      {"past the entry cap",
       fourFiles,
       {100, 1 << 30, 2},
       2,
       Tag("c.txt", TEntryFailure::UnpackLimit) + Tag("d.txt", TEntryFailure::UnpackLimit)},
      {"an encrypted entry", TestData("test_read_format_rar4_encrypted.rar"), defaults, 1,
       Tag("b.txt", TEntryFailure::Encrypted)},
      {"encrypted headers", TestData("test_read_format_rar_encryption_header.rar"), defaults, 0,
       Tag("test_read_format_rar_encryption_header.rar", TEntryFailure::Encrypted)},
      {"a CRC mismatch", crc, defaults, 1, Tag("bad.txt", TEntryFailure::Damaged)},
      {"no archive", fake, defaults, 0, "", true},
  };
  for (const Case &c : cases) {
    fs::remove_all(out_);
    unrar_.SetUnpackLimits(c.limits);
    EXPECT_EQ(Extract(c.archive), c.count) << c.what;
    std::string failures;
    for (const TFailedEntry &f : unrar_.FailedEntries())
      failures += Tag(f.fileName.substr(f.fileName.find_last_of('/') + 1), f.reason);
    EXPECT_EQ(failures, c.failures) << c.what;
    EXPECT_EQ(unrar_.NotAnArchive(), c.notAnArchive) << c.what;
    // A file that failed its CRC check stays, uncounted; nothing else is left.
    EXPECT_EQ(FilesBelow(out_).size(), std::size_t(c.count) + (c.archive == crc)) << c.what;
  }
}
