// Every archive of the shared ZIP corpus: extracted without a crash, a hang or
// a write outside the target, and every file compared with what 7-Zip makes
// of the same archive. The legacy methods no other tool here decodes
// (reduce) are checked against the payloads the corpus documents.
#include "ZipTestKit.h"

#include <gtest/gtest.h>

#include <set>

using namespace ziptest;

namespace {
const std::string kCorpus = MV_SOURCE_DIR "/../shared/corpus/zip";

std::uint32_t Crc(const std::string &bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string WithoutCr(std::string s) {
  std::erase(s, '\r');
  return s;
}

std::vector<std::string> CorpusArchives() {
  std::vector<std::string> out;
  for (const auto &item : fs::recursive_directory_iterator(kCorpus)) {
    const std::string path = item.path().string();
    if (item.is_regular_file() && item.path().extension() != ".md" && path.find("/raw/") == std::string::npos)
      out.push_back(path);
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Relative paths of the regular files below dir.
std::set<std::string> FilesBelow(const std::string &dir) {
  std::set<std::string> out;
  if (!fs::exists(dir))
    return out;
  for (const auto &item : fs::recursive_directory_iterator(dir))
    if (item.is_regular_file())
      out.insert(fs::relative(item.path(), dir).string());
  return out;
}

class ZipCorpus : public ::testing::Test {
protected:
  void SetUp() override {
    if (!fs::is_directory(kCorpus))
      GTEST_SKIP() << "no corpus at " << kCorpus;
  }
};
} // namespace

TEST_F(ZipCorpus, LegacyMethodsGiveTheDocumentedPayloads) {
  // The same three files packed with shrink, implode and reduce 1 to 4; the
  // imploded copy keeps them in folders and names the text in code page 866.
  struct Payload {
    const char *name;
    std::uint32_t crc;
  };
  const std::vector<Payload> flat = {
      {"TEST.EXE", 0xCFB109C8}, {"TEST.JPG", 0x088814E3}, {"TECT.TXT", 0x9BD160FA}};
  const std::vector<Payload> foldered = {
      {"EXE/TEST.EXE", 0xCFB109C8}, {"JPG/TEST.JPG", 0x088814E3}, {"тест.txt", 0x9BD160FA}};
  for (const char *name : {"Zip.shrink.zip", "Zip.implode.zip", "Zip.reduce1.zip", "Zip.reduce2.zip",
                           "Zip.reduce3.zip", "Zip.reduce4.zip"}) {
    SCOPED_TRACE(name);
    ScratchDir out;
    TUnZip unzip;
    Heard heard;
    heard.Attach(unzip);
    EXPECT_EQ(ExtractAll(unzip, kCorpus + "/sharpcompress/" + name, out.Win1251Path()), 3);
    EXPECT_TRUE(heard.reports.empty());
    for (const Payload &p : std::string(name) == "Zip.implode.zip" ? foldered : flat)
      EXPECT_EQ(Crc(ReadBytes(out.Utf8Path() + p.name)), p.crc) << p.name;
  }
  const std::string first = ReadBytes(kCorpus + "/zip-rs/raw/first.txt");
  for (const char *name : {"implode.zip", "reduce.zip", "shrink.zip"}) {
    SCOPED_TRACE(name);
    ScratchDir out;
    TUnZip unzip;
    Heard heard;
    heard.Attach(unzip);
    EXPECT_EQ(ExtractAll(unzip, kCorpus + "/zip-rs/" + name, out.Win1251Path()), 1);
    EXPECT_TRUE(heard.reports.empty());
    const std::set<std::string> files = FilesBelow(out.Utf8Path());
    ASSERT_EQ(files.size(), 1u);
    // The reference copy lost its carriage returns on the way into the corpus.
    EXPECT_EQ(WithoutCr(ReadBytes(out.Utf8Path() + *files.begin())), first);
  }
}

TEST_F(ZipCorpus, PathTraversalStaysInside) {
  for (const char *name : {"generated/g_pathtraversal_python.zip", "sharpcompress/Zip.Evil.zip"}) {
    SCOPED_TRACE(name);
    ScratchDir root;
    const std::string target = root.Utf8Path() + "in/";
    TUnZip unzip;
    EXPECT_GT(ExtractAll(unzip, kCorpus + "/" + name, mv::Utf8ToWin1251(target)), 0);
    for (const auto &item : fs::directory_iterator(root.Utf8Path()))
      EXPECT_EQ(item.path().filename(), "in");
  }
}

TEST_F(ZipCorpus, EveryArchiveAgreesWithSevenZip) {
  if (!Shell("command -v 7z"))
    GTEST_SKIP() << "7z is needed";
  int archives = 0, compared = 0;
  for (const std::string &archive : CorpusArchives()) {
    SCOPED_TRACE(archive);
    ScratchDir root;
    const std::string ours = root.Utf8Path() + "ours/", theirs = root.Utf8Path() + "theirs/";
    TUnZip unzip;
    std::set<std::string> crcFailed;
    unzip.OnEnd = [&](const std::string &name, bool ok) {
      if (!ok)
        crcFailed.insert(name);
    };
    ExtractAll(unzip, archive, mv::Utf8ToWin1251(ours));
    ++archives;
    // Nothing may appear beside the target directory.
    for (const auto &item : fs::directory_iterator(root.Utf8Path()))
      EXPECT_EQ(item.path().filename(), "ours");
    const bool sevenZipOk = Shell("7z x -y -pX '-o" + theirs + "' '" + archive + "'");
    for (const std::string &file : FilesBelow(ours)) {
      if (!fs::exists(theirs + file) || fs::is_symlink(theirs + file))
        continue;
      const std::string a = ReadBytes(ours + file), b = ReadBytes(theirs + file);
      if (a.empty() && !b.empty())
        continue; // a method we do not decode (LZMA, bzip2, PPMd, ...) leaves an empty file
      // Where the data is damaged the tools may stop at different places;
      // elsewhere every byte must agree, unless 7-Zip gave up on the archive
      // (reduce, which it cannot decode) and our output passed its CRC check.
      const bool ourCrcPassed = crcFailed.count(mv::Utf8ToWin1251(file)) == 0;
      if (ourCrcPassed && (sevenZipOk || a == b)) {
        EXPECT_TRUE(a == b) << file;
        ++compared;
      }
    }
  }
  EXPECT_GT(archives, 150);
  EXPECT_GT(compared, 300);
}
