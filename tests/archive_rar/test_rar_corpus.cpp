// Every archive of the shared RAR corpus goes through the component. Where
// the corpus manifest records that bsdtar extracts an archive completely, our
// files must hold the same bytes; the archives of the shared payload must give
// its known CRCs whatever format or volume set carries them; the rest must
// simply end without harm.
#include "archive/RarScan.h"
#include "archive/UnRar.h"

#include "RarTestSupport.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <set>

using namespace rartest;

namespace {
const fs::path kCorpus = fs::path(MV_SOURCE_DIR) / ".." / "shared" / "corpus" / "rar";

// Archive path (relative to the corpus) -> bsdtar extracted it completely.
std::map<std::string, bool> ReadManifest() {
  std::map<std::string, bool> rows;
  std::ifstream in(kCorpus / "MANIFEST.md");
  std::string line, folder;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) { // "## libarchive/ - origin (licence)"
      folder = line.substr(3, line.find('/') - 3);
    } else if (!folder.empty() && line.rfind("| `", 0) == 0) { // "| `name` | what | tools |"
      const std::size_t end = line.find('`', 3);
      const std::string tools = line.substr(line.rfind('|', line.size() - 2));
      rows[folder + "/" + line.substr(3, end - 3)] = tools.find("extract OK") != std::string::npos;
    }
  }
  return rows;
}

std::uint32_t Crc(const std::string &s) {
  return std::uint32_t(crc32(0, reinterpret_cast<const Bytef *>(s.data()), uInt(s.size())));
}

// The name a UTF-8 stored name gets on disk after the trip through the
// program's Windows-1251 names.
std::string AsWritten(const std::string &utf8) {
  return mv::Win1251ToUtf8(mv::Utf8ToWin1251Name(utf8));
}

// bsdtar reads one file only: its output for a volume set is partial.
bool IsVolume(const fs::path &archive) {
  return mv::rar::ScanRarFile(archive.string()).volume;
}

// Archives where bsdtar "extracts" what we rightly do not.
const std::set<std::string> kKnownDifferences = {
    // an entry that declares encryption: we ask for the password and get none
    "libarchive/test_read_format_rar5_only_crypt_exfld.rar",
    // bsdtar takes the stored ZIP near the end for the archive itself
    "libarchive/test_read_format_rar5_zip_in_rar.rar",
    // more output than the declared 4 bytes: bsdtar cuts it silently, we fail the entry
    "libarchive/test_read_format_rar_unbound_staticdata.rar",
    // file-copy references: bsdtar writes them empty, we do not create them
    "rarfile/rar5-dups.rar",
};

class RarCorpusTest : public RarTest {
protected:
  void SetUp() override {
    if (!fs::is_directory(kCorpus))
      GTEST_SKIP() << "no corpus at " << kCorpus;
    RarTest::SetUp();
  }
};
} // namespace

TEST_F(RarCorpusTest, ExtractsWhatBsdtarExtractsAndHarmsNothing) {
  const bool haveBsdtar = std::system("bsdtar --version > /dev/null 2>&1") == 0;
  const std::map<std::string, bool> manifest = ReadManifest();
  ASSERT_GT(manifest.size(), 200u);
  // The payload most archives of one origin share: name -> CRC-32.
  const std::map<std::string, std::uint32_t> payload = {
      {"test.exe", 0xcfb109c8}, {"test.jpg", 0x088814e3}, {"тест.txt", 0x9bd160fa}};
  int compared = 0, payloadFiles = 0;
  for (const auto &[relative, bsdtarComplete] : manifest) {
    const fs::path archive = kCorpus / relative;
    if (!fs::is_regular_file(archive))
      continue;
    const fs::path ours = root_ / "ours";
    const fs::path ref = root_ / "ref";
    fs::remove_all(ours);
    fs::remove_all(ref);
    TUnRar unrar;
    unrar.SetArchiveFile(archive.string());
    unrar.SetExtractDir(ours.string());
    unrar.FileSpec.push_back("*.*");
    const int count = unrar.Extract();
    const auto got = FilesBelow(ours);
    EXPECT_LE(std::size_t(count), got.size()) << relative;
    for (const auto &[name, bytes] : got) {
      const auto known = payload.find(fs::path(name).filename().string());
      if (relative.rfind("sharpcompress/", 0) == 0 && known != payload.end()) {
        ++payloadFiles;
        EXPECT_EQ(Crc(bytes), known->second) << relative << ": " << name;
      }
    }
    if (!bsdtarComplete || !haveBsdtar || IsVolume(archive) || kKnownDifferences.count(relative))
      continue;
    fs::create_directories(ref);
    const std::string command =
        "timeout 60 bsdtar -xf '" + archive.string() + "' -C '" + ref.string() + "' > /dev/null 2>&1";
    const auto expected =
        std::system(command.c_str()) == 0 ? FilesBelow(ref) : std::map<std::string, std::string>{};
    if (expected.empty())
      continue; // nothing to compare with (links refused, a stub bsdtar does not step over)
    for (const auto &[name, bytes] : expected) {
      const auto same = got.find(AsWritten(name));
      if (same != got.end()) {
        EXPECT_TRUE(same->second == bytes) << relative << ": " << name << " differs (" << same->second.size()
                                           << " bytes, expected " << bytes.size() << ")";
        continue;
      }
      // A name in no Unicode form is stored in a code page bsdtar leaves as
      // it is and we translate: find the file by its bytes.
      bool found = false;
      for (const auto &g : got)
        found = found || g.second == bytes;
      EXPECT_TRUE(found) << relative << ": " << name << " missing";
    }
    EXPECT_EQ(got.size(), expected.size()) << relative;
    ++compared;
  }
  if (haveBsdtar) {
    EXPECT_GE(compared, 50); // the comparison must not quietly run dry
  }
  EXPECT_GT(payloadFiles, 30);
}
