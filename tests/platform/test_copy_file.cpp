// File copies bigger than any single transfer, and sources whose reported
// size is not their content (the kernel's own files report 0).
#include "platform/FileSystem.h"

#include "ScratchDir.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {
std::string ReadAll(const std::string &diskPath) {
  std::ifstream in(diskPath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
} // namespace

TEST(CopyFile, LargeFileArrivesWholeWithItsWriteTime) {
  ScratchDir dir;
  std::string bytes(5 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>((i * 7 + i / 4096) & 255);
  std::ofstream(dir.DiskPath() + "big.bin", std::ios::binary) << bytes;
  const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir.DiskPath() + "big.bin").c_str(), times, 0), 0);

  ASSERT_TRUE(mv::CopyFileTo(dir.Path() + "big.bin", dir.Path() + "copy.bin", true));
  EXPECT_EQ(ReadAll(dir.DiskPath() + "copy.bin"), bytes);
  struct stat st {};
  ASSERT_EQ(stat((dir.DiskPath() + "copy.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1700000000);

  // Replacing a longer file leaves none of its old tail.
  std::ofstream(dir.DiskPath() + "small.bin", std::ios::binary) << "short";
  ASSERT_TRUE(mv::CopyFileTo(dir.Path() + "small.bin", dir.Path() + "copy.bin", false));
  EXPECT_EQ(ReadAll(dir.DiskPath() + "copy.bin"), "short");
  EXPECT_FALSE(mv::CopyFileTo(dir.Path() + "big.bin", dir.Path() + "copy.bin", true));
  EXPECT_EQ(ReadAll(dir.DiskPath() + "copy.bin"), "short");
}

TEST(CopyFile, SourceThatReportsNoSizeIsCopiedByItsContent) {
  ScratchDir dir;
  const std::string expected = ReadAll("/proc/self/cmdline");
  ASSERT_FALSE(expected.empty());
  ASSERT_TRUE(mv::CopyFileTo("/proc/self/cmdline", dir.Path() + "cmdline", true));
  EXPECT_EQ(ReadAll(dir.DiskPath() + "cmdline"), expected);
}

TEST(LinkFile, ASecondNameSharesTheBytesAndGetsANewFilesPermissions) {
  ScratchDir dir;
  std::ofstream(dir.DiskPath() + "private.bin", std::ios::binary) << "attachment";
  ASSERT_EQ(chmod((dir.DiskPath() + "private.bin").c_str(), 0600), 0);
  std::ofstream(dir.DiskPath() + "taken.bin", std::ios::binary) << "older";
  const mode_t mask = umask(022);
  umask(mask);
  ASSERT_TRUE(mv::LinkFileAs(dir.Path() + "private.bin", dir.Path() + "staged.bin"));
  EXPECT_EQ(ReadAll(dir.DiskPath() + "staged.bin"), "attachment");
  struct stat info {};
  ASSERT_EQ(stat((dir.DiskPath() + "staged.bin").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
  // The first name going leaves the second.
  ASSERT_EQ(unlink((dir.DiskPath() + "private.bin").c_str()), 0);
  EXPECT_EQ(ReadAll(dir.DiskPath() + "staged.bin"), "attachment");
  for (const char *from : {"staged.bin", "missing.bin"})
    EXPECT_FALSE(mv::LinkFileAs(dir.Path() + from, dir.Path() + "taken.bin")) << from;
  EXPECT_EQ(ReadAll(dir.DiskPath() + "taken.bin"), "older");
}
