// File copies bigger than any single transfer, and sources whose reported
// size is not their content (the kernel's own files report 0).
#include "platform/FileSystem.h"

#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

using mvtest::ReadBytes;

TEST(CopyFile, LargeFileArrivesWholeWithItsWriteTime) {
  mvtest::ScratchDir dir;
  std::string bytes(5 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>((i * 7 + i / 4096) & 255);
  std::ofstream(dir.Utf8Path() + "big.bin", std::ios::binary) << bytes;
  const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir.Utf8Path() + "big.bin").c_str(), times, 0), 0);

  ASSERT_TRUE(mv::CopyFileTo(dir.Win1251Path() + "big.bin", dir.Win1251Path() + "copy.bin", true));
  EXPECT_EQ(ReadBytes(dir.Utf8Path() + "copy.bin"), bytes);
  struct stat st {};
  ASSERT_EQ(stat((dir.Utf8Path() + "copy.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1700000000);

  // Replacing a longer file leaves none of its old tail.
  std::ofstream(dir.Utf8Path() + "small.bin", std::ios::binary) << "short";
  ASSERT_TRUE(mv::CopyFileTo(dir.Win1251Path() + "small.bin", dir.Win1251Path() + "copy.bin", false));
  EXPECT_EQ(ReadBytes(dir.Utf8Path() + "copy.bin"), "short");
  EXPECT_FALSE(mv::CopyFileTo(dir.Win1251Path() + "big.bin", dir.Win1251Path() + "copy.bin", true));
  EXPECT_EQ(ReadBytes(dir.Utf8Path() + "copy.bin"), "short");
}

TEST(CopyFile, SourceThatReportsNoSizeIsCopiedByItsContent) {
  mvtest::ScratchDir dir;
  const std::string expected = ReadBytes("/proc/self/cmdline");
  ASSERT_FALSE(expected.empty());
  ASSERT_TRUE(mv::CopyFileTo("/proc/self/cmdline", dir.Win1251Path() + "cmdline", true));
  EXPECT_EQ(ReadBytes(dir.Utf8Path() + "cmdline"), expected);
}

TEST(LinkFile, ASecondNameSharesTheBytesAndGetsANewFilesPermissions) {
  mvtest::ScratchDir dir;
  std::ofstream(dir.Utf8Path() + "private.bin", std::ios::binary) << "attachment";
  ASSERT_EQ(chmod((dir.Utf8Path() + "private.bin").c_str(), 0600), 0);
  std::ofstream(dir.Utf8Path() + "taken.bin", std::ios::binary) << "older";
  const mode_t mask = umask(022);
  umask(mask);
  ASSERT_TRUE(mv::LinkFileAs(dir.Win1251Path() + "private.bin", dir.Win1251Path() + "staged.bin"));
  EXPECT_EQ(ReadBytes(dir.Utf8Path() + "staged.bin"), "attachment");
  struct stat info {};
  ASSERT_EQ(stat((dir.Utf8Path() + "staged.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
  // The first name going leaves the second.
  ASSERT_EQ(unlink((dir.Utf8Path() + "private.bin").c_str()), 0);
  EXPECT_EQ(ReadBytes(dir.Utf8Path() + "staged.bin"), "attachment");
  for (const char *from : {"staged.bin", "missing.bin"})
    EXPECT_FALSE(mv::LinkFileAs(dir.Win1251Path() + from, dir.Win1251Path() + "taken.bin")) << from;
  EXPECT_EQ(ReadBytes(dir.Utf8Path() + "taken.bin"), "older");

  // Where other users may enter the first name's directory and new files
  // are readable by them, the file is not shared.
  ASSERT_NE((0666 & ~mask) & 044, 0) << "the test runs under a umask that leaves new files readable";
  ASSERT_EQ(mkdir((dir.Utf8Path() + "open").c_str(), 0755), 0);
  std::ofstream(dir.Utf8Path() + "open/private.bin") << "attachment";
  ASSERT_EQ(chmod((dir.Utf8Path() + "open/private.bin").c_str(), 0600), 0);
  EXPECT_FALSE(mv::LinkFileAs(dir.Win1251Path() + "open/private.bin", dir.Win1251Path() + "shared.bin"));
  EXPECT_FALSE(mv::FileExists(dir.Win1251Path() + "shared.bin"));
}
