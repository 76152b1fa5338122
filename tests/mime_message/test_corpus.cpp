// Messages made by other mail software: every one must read without a crash
// or a leak, what the manifest says a message holds must come out, and a copy
// written and read again must hold the same attachments.
#include "MessageTestUtil.h"

#include "mime/Koi8.h"
#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

using namespace testutil;
namespace fs = std::filesystem;

namespace {
const fs::path CorpusDir = fs::path(MV_SOURCE_DIR) / ".." / "shared" / "corpus" / "mail";

std::vector<fs::path> CorpusFiles() {
  std::vector<fs::path> files;
  for (const auto &entry : fs::recursive_directory_iterator(CorpusDir))
    if (entry.is_regular_file() && entry.path().filename() != "MANIFEST.md")
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// Sizes of the attachments the manifest's reference decoder reports, by
// "folder/file".
std::map<std::string, std::vector<long>> ManifestSizes() {
  std::map<std::string, std::vector<long>> result;
  std::istringstream manifest(ReadBytes((CorpusDir / "MANIFEST.md").string()));
  std::string folder, line;
  while (std::getline(manifest, line)) {
    // "## folder/ ..." opens a folder; "| `file` | ... | expected |" is a row.
    if (line.rfind("## ", 0) == 0 && line.find("/ ") != std::string::npos) {
      folder = line.substr(3, line.find("/ ") - 3);
    } else if (line.rfind("| `", 0) == 0 && line.size() > 4 && line.back() == '|') {
      const std::size_t nameEnd = line.find('`', 3);
      const std::size_t lastCell = line.rfind('|', line.size() - 2);
      if (nameEnd == std::string::npos || lastCell == std::string::npos || lastCell <= nameEnd)
        continue;
      std::string expected = line.substr(lastCell + 1, line.size() - 2 - lastCell);
      expected = expected.substr(0, expected.find("uudeview"));
      // Each attachment's size reads "(N B)".
      std::vector<long> sizes;
      for (std::size_t at = expected.find('('); at != std::string::npos; at = expected.find('(', at + 1)) {
        std::size_t digits = at + 1;
        while (digits < expected.size() && std::isdigit(static_cast<unsigned char>(expected[digits])))
          ++digits;
        if (digits > at + 1 && expected.compare(digits, 3, " B)") == 0)
          sizes.push_back(std::stol(expected.substr(at + 1, digits - at - 1)));
      }
      std::sort(sizes.begin(), sizes.end());
      result[folder + "/" + line.substr(3, nameEnd - 3)] = sizes;
    }
  }
  return result;
}

// Attachments the courier would file: those with a name.
std::vector<long> NamedAttachmentSizes(TIdMessage &m) {
  std::vector<long> sizes;
  for (int i = 0; i < m.Parts.Count(); ++i)
    if (auto *a = dynamic_cast<TIdAttachment *>(&m.Parts[i]); a && !a->FileName.empty())
      sizes.push_back(static_cast<long>(ReadBytes(a->StoredPath).size()));
  std::sort(sizes.begin(), sizes.end());
  return sizes;
}

// Names and bytes of the attachments; a name is written without its
// directories ('/evil/name' goes out as 'name').
std::vector<std::string> AttachmentSummary(TIdMessage &m) {
  std::vector<std::string> out;
  for (int i = 0; i < m.Parts.Count(); ++i)
    if (auto *a = dynamic_cast<TIdAttachment *>(&m.Parts[i])) {
      std::string name = a->FileName;
      if (name.find("=?") == std::string::npos)
        name = name.substr(name.find_last_of("/\\") + 1);
      out.push_back(name + " " + ReadBytes(a->StoredPath));
    }
  return out;
}

#define REQUIRE_CORPUS()                                                                                     \
  if (!fs::is_directory(CorpusDir))                                                                          \
  GTEST_SKIP() << "no corpus at " << CorpusDir

} // namespace

TEST(Corpus, EveryMessageReadsAndItsCopyHoldsTheSameAttachments) {
  REQUIRE_CORPUS();
  int read = 0;
  for (const fs::path &file : CorpusFiles()) {
    SCOPED_TRACE(file.string());
    TIdMessage m;
    try {
      m.ReadFromFile(file.string());
    } catch (const EIdException &) {
      // Broken input may fail with the reader's own texts, never otherwise.
      continue;
    }
    ++read;
    const std::string copy = WriteMessageText(m);
    TIdMessage back;
    ReadMessageText(back, copy);
    EXPECT_EQ(AttachmentSummary(back), AttachmentSummary(m));
  }
  EXPECT_GT(read, 400);
}

TEST(Corpus, GeneratedMessagesHoldTheirFiles) {
  REQUIRE_CORPUS();
  struct Case {
    const char *file;
    std::vector<std::pair<std::string, size_t>> attachments; // name as filed, size
  } cases[] = {
      {"gen-cp1251-encword-filename-zip.eml", {{"\xCE\xF2\xF7\xB8\xF2 \xE7\xE0 \xEC\xE0\xF0\xF2.zip", 486}}},
      {"gen-koi8r-encword-split-filename-rar.eml",
       {{"\xC0\xF0\xF5\xE8\xE2 \xE4\xEE\xEA\xF3\xEC\xE5\xED\xF2\xEE\xE2.rar", 606}}},
      {"gen-raw8bit-cp1251-filename-zip.eml", {{"\xCF\xF0\xE0\xE9\xF1-\xEB\xE8\xF1\xF2.zip", 486}}},
      // The RFC 2231 name wins over the plain fallback name, as mail readers take it.
      {"gen-rfc2231-cp1251-continuation-zip.eml",
       {{mv::Utf8ToWin1251("Договор поставки № 15 от 01.03.2003 (окончательная редакция).zip"), 4931}}},
      {"gen-uu-inside-mime-part-no-close-boundary.eml", {{"subdirs.rar", 606}}},
      {"gen-uuencode-inline-zip-rar.eml", {{"report.zip", 4931}, {"subdirs.rar", 606}}},
      {"gen-xxencode-inline-rar.eml", {{"comment15.rar", 210}}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.file);
    TIdMessage m;
    m.ReadFromFile((CorpusDir / "generated" / c.file).string());
    std::vector<std::pair<std::string, size_t>> got;
    for (int i = 0; i < m.Parts.Count(); ++i)
      if (auto *a = dynamic_cast<TIdAttachment *>(&m.Parts[i]); a && !a->FileName.empty())
        got.emplace_back(DecodeKoi8Word(a->FileName), ReadBytes(a->StoredPath).size());
    EXPECT_EQ(got, c.attachments);
  }
}

TEST(Corpus, SampleMatchesTheReferenceDecoder) {
  REQUIRE_CORPUS();
  const std::map<std::string, std::vector<long>> manifest = ManifestSizes();
  const char *sample[] = {"cpython/msg_07.txt",
                          "cpython/msg_13.txt",
                          "ddeboer-imap/multiple_nested_attachments.eml",
                          "ddeboer-imap/attachment_encoded_filename.eml",
                          "enmime/low-quality__malformed-base64-attach.raw",
                          "enmime/mail__attachment-only.raw",
                          "enmime/parts__multibase64.raw",
                          "hunnysoft/github-115.txt",
                          "hunnysoft/m0011.txt",
                          "hunnysoft/m0012.txt",
                          "hunnysoft/m0013.txt",
                          "hunnysoft/m1005.txt",
                          "hunnysoft/m2007.txt",
                          "hunnysoft/m3003.txt",
                          "hunnysoft/m4008.txt",
                          "mime-tools/double-bound.msg",
                          "mime-tools/multi-2gifs.msg",
                          "mime-tools/russian.msg",
                          "mime4j/boundary-name-clash.msg",
                          "php-mime-mail-parser/issue149.eml",
                          "ruby-mail/attachment__attachment_pdf.eml",
                          "ruby-mail/mime__email_with_similar_boundaries.eml"};
  for (const char *file : sample) {
    SCOPED_TRACE(file);
    auto it = manifest.find(file);
    ASSERT_NE(it, manifest.end());
    ASSERT_FALSE(it->second.empty());
    TIdMessage m;
    m.ReadFromFile((CorpusDir / file).string());
    EXPECT_EQ(NamedAttachmentSizes(m), it->second);
  }
}

TEST(Corpus, DecodedPicturesEqualTheOriginalFiles) {
  REQUIRE_CORPUS();
  TIdMessage m;
  m.ReadFromFile((CorpusDir / "hunnysoft" / "m0011.txt").string());
  int compared = 0;
  for (int i = 0; i < m.Parts.Count(); ++i)
    if (auto *a = dynamic_cast<TIdAttachment *>(&m.Parts[i]); a && !a->FileName.empty()) {
      EXPECT_EQ(ReadBytes(a->StoredPath),
                ReadBytes((CorpusDir / "hunnysoft" / "files" / a->FileName).string()))
          << a->FileName;
      ++compared;
    }
  EXPECT_EQ(compared, 3);
}
