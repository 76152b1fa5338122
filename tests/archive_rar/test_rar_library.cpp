// Our extraction library through its C interface, loaded as the component
// loads it: open results, header fields, data through the callback, writing.
#include "archive/RarScan.h"
#include "archive/Utf8.h"

#include "RarBuilder.h"
#include "RarTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>

using namespace rartest;

namespace {
struct Received {
  std::string data;
  int passwordRequests = 0;
  bool abortData = false;
};

int Collect(unsigned int msg, long userData, long p1, long p2) {
  auto *r = reinterpret_cast<Received *>(static_cast<std::intptr_t>(userData));
  if (msg == UCM_PROCESSDATA) {
    if (r->abortData)
      return -1;
    r->data.append(reinterpret_cast<const char *>(static_cast<std::intptr_t>(p1)), std::size_t(p2));
  } else if (msg == UCM_NEEDPASSWORD) {
    ++r->passwordRequests; // and no password
  }
  return 0;
}

class RarLibraryTest : public RarTest {
protected:
  const mv::rar::RarLibraryBinding &Lib() { return mv::rar::RarLibrary(); }

  void *Open(const std::string &path, unsigned int &result) {
    std::wstring wide = mv::WideFromUtf8(path);
    RAROpenArchiveDataEx data{};
    data.ArcNameW = wide.data();
    data.OpenMode = RAR_OM_EXTRACT;
    void *handle = Lib().OpenArchiveEx(&data);
    result = data.OpenResult;
    if (handle)
      Lib().SetCallback(handle, &Collect, static_cast<long>(reinterpret_cast<std::intptr_t>(&received_)));
    return handle;
  }

  // Reads the next header into header_; the library's result.
  int Next(void *handle) { return Lib().ReadHeaderEx(handle, header_.get()); }

  Received received_;
  std::unique_ptr<RARHeaderDataEx> header_ = std::make_unique<RARHeaderDataEx>();
};
} // namespace

TEST_F(RarLibraryTest, OpenResultSaysWhyAnArchiveCannotBeOpened) {
  unsigned int result = 0;
  EXPECT_EQ(Open((root_ / "missing.rar").string(), result), nullptr);
  EXPECT_EQ(result, unsigned(ERAR_EOPEN));
  EXPECT_EQ(Open(Archive("text.rar", "just some text, no archive at all"), result), nullptr);
  EXPECT_EQ(result, unsigned(ERAR_BAD_ARCHIVE));
}

TEST_F(RarLibraryTest, HeadersCarryTheStoredFields) {
  FileSpec oem{"DIR\\\xE2\xA5\xE1\xE2.TXT", "oem data"};
  oem.attributes = 0x21; // read-only, archive
  FileSpec wide{"?", "wide"};
  wide.unicodeField = std::string("????.txt\0\x04\x55\x42\x35\x41\x42\x00.txt", 20);
  unsigned int result = 1;
  void *h = Open(Archive("fields.rar", BuildRar4({oem, wide})), result);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(Next(h), ERAR_SUCCESS);
  EXPECT_STREQ(header_->FileName, oem.name.c_str()); // the stored OEM bytes, untranslated
  EXPECT_EQ(header_->UnpSize, 8u);
  EXPECT_EQ(header_->HostOS, 2u);
  EXPECT_EQ(header_->FileCRC, Crc("oem data"));
  EXPECT_EQ(header_->FileAttr, 0x21u);
  EXPECT_EQ(header_->Flags & RHDF_UNICODE, 0u);
  EXPECT_EQ(Lib().ProcessFile(h, RAR_SKIP, nullptr, nullptr), ERAR_SUCCESS);
  ASSERT_EQ(Next(h), ERAR_SUCCESS);
  EXPECT_NE(header_->Flags & RHDF_UNICODE, 0u);
  EXPECT_EQ(std::wstring(header_->FileNameW), L"тест.txt");
  EXPECT_EQ(Next(h), ERAR_END_ARCHIVE); // an entry left unprocessed is stepped over
  EXPECT_EQ(Lib().CloseArchive(h), ERAR_SUCCESS);
}

TEST_F(RarLibraryTest, TestOperationDeliversTheUnpackedDataInBlocks) {
  for (const char *name :
       {"test_read_format_rar5_multiple_files.rar", "test_read_format_rar_compress_normal.rar"}) {
    unsigned int result = 1;
    void *h = Open(TestData(name), result);
    ASSERT_NE(h, nullptr) << name;
    int files = 0;
    while (Next(h) == ERAR_SUCCESS) {
      received_.data.clear();
      ASSERT_EQ(Lib().ProcessFile(h, RAR_TEST, nullptr, nullptr), ERAR_SUCCESS) << header_->FileName;
      const bool link = header_->HostOS == 3 && (header_->FileAttr & 0xF000) == 0xA000;
      if (header_->UnpSize == 0 || link)
        continue; // nothing delivered for directories and links
      ++files;
      EXPECT_EQ(received_.data.size(), header_->UnpSize) << header_->FileName;
      EXPECT_EQ(Crc(received_.data), header_->FileCRC) << header_->FileName;
    }
    EXPECT_GE(files, 3) << name;
    Lib().CloseArchive(h);
  }
}

TEST_F(RarLibraryTest, ExtractWritesTheNamedFileOrAConfinedStoredPath) {
  const std::string archive =
      Archive("x.rar", BuildRar5({{"../../escape.txt", "one"}, {"/abs/dir/b.txt", "two"}}));
  unsigned int result = 1;
  void *h = Open(archive, result);
  ASSERT_NE(h, nullptr);
  const std::string out = (root_ / "out").string();
  fs::create_directories(out);
  ASSERT_EQ(Next(h), ERAR_SUCCESS);
  std::string named = (root_ / "named.txt").string();
  EXPECT_EQ(Lib().ProcessFile(h, RAR_EXTRACT, nullptr, named.data()), ERAR_SUCCESS);
  EXPECT_EQ(ReadAll(named), "one");
  ASSERT_EQ(Next(h), ERAR_SUCCESS);
  std::string dest = out;
  EXPECT_EQ(Lib().ProcessFile(h, RAR_EXTRACT, dest.data(), nullptr), ERAR_SUCCESS);
  EXPECT_EQ(ReadAll(root_ / "out/abs/dir/b.txt"), "two");
  Lib().CloseArchive(h);
}

TEST_F(RarLibraryTest, EncryptedEntryWithoutPasswordFails) {
  unsigned int result = 1;
  void *h = Open(TestData("test_read_format_rar4_encrypted.rar"), result);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(Next(h), ERAR_SUCCESS); // a.txt, plain
  EXPECT_EQ(Lib().ProcessFile(h, RAR_TEST, nullptr, nullptr), ERAR_SUCCESS);
  ASSERT_EQ(Next(h), ERAR_SUCCESS); // b.txt, encrypted
  EXPECT_NE(header_->Flags & RHDF_ENCRYPTED, 0u);
  EXPECT_EQ(Lib().ProcessFile(h, RAR_TEST, nullptr, nullptr), ERAR_MISSING_PASSWORD);
  EXPECT_EQ(received_.passwordRequests, 1);
  Lib().CloseArchive(h);
}

TEST_F(RarLibraryTest, DataIsNeverDeliveredPastTheDeclaredSize) {
  FileSpec liar{"liar.bin", std::string(5000, 'L')};
  liar.declaredSize = 100;
  unsigned int result = 1;
  void *h = Open(Archive("liar.rar", BuildRar5({liar})), result);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(Next(h), ERAR_SUCCESS);
  EXPECT_EQ(Lib().ProcessFile(h, RAR_TEST, nullptr, nullptr), ERAR_BAD_DATA);
  EXPECT_LE(received_.data.size(), 100u);
  Lib().CloseArchive(h);
}

TEST_F(RarLibraryTest, CallbackCanAbortAnEntry) {
  unsigned int result = 1;
  void *h = Open(Archive("a.rar", BuildRar4({{"a.txt", "abc"}})), result);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(Next(h), ERAR_SUCCESS);
  received_.abortData = true;
  EXPECT_NE(Lib().ProcessFile(h, RAR_TEST, nullptr, nullptr), ERAR_SUCCESS);
  Lib().CloseArchive(h);
}

TEST_F(RarLibraryTest, PlainHeaderRecordIsFilledToo) {
  unsigned int result = 1;
  void *h = Open(Archive("a.rar", BuildRar4({{"sub\\a.txt", "abc"}})), result);
  ASSERT_NE(h, nullptr);
  RARHeaderData plain{};
  ASSERT_EQ(Lib().ReadHeader(h, &plain), ERAR_SUCCESS);
  EXPECT_STREQ(plain.FileName, "sub\\a.txt");
  EXPECT_EQ(plain.UnpSize, 3u);
  EXPECT_EQ(plain.FileCRC, Crc("abc"));
  Lib().CloseArchive(h);
}
