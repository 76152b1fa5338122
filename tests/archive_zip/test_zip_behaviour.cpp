// The component's rules on hand-made archives: selection, output paths and
// confinement, the overwrite decision, attributes, time stamps, the error
// scheme, the declared-size cap and the disk reserve, the message pump.
#include "ZipTestKit.h"
#include "platform/FileSystem.h"
#include "platform/Pump.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace ziptest;

namespace {
Entry Stored(const std::string &name, const std::string &data) {
  Entry e;
  e.name = name;
  e.data = data;
  return e;
}

class ZipBehaviour : public ::testing::Test {
protected:
  // Writes the archive and extracts it with "*.*" into out/.
  int Extract(const std::vector<Entry> &entries, bool central = true) {
    WriteBytes(archive, BuildZip(entries, central));
    return ExtractAll(zip, archive, Out());
  }
  std::string Out() const { return work.Win1251Path() + "out/"; }
  std::string OutDisk() const { return work.Utf8Path() + "out/"; }

  ScratchDir work;
  std::string archive = work.Utf8Path() + "a.zip";
  TUnZip zip;
};
} // namespace

TEST(ZipSettings, DefaultsAndDirectoryNormalising) {
  TUnZip zip;
  EXPECT_TRUE(zip.RecurseDirs);
  EXPECT_TRUE(zip.UseStoredDirs);
  EXPECT_FALSE(zip.CreateStoredDirs);
  EXPECT_EQ(zip.OverwriteMode, omOverwrite);
  EXPECT_FALSE(zip.ConfirmOverwrites);
  EXPECT_TRUE(zip.RestoreFileAttr);
  EXPECT_EQ(zip.DateAttribute, daFileDate);
  EXPECT_TRUE(zip.TranslateOemChar);
  EXPECT_EQ(zip.PasswordAttempts, 3);
  EXPECT_EQ(zip.ArcType(), atNA);

  zip.SetExtractDir("C:\\Arh\\sub");
  EXPECT_EQ(zip.ExtractDir(), "C:/Arh/sub/");
  ScratchDir work;
  WriteBytes(work.Utf8Path() + "x.zip", BuildZip({Stored("a", "b")}));
  zip.SetArchiveFile(work.Win1251Path() + "x.zip");
  EXPECT_EQ(zip.ArcType(), atZip);
  zip.SetExtractDir("");
  EXPECT_EQ(zip.ExtractDir(), work.Win1251Path());

  zip.SetArchiveFile(work.Win1251Path() + "missing.zip");
  EXPECT_EQ(zip.ArchiveFile(), "");
  EXPECT_EQ(zip.ArcType(), atNA);
  Heard heard;
  heard.Attach(zip);
  EXPECT_EQ(zip.Extract(), 0);
  EXPECT_TRUE(heard.Has("File not found"));
}

TEST(ZipSettings, SelectionByMasks) {
  TUnZip zip;
  zip.FileSpec = {"*.*"};
  EXPECT_TRUE(zip.IsSelected("a.txt"));
  EXPECT_TRUE(zip.IsSelected("README")); // the "." rule
  EXPECT_TRUE(zip.IsSelected("sub/dir/a.txt"));
  zip.FileSpec = {"*.TXT"};
  EXPECT_TRUE(zip.IsSelected("sub/Отчёт.txt"));
  EXPECT_FALSE(zip.IsSelected("a.doc"));
  zip.FileSpec = {"a?c"};
  EXPECT_TRUE(zip.IsSelected("abc"));
  EXPECT_FALSE(zip.IsSelected("abcd"));
  zip.FileSpec = {"Sub/A.txt"};
  EXPECT_TRUE(zip.IsSelected("sub/a.txt")); // the whole name, case ignored
  zip.RecurseDirs = false;
  zip.FileSpec = {"*.*"};
  EXPECT_TRUE(zip.IsSelected("a.txt"));
  EXPECT_FALSE(zip.IsSelected("sub/a.txt"));
  zip.RecurseDirs = true;
  zip.FileSpec = {"", "*.*", "*.*"};
  zip.ExcludeSpec = {"*.exe"};
  std::vector<std::string> told;
  zip.OnExcludeFile = [&](const std::string &name) { told.push_back(name); };
  EXPECT_FALSE(zip.IsSelected("bin/setup.EXE"));
  EXPECT_TRUE(zip.IsSelected("bin/setup.txt"));
  EXPECT_EQ(told, std::vector<std::string>{"bin/setup.EXE"});
  zip.FileSpec.clear();
  zip.ExcludeSpec.clear();
  EXPECT_FALSE(zip.IsSelected("a.txt"));
}

TEST(ZipSettings, OutputPathsStayBelowTheTarget) {
  TUnZip zip;
  zip.SetExtractDir("/x/arh");
  EXPECT_EQ(zip.BuildOutputPath("sub/dir/a.txt"), "/x/arh/sub/dir/a.txt");
  EXPECT_EQ(zip.BuildOutputPath("C:/x/b.txt"), "/x/arh/x/b.txt");
  EXPECT_EQ(zip.BuildOutputPath("C:b.txt"), "/x/arh/b.txt");
  EXPECT_EQ(zip.BuildOutputPath("/etc/passwd"), "/x/arh/etc/passwd");
  EXPECT_EQ(zip.BuildOutputPath("../../evil.txt"), "/x/arh/evil.txt");
  EXPECT_EQ(zip.BuildOutputPath("a/../../b/./c.txt"), "/x/arh/a/b/c.txt");
  EXPECT_EQ(zip.BuildOutputPath("dir/.."), "/x/arh/dir/");
  EXPECT_EQ(zip.BuildOutputPath("dir/"), "/x/arh/dir/");
  zip.UseStoredDirs = false;
  EXPECT_EQ(zip.BuildOutputPath("sub/dir/a.txt"), "/x/arh/a.txt");
  EXPECT_EQ(zip.ConvertName("dir\\file.txt"), "dir/file.txt");
  EXPECT_EQ(zip.ConvertName("\xAF\xA8\xE1\xEC\xAC\xAE"), mv::Utf8ToWin1251("письмо")); // code page 866
}

TEST_F(ZipBehaviour, Utf8NamesWithoutWindows1251FormGetUnderscores) {
  Entry flagged = Stored("sub/üȵĩöḋè/file?.txt", "1");
  flagged.flags = 0x0800; // the name is UTF-8
  EXPECT_EQ(Extract({flagged, Stored("\xC9\xCD.txt", "2")}), 2);
  EXPECT_EQ(ReadBytes(OutDisk() + "sub/______/file_.txt"), "1");
  EXPECT_EQ(ReadBytes(OutDisk() + "__.txt"), "2"); // code page 866 box drawing
}

TEST_F(ZipBehaviour, HostileNamesLandInsideTheTarget) {
  Entry link = Stored("link", "/etc/passwd");
  link.madeBy = 3 << 8 | 30;
  link.externalAttr = (0120777u << 16);
  Entry setuid = Stored("tool.sh", "#!/bin/sh\n");
  setuid.madeBy = 3 << 8 | 30;
  setuid.externalAttr = (0106777u << 16);
  Entry pipe = Stored("-", "read from a pipe");
  pipe.madeBy = 3 << 8 | 30;
  pipe.externalAttr = (0010600u << 16);
  EXPECT_EQ(Extract({Stored("../../escape.txt", "1"), Stored("/abs/x.txt", "2"),
                     Stored("C:\\win\\y.txt", "3"), Stored("a/../../z.txt", "4"), link, setuid, pipe}),
            6);
  EXPECT_EQ(ReadBytes(OutDisk() + "escape.txt"), "1");
  EXPECT_EQ(ReadBytes(OutDisk() + "abs/x.txt"), "2");
  EXPECT_EQ(ReadBytes(OutDisk() + "win/y.txt"), "3");
  EXPECT_EQ(ReadBytes(OutDisk() + "a/z.txt"), "4");
  EXPECT_FALSE(Exists(work.Utf8Path() + "escape.txt"));
  EXPECT_FALSE(Exists(OutDisk() + "link"));
  struct stat st {};
  ASSERT_EQ(::stat((OutDisk() + "tool.sh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & (S_ISUID | S_ISGID | S_ISVTX), 0u);
  ASSERT_EQ(::lstat((OutDisk() + "-").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(ZipBehaviour, ExistingLinkIsReplacedNotWrittenThrough) {
  WriteBytes(work.Utf8Path() + "victim.txt", "untouched");
  std::filesystem::create_directories(OutDisk());
  std::filesystem::create_symlink(work.Utf8Path() + "victim.txt", OutDisk() + "a.txt");
  EXPECT_EQ(Extract({Stored("a.txt", "new")}), 1);
  EXPECT_EQ(ReadBytes(work.Utf8Path() + "victim.txt"), "untouched");
  EXPECT_FALSE(std::filesystem::is_symlink(OutDisk() + "a.txt"));
  EXPECT_EQ(ReadBytes(OutDisk() + "a.txt"), "new");
}

TEST_F(ZipBehaviour, OnlyTheReadOnlyBitIsRestored) {
  Entry ro = Stored("ro.txt", "r");
  ro.externalAttr = 0x21;
  Entry unixRo = Stored("unix.txt", "u");
  unixRo.madeBy = 3 << 8 | 30;
  unixRo.externalAttr = 0100000u << 16; // mode 0000: no permission at all
  EXPECT_EQ(Extract({ro, unixRo, Stored("rw.txt", "w")}), 3);
  struct stat st {};
  ASSERT_EQ(::stat((OutDisk() + "ro.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  ASSERT_EQ(::stat((OutDisk() + "unix.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  EXPECT_NE(st.st_mode & S_IRUSR, 0u); // the owner can still read it
  ASSERT_EQ(::stat((OutDisk() + "rw.txt").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

TEST_F(ZipBehaviour, TimeStampsFollowDateAttribute) {
  Entry older = Stored("old.txt", "o");
  older.dosDateTime = ((2001 - 1980) << 9 | 2 << 5 | 3) << 16 | (4 << 11 | 5 << 5 | 3);
  const Entry newer = Stored("new.txt", "n");
  auto mtime = [&](const std::string &name) {
    struct stat st {};
    ::stat((OutDisk() + name).c_str(), &st);
    return st.st_mtime;
  };
  EXPECT_EQ(Extract({older, newer}), 2);
  std::tm tm = {};
  tm.tm_year = 101, tm.tm_mon = 1, tm.tm_mday = 3, tm.tm_hour = 4, tm.tm_min = 5, tm.tm_sec = 6,
  tm.tm_isdst = -1;
  EXPECT_EQ(mtime("old.txt"), std::mktime(&tm));

  zip.DateAttribute = daMaxFileDate;
  EXPECT_EQ(zip.Extract(), 2);
  EXPECT_EQ(mtime("old.txt"), mtime("new.txt"));

  zip.DateAttribute = daSysDate;
  const std::time_t before = std::time(nullptr);
  EXPECT_EQ(zip.Extract(), 2);
  EXPECT_GE(mtime("old.txt"), before);
}

TEST_F(ZipBehaviour, OverwriteModes) {
  EXPECT_EQ(Extract({Stored("a.txt", "new")}), 1);
  WriteBytes(OutDisk() + "a.txt", "kept");
  zip.OverwriteMode = omSkip;
  EXPECT_EQ(zip.Extract(), 0);
  EXPECT_EQ(ReadBytes(OutDisk() + "a.txt"), "kept");

  zip.ConfirmOverwrites = true;
  ::chmod((OutDisk() + "a.txt").c_str(), 0444);
  zip.OnFileExists = [](const std::string &, bool &overwrite) { overwrite = true; };
  EXPECT_EQ(zip.Extract(), 1); // the hook allows it; the read-only file is made writable first
  EXPECT_EQ(ReadBytes(OutDisk() + "a.txt"), "new");
}

TEST_F(ZipBehaviour, ErrorSchemeAndCounts) {
  Heard heard;
  heard.Attach(zip);
  Entry badCrc = Stored("crc.txt", "data");
  badCrc.crc = 0x12345678;
  Entry complement = Stored("complement.txt", "data");
  complement.crc = ~static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef *>("data"), 4));
  Entry unknown = Stored("ppmd.txt", "xx");
  unknown.method = 98;
  unknown.compressed = "packed";
  Entry encrypted = Stored("secret.txt", "s");
  encrypted.flags = 1;
  Entry dir = Stored("folder/", "");
  dir.externalAttr = 0x10;
  EXPECT_EQ(Extract({badCrc, complement, unknown, encrypted, dir, Stored("slashdir/", "")}), 3);
  EXPECT_EQ(ReadBytes(OutDisk() + "crc.txt"), "data"); // kept, counted
  EXPECT_TRUE(heard.Has("File fails CRC check: crc.txt"));
  EXPECT_FALSE(heard.Has("File fails CRC check: complement.txt"));
  EXPECT_TRUE(Exists(OutDisk() + "ppmd.txt"));
  EXPECT_EQ(ReadBytes(OutDisk() + "ppmd.txt"), "");
  EXPECT_TRUE(heard.Has("Unsupported compression method: ppmd.txt"));
  EXPECT_FALSE(Exists(OutDisk() + "secret.txt"));
  EXPECT_TRUE(heard.Has("Required event not assigned: secret.txt"));
  EXPECT_FALSE(Exists(OutDisk() + "folder"));
  // A directory stored without its attribute: its directory appears, the
  // "file" fails.
  EXPECT_TRUE(std::filesystem::is_directory(OutDisk() + "slashdir"));
  EXPECT_TRUE(heard.Has("Error opening file"));
  EXPECT_TRUE(heard.boxes.empty());

  // With an end hook the CRC verdict goes there instead.
  heard.reports.clear();
  std::vector<std::pair<std::string, bool>> ends;
  zip.OnEnd = [&](const std::string &name, bool ok) { ends.emplace_back(name, ok); };
  zip.Extract();
  EXPECT_FALSE(heard.Has("File fails CRC check"));
  ASSERT_FALSE(ends.empty());
  EXPECT_EQ(ends[0], std::make_pair(std::string("crc.txt"), false));
}

TEST_F(ZipBehaviour, NoArchiveAndSameMaskTwice) {
  WriteBytes(archive, "This is a text file named .zip, holding no archive at all.");
  std::filesystem::create_directories(OutDisk());
  EXPECT_EQ(ExtractAll(zip, archive, Out()), 0);
  EXPECT_TRUE(std::filesystem::is_empty(OutDisk()));

  EXPECT_EQ(Extract({Stored("a.txt", "1"), Stored("b", "2")}), 2);
  zip.FileSpec.push_back("*.*");
  EXPECT_EQ(zip.Extract(), 2); // "*.*" added twice still selects each entry once
  EXPECT_EQ(zip.FileSpec.size(), 3u);
}

TEST_F(ZipBehaviour, ListingWithoutCentralDirectory) {
  Entry deflated = Stored("deep/d.txt", MixedData(100000, 3));
  deflated.method = 8;
  EXPECT_EQ(Extract({Stored("a.txt", "first"), deflated}, false), 2);
  EXPECT_EQ(ReadBytes(OutDisk() + "a.txt"), "first");
  EXPECT_EQ(ReadBytes(OutDisk() + "deep/d.txt"), deflated.data);
}

TEST_F(ZipBehaviour, BadLocalOffsetSkipsTheEntry) {
  Heard heard;
  heard.Attach(zip);
  std::string bytes = BuildZip({Stored("a.txt", "one"), Stored("b.txt", "two")});
  // Break the second local header's signature.
  const std::size_t second = bytes.find(std::string("PK\x03\x04", 4), 4);
  bytes[second + 2] = 'X';
  WriteBytes(archive, bytes);
  EXPECT_EQ(ExtractAll(zip, archive, Out()), 1);
  EXPECT_TRUE(heard.Has("Bad offset to local header: b.txt"));
}

TEST_F(ZipBehaviour, OutputPastTheDeclaredSizeFailsTheEntry) {
  Heard heard;
  heard.Attach(zip);
  Entry liar = Stored("liar.txt", std::string(100000, 'x'));
  liar.method = 8;
  liar.declaredSize = 1000;
  Entry storedLiar = Stored("stored.txt", std::string(5000, 'y'));
  storedLiar.declaredSize = 10;
  EXPECT_EQ(Extract({liar, storedLiar, Stored("fine.txt", "ok")}), 1);
  EXPECT_FALSE(Exists(OutDisk() + "liar.txt"));
  EXPECT_FALSE(Exists(OutDisk() + "stored.txt"));
  EXPECT_EQ(ReadBytes(OutDisk() + "fine.txt"), "ok");
  EXPECT_TRUE(heard.Has("Error writing to file"));
}

TEST_F(ZipBehaviour, EntryLargerThanTheFreeSpaceIsSkipped) {
  Heard heard;
  heard.Attach(zip);
  // A ZIP64 extra field declares 1 PiB.
  Entry huge = Stored("huge.bin", "tiny really");
  huge.declaredSize = 0xFFFFFFFF;
  huge.extra = std::string("\x01\x00\x08\x00", 4);
  Put32(huge.extra, 0);
  Put32(huge.extra, 1u << 18);
  EXPECT_EQ(Extract({huge, Stored("small.txt", "s")}), 1);
  EXPECT_FALSE(Exists(OutDisk() + "huge.bin"));
  EXPECT_TRUE(heard.Has("Disk full: "));
  EXPECT_TRUE(heard.boxes.empty());
}

TEST_F(ZipBehaviour, PumpRunsBetweenBlocksAndCancelStopsTheRun) {
  int pumps = 0;
  mv::SetPumpHook([&] { ++pumps; });
  Entry big = Stored("big.bin", MixedData(10 * 32768, 5));
  big.method = 8;
  EXPECT_EQ(Extract({big, Stored("after.txt", "a")}), 2);
  EXPECT_GE(pumps, 10);

  Heard heard;
  heard.Attach(zip);
  mv::SetPumpHook([&] { zip.Cancel(); });
  EXPECT_EQ(zip.Extract(), 0);
  mv::SetPumpHook({});
  EXPECT_TRUE(heard.Has("User canceled"));
  EXPECT_TRUE(zip.Canceled());
}

TEST_F(ZipBehaviour, RenameCorruptHeaderAndElapsedTimeHooks) {
  std::string bytes = BuildZip({Stored("a.txt", "one"), Stored("b.txt", "two")});
  bytes[30] = 'x'; // the first local header now names "x.txt"
  WriteBytes(archive, bytes);
  std::vector<std::string> corrupt;
  zip.OnCorruptZipHeader = [&](const std::string &name, bool &extract) {
    corrupt.push_back(name);
    extract = false;
  };
  zip.OnRenameFile = [](std::string &name) { name = "../renamed-" + name; };
  double seconds = -1;
  zip.OnElapsedTime = [&](double s) { seconds = s; };
  EXPECT_EQ(ExtractAll(zip, archive, Out()), 1);
  EXPECT_EQ(corrupt, std::vector<std::string>{"x.txt"});
  EXPECT_EQ(ReadBytes(OutDisk() + "renamed-b.txt"), "two");
  EXPECT_GE(seconds, 0.0);
}
