#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {
void Touch(const std::string &path1251, const std::string &text = "x") {
  std::ofstream(mv::ToDiskPath(path1251), std::ios::binary) << text;
}

std::string ReadAll(const std::string &path1251) {
  return mvtest::ReadBytes(mv::ToDiskPath(path1251));
}

std::vector<std::string> List(const std::string &dir, const std::string &mask) {
  std::vector<std::string> out;
  ListFiles(dir, mask, out);
  return out;
}
} // namespace

TEST(MatchMask, WholeTextWildcardsWithLetterCaseSignificant) {
  EXPECT_TRUE(MatchMask("ivan@mail.example.org", "*@mail.example.org"));
  EXPECT_TRUE(MatchMask("ivan@mail.example.org", "*example*"));
  EXPECT_TRUE(MatchMask("ivan@mail.example.org", "i*@*.org"));
  EXPECT_FALSE(MatchMask("IVAN@MAIL.EXAMPLE.ORG", "*@mail.example.org"));
  EXPECT_FALSE(MatchMask("ivan@mail.example.org.ru", "*@mail.example.org"));
  // Cyrillic letters compare by byte too: "Иван" does not match "иван".
  EXPECT_TRUE(MatchMask("\xE8\xE2\xE0\xED", "\xE8*"));
  EXPECT_FALSE(MatchMask("\xC8\xE2\xE0\xED", "\xE8*"));
  // Without a star the lengths must agree; '?' is exactly one character.
  EXPECT_TRUE(MatchMask("abc", "a?c"));
  EXPECT_FALSE(MatchMask("abbc", "a?c"));
  EXPECT_FALSE(MatchMask("ab", "a?c"));
  EXPECT_FALSE(MatchMask("", ""));
  EXPECT_FALSE(MatchMask("", "?"));
  // Stars: runs act as one, the empty run counts, the tail must not overlap the head.
  EXPECT_TRUE(MatchMask("", "*"));
  EXPECT_TRUE(MatchMask("abc", "a**c"));
  EXPECT_TRUE(MatchMask("ac", "a*c"));
  EXPECT_FALSE(MatchMask("a", "a*a"));
  EXPECT_TRUE(MatchMask("aa", "a*a"));
  EXPECT_TRUE(MatchMask("abxbyd", "a*b?d")); // the tail is anchored at the end
  EXPECT_FALSE(MatchMask("abcbd", "a*b?d"));
  EXPECT_TRUE(MatchMask("xaaab", "*a?b"));
  EXPECT_FALSE(MatchMask("abc", "*d*"));
  EXPECT_TRUE(MatchMask("mississippi", "*sip*"));
}

TEST(ListFiles, SearchIgnoresLetterCaseCyrillicIncludedAndRecurses) {
  mvtest::ScratchDir dir;
  const std::string base = dir.Win1251Path();
  mv::ForceDirectories(base + "sub/deeper");
  mv::ForceDirectories(base + "other.pdf"); // a directory matching the mask is descended into
  Touch(base + "report.pdf");
  Touch(base + "\xCE\xD2\xD7\xB8\xD2.PDF"); // ОТЧЁТ.PDF
  Touch(base + "notes.txt");
  Touch(base + "README");
  Touch(base + ".hidden.pdf");
  Touch(base + "sub/inner.pdf"); // not reached: "sub" does not match "*.pdf"
  Touch(base + "other.pdf/x.pdf");

  EXPECT_EQ(List(base, "*.PDF"),
            (std::vector<std::string>{base + ".hidden.pdf", base + "other.pdf/x.pdf", base + "report.pdf",
                                      base + "\xCE\xD2\xD7\xB8\xD2.PDF"}));
  // The Cyrillic search in small letters finds the name written in capitals.
  EXPECT_EQ(List(base, "\xEE\xF2\xF7\xB8\xF2.*"),
            (std::vector<std::string>{base + "\xCE\xD2\xD7\xB8\xD2.PDF"}));
  EXPECT_EQ(List(base, "\xEE\xF2\xF7\xE5\xF2.*"), (std::vector<std::string>{})); // е is not ё
  EXPECT_EQ(List(base, "n?tes.t?t"), (std::vector<std::string>{base + "notes.txt"}));
  // "*.*" finds everything, names without a dot too, in every subdirectory.
  const auto all = List(base.substr(0, base.size() - 1), "*.*"); // no trailing '/': one is added
  EXPECT_EQ(all.size(), 7u);
  EXPECT_NE(std::find(all.begin(), all.end(), base + "README"), all.end());
  EXPECT_NE(std::find(all.begin(), all.end(), base + "sub/inner.pdf"), all.end());
  EXPECT_TRUE(List(base + "missing/", "*.*").empty());
}

TEST(FileSystem, DirectoriesMovesCopiesAndDeletes) {
  mvtest::ScratchDir dir;
  const std::string base = dir.Win1251Path();
  const std::string deep = base + "\xC0\xF0\xF5\xE8\xE2/2024/"; // Архив/2024/
  EXPECT_TRUE(mv::ForceDirectories(deep));
  EXPECT_TRUE(mv::DirectoryExists(deep));
  EXPECT_TRUE(mv::ForceDirectories(deep)); // already there
  Touch(base + "blocker");
  EXPECT_FALSE(mv::ForceDirectories(base + "blocker/sub"));

  Touch(base + "a.txt", "first");
  Touch(base + "b.txt", "second");
  EXPECT_TRUE(mv::FileExists(base + "a.txt"));
  EXPECT_FALSE(mv::FileExists(deep));
  EXPECT_EQ(mv::FileSize(base + "a.txt"), 5);
  EXPECT_EQ(mv::FileSize(base + "none"), -1);

  // A copy that must not overwrite fails on an existing target and leaves it alone.
  EXPECT_FALSE(mv::CopyFileTo(base + "a.txt", base + "b.txt", true));
  EXPECT_EQ(ReadAll(base + "b.txt"), "second");
  EXPECT_TRUE(mv::CopyFileTo(base + "a.txt", base + "b.txt", false));
  EXPECT_EQ(ReadAll(base + "b.txt"), "first");
  EXPECT_TRUE(mv::CopyFileTo(base + "a.txt", deep + "c.txt", true));
  EXPECT_FALSE(mv::CopyFileTo(base + "none", base + "d.txt", true));
  EXPECT_FALSE(mv::FileExists(base + "d.txt"));

  // A move never replaces an existing file.
  Touch(base + "b.txt", "second");
  EXPECT_FALSE(mv::RenameFile(base + "a.txt", base + "b.txt"));
  EXPECT_EQ(ReadAll(base + "b.txt"), "second");
  EXPECT_TRUE(mv::RenameFile(base + "a.txt", deep + "\xF4\xE0\xE9\xEB.txt"));
  EXPECT_FALSE(mv::FileExists(base + "a.txt"));
  EXPECT_EQ(ReadAll(deep + "\xF4\xE0\xE9\xEB.txt"), "first");

  EXPECT_TRUE(mv::DeleteFileAt(base + "b.txt"));
  EXPECT_FALSE(mv::DeleteFileAt(base + "b.txt"));
  EXPECT_GT(mv::FreeDiskSpace(base), 0);
}

TEST(FileSystem, TempFilesAreNewAndEmptyInTheTemporaryDirectory) {
  mvtest::ScratchDir dir;
  const char *old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  setenv("TMPDIR", dir.Utf8Path().c_str(), 1);
  const std::string first = mv::NewTempFile("att");
  const std::string second = mv::NewTempFile("att");
  if (old)
    setenv("TMPDIR", saved.c_str(), 1);
  else
    unsetenv("TMPDIR");
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind(dir.Win1251Path() + "att", 0), 0u) << first;
  EXPECT_EQ(mv::FileSize(first), 0);
  EXPECT_EQ(mv::FileSize(second), 0);
}

TEST(FileSystem, ExecutableDirIsTheTestProgramsDirectory) {
  const std::string exeDir = mv::ExecutableDir();
  ASSERT_FALSE(exeDir.empty());
  EXPECT_EQ(exeDir.back(), '/');
  EXPECT_TRUE(mv::DirectoryExists(exeDir));
  EXPECT_EQ(exeDir, std::string(MV_BINARY_DIR) + "/bin/");
}

TEST(FileSystem, AProgramDirectoryOutsideWindows1251IsReachedExactly) {
  const struct {
    const char *name; // on disk, UTF-8
    bool lossy;       // Windows-1251 cannot hold it
  } names[] = {{"caf\xC3\xA9", true},
               {"Gr\xC3\xBC\xC3\x9F"
                "e",
                true},
               {"\xE6\xBC\xA2\xE5\xAD\x97", true},
               {"bad\xFF"
                "byte",
                true},
               {"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82\xD1\x8B", false}}; // Отчёты
  mvtest::ScratchDir scratch;
  for (const auto &n : names) {
    SCOPED_TRACE(n.name);
    const std::string disk = scratch.Utf8Path() + n.name + "/";
    ASSERT_TRUE(std::filesystem::create_directory(disk));
    const std::string base = mv::HoldDiskDirectory(disk);
    EXPECT_EQ(base.find('?') != std::string::npos, n.lossy);
    EXPECT_EQ(mv::ToDiskPath(base), disk);
    EXPECT_TRUE(mv::DirectoryExists(base));
    // The working directories and files under the held text land inside the
    // real directory, and listings give them back under the same text.
    ASSERT_TRUE(mv::ForceDirectories(base + "Temp/"));
    EXPECT_TRUE(std::filesystem::is_directory(disk + "Temp"));
    Touch(base + "Temp/\xCF\xE8\xF1\xFC\xEC\xEE.txt", "text"); // Письмо.txt
    EXPECT_EQ(List(base, "*"), std::vector<std::string>{base + "Temp/\xCF\xE8\xF1\xFC\xEC\xEE.txt"});
    EXPECT_TRUE(mv::RenameFile(base + "Temp/\xCF\xE8\xF1\xFC\xEC\xEE.txt", base + "kept.txt"));
    EXPECT_TRUE(mv::CopyFileTo(base + "kept.txt", base + "copy.txt", true));
    EXPECT_EQ(ReadAll(base + "copy.txt"), "text");
    EXPECT_TRUE(std::filesystem::exists(disk + "copy.txt"));
  }
}

namespace {
// Plain backtracking, the meaning the matcher must agree with.
bool ReferenceMatch(const char *text, const char *mask) {
  if (*mask == '\0')
    return *text == '\0';
  if (*mask == '*')
    return ReferenceMatch(text, mask + 1) || (*text != '\0' && ReferenceMatch(text + 1, mask));
  return *text != '\0' && (*mask == '?' || *mask == *text) && ReferenceMatch(text + 1, mask + 1);
}
} // namespace

TEST(MatchMask, AgreesWithBacktrackingOnManySmallCases) {
  unsigned seed = 12345;
  auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 16; };
  const char textLetters[] = "ab";
  const char maskLetters[] = "ab?*";
  for (int round = 0; round < 20000; ++round) {
    std::string text, mask;
    for (unsigned n = next() % 7; n > 0; --n)
      text += textLetters[next() % 2];
    for (unsigned n = 1 + next() % 6; n > 0; --n)
      mask += maskLetters[next() % 4];
    const bool expected = !text.empty() || mask.find('*') != std::string::npos
                              ? ReferenceMatch(text.c_str(), mask.c_str())
                              : false;
    ASSERT_EQ(MatchMask(text, mask), expected) << "text '" << text << "' mask '" << mask << "'";
  }
}
