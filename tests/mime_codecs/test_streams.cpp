#include "mime/IdCoder.h"
#include "platform/FileSystem.h"
#include "tests/support/ExpectError.h"

#include <gtest/gtest.h>

using mvtest::ExpectError;

TEST(MemoryStream, ReadsWritesAndSeeks) {
  TIdMemoryStream stream;
  stream.WriteString("hello");
  EXPECT_EQ(stream.Position(), 5);
  stream.SetPosition(1);
  EXPECT_EQ(stream.ReadString(3), "ell");
  EXPECT_EQ(stream.ReadString(10), "o");
  EXPECT_EQ(stream.ReadString(10), "");
  stream.SetPosition(7);
  stream.WriteString("!");
  EXPECT_EQ(stream.DataString(), std::string("hello\0\0!", 8));
  stream.SetSize(2);
  EXPECT_EQ(stream.Position(), 2);
  EXPECT_EQ(stream.DataString(), "he");
  char buffer[4];
  stream.SetPosition(0);
  EXPECT_THROW(stream.ReadBuffer(buffer, 3), EReadError);
}

TEST(ReadMemoryStream, ReadsWithoutCopyingAndRefusesWrites) {
  const std::string text = "abcdef";
  TIdReadMemoryStream stream(text.data(), static_cast<std::int64_t>(text.size()));
  EXPECT_EQ(stream.Size(), 6);
  EXPECT_EQ(stream.ReadString(2), "ab");
  EXPECT_EQ(stream.Write("zz", 2), 0);
  EXPECT_THROW(stream.WriteString("zz"), EWriteError);
  stream.Seek(-1, TSeekOrigin::soEnd);
  EXPECT_EQ(stream.ReadToEnd(), "f");
  EXPECT_EQ(text, "abcdef");
}

TEST(FileStream, CreatesReadsAndCopies) {
  const std::string path = mv::NewTempFile("codecs");
  {
    TIdFileStream file(path, TIdFileMode::fmCreate);
    TIdMemoryStream source("line one\r\nline two\r\n");
    EXPECT_EQ(file.CopyFrom(source, 0), 20);
    EXPECT_EQ(file.Size(), 20);
    EXPECT_EQ(file.Position(), 20);
  }
  {
    // The stream keeps its own position: it must follow every read and seek.
    TIdFileStream file(path, TIdFileMode::fmOpenRead);
    file.SetPosition(10);
    EXPECT_EQ(file.ReadToEnd(), "line two\r\n");
    EXPECT_EQ(file.Position(), 20);
    EXPECT_EQ(file.Write("x", 1), 0);
    EXPECT_EQ(file.Seek(-4, TSeekOrigin::soEnd), 16);
    EXPECT_EQ(file.Seek(1, TSeekOrigin::soCurrent), 17);
    EXPECT_EQ(file.ReadString(2), "o\r");
    EXPECT_EQ(file.Position(), 19);
  }
  {
    TIdFileStream file(path, TIdFileMode::fmOpenReadWrite);
    file.SetPosition(12);
    file.SetSize(4);
    EXPECT_EQ(file.Position(), 4);
    file.SetPosition(0);
    EXPECT_EQ(file.ReadToEnd(), "line");
  }
  EXPECT_TRUE(mv::DeleteFileAt(path));
}

TEST(FileStream, CreateLeavesTheFileEmptyWhateverItHeld) {
  for (const std::string &before : {std::string(), std::string("older and longer contents")}) {
    const std::string path = mv::NewTempFile("codecs");
    {
      TIdFileStream old(path, TIdFileMode::fmCreate);
      old.WriteString(before);
    }
    {
      TIdFileStream file(path, TIdFileMode::fmCreate);
      EXPECT_EQ(file.Size(), 0) << before;
      file.WriteString("new");
    }
    TIdFileStream file(path, TIdFileMode::fmOpenRead);
    EXPECT_EQ(file.ReadToEnd(), "new") << before;
    EXPECT_TRUE(mv::DeleteFileAt(path));
  }
}

TEST(FileStream, FailuresNameThePath) {
  const std::string missing = "/nonexistent-dir-for-codecs-test/a.txt";
  // "Не возможно открыть файл " in Windows-1251, then the path.
  ExpectError<EFOpenError>(
      [&] { TIdFileStream file(missing, TIdFileMode::fmOpenRead); },
      "\xCD\xE5 \xE2\xEE\xE7\xEC\xEE\xE6\xED\xEE \xEE\xF2\xEA\xF0\xFB\xF2\xFC \xF4\xE0\xE9\xEB " + missing);
  EXPECT_THROW(TIdFileStream(missing, TIdFileMode::fmCreate), EFCreateError);
  EXPECT_THROW(TIdFileStream("/tmp", TIdFileMode::fmOpenRead), EFOpenError);
}

TEST(FileStream, CyrillicPathIsStoredAsUtf8OnDisk) {
  const std::string dir = mv::NewTempFile("codecs") + ".d/";
  ASSERT_TRUE(mv::ForceDirectories(dir));
  const std::string path = dir + "\xCE\xF2\xF7\xB8\xF2.txt"; // "Отчёт.txt"
  {
    TIdFileStream file(path, TIdFileMode::fmCreate);
    file.WriteString("x");
  }
  EXPECT_TRUE(mv::FileExists(path));
  EXPECT_EQ(mv::FromDiskPath(mv::ToDiskPath(path)), path);
  EXPECT_TRUE(mv::DeleteFileAt(path));
}
