// The preliminary block scan: names (the compact Unicode encoding included),
// sizes and flags of both block formats, and damaged input.
#include "archive/RarScan.h"

#include "RarBuilder.h"
#include "RarTestSupport.h"

#include <gtest/gtest.h>

using namespace rartest;
using mv::rar::DecodeRarUnicodeName;
using mv::rar::RarFormat;
using mv::rar::ScanRarFile;

namespace {
std::string Decode(const std::string &field) {
  return DecodeRarUnicodeName(reinterpret_cast<const std::uint8_t *>(field.data()), field.size());
}
} // namespace

TEST(RarUnicodeName, DecodesEachModeOfTheCompactEncoding) {
  // high byte 0x04; modes 1,1,1,1 (low byte + high byte) then 0,0,0,0 (low byte alone)
  EXPECT_EQ(Decode(std::string("????.txt\0\x04\x55\x42\x35\x41\x42\x00.txt", 20)), "тест.txt");
  // mode 2: a whole 16-bit character (U+20AC)
  EXPECT_EQ(Decode(std::string("?\0\x00\x80\xAC\x20", 6)), "€");
  // mode 3: a run copied from the single-byte name, length 5 + 2
  EXPECT_EQ(Decode(std::string("abc.txt\0\x00\xC0\x05", 11)), "abc.txt");
  // mode 3 with a correction: single-byte name bytes + 0 under the high byte 0x04
  EXPECT_EQ(Decode(std::string("B5AB\0\x04\xC0\x82\x00", 9)), "тест");
  // a field without the zero byte holds UTF-8
  EXPECT_EQ(Decode("папка/файл.txt"), "папка/файл.txt");
}

TEST(RarUnicodeName, TruncatedEncodingsStayInsideTheField) {
  const std::string field("????.txt\0\x04\x55\x42\x35\x41\x42\xC0\x82\x00", 17);
  for (std::size_t n = 0; n <= field.size(); ++n) {
    std::string cut = field.substr(0, n); // a copy of its own size, so reading past it is caught
    std::string name = Decode(cut);
    EXPECT_LE(name.size(), 4 * cut.size());
  }
}

TEST(RarUnicodeName, MatchesTheNamesLibarchiveReads) {
  const mv::rar::RarListing listing = ScanRarFile(TestData("test_read_format_rar_unicode.rar"));
  ASSERT_EQ(listing.format, RarFormat::Rar4);
  ASSERT_EQ(listing.entries.size(), 6u);
  EXPECT_EQ(listing.entries[0].unicodeName, "表だよ\\新しいフォルダ\\新規テキスト ドキュメント.txt");
  EXPECT_EQ(listing.entries[1].unicodeName, "表だよ\\漢字長いファイル名long-filename-in-漢字.txt");
  EXPECT_TRUE(listing.entries[2].directory);
  EXPECT_TRUE(listing.entries[4].special); // the symbolic link
}

class RarScanTest : public RarTest {};

TEST_F(RarScanTest, ReadsFileBlocksOfTheRar29Format) {
  FileSpec cyrillic{"\xE2\xA5\xE1\xE2.txt", "data"}; // "тест.txt" in code page 866
  FileSpec unicode{"?", "u"};
  unicode.unicodeField = std::string("????.txt\0\x04\x55\x42\x35\x41\x42\x00.txt", 20);
  FileSpec dir{"dir", ""};
  dir.directory = true;
  // A declared size beyond 32 bits needs the high size fields (flag 0x100);
  // the builder writes 32-bit sizes, so this entry is built by hand.
  std::string body;
  Put32(body, 3);
  Put32(body, 0x23456789);
  body += char(2);
  Put32(body, Crc("xyz"));
  Put32(body, 0);
  body += char(20);
  body += char(0x30);
  Put16(body, 11);
  Put32(body, 0x20);
  Put32(body, 0); // high pack size
  Put32(body, 1); // high unpacked size
  body += "dir\\big.bin";
  std::string archive("Rar!\x1A\x07\x00", 7);
  archive += Rar4Block(0x73, 0, std::string(6, '\0'));
  archive += Rar4Block(0x74, 0x8100, body) + "xyz";
  archive += Rar4File(cyrillic) + Rar4File(unicode) + Rar4File(dir) + Rar4Block(0x7B, 0x4000, "");

  const auto listing = ScanRarFile(Archive("a.rar", archive));
  ASSERT_EQ(listing.entries.size(), 4u);
  EXPECT_EQ(listing.entries[0].name, "dir\\big.bin");
  EXPECT_EQ(listing.entries[0].unpSize, 0x123456789ULL);
  EXPECT_EQ(listing.entries[0].packSize, 3u);
  EXPECT_EQ(listing.entries[0].crc, Crc("xyz"));
  EXPECT_EQ(listing.entries[1].name, cyrillic.name);
  EXPECT_TRUE(listing.entries[1].unicodeName.empty());
  EXPECT_EQ(listing.entries[2].unicodeName, "тест.txt");
  EXPECT_EQ(listing.entries[2].name, "????.txt");
  EXPECT_TRUE(listing.entries[3].directory);
  EXPECT_FALSE(listing.damaged);
}

TEST_F(RarScanTest, WalkEndsAtABlockWithoutDataSize) {
  // A block the walk cannot step over (no 0x8000 flag) ends the list, and a
  // comment block is stepped over by its header size alone.
  const std::string comment = Rar4Block(0x75, 0, "comment text");
  const std::string odd = Rar4Block(0x79, 0, "xx");
  const auto listing = ScanRarFile(
      Archive("b.rar", BuildRar4({{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}}, {comment, odd})));
  ASSERT_EQ(listing.entries.size(), 2u);
  EXPECT_EQ(listing.entries[1].name, "b.txt");
}

TEST_F(RarScanTest, ReadsRar5FileHeaders) {
  FileSpec exe{"bin/tool", "#!", true, 0100755};
  FileSpec dir{"bin", "", true, 040755};
  dir.directory = true;
  FileSpec link{"bin/link", "", true, 0120777};
  link.symlinkTarget = "../../etc/passwd";
  FileSpec secret{"secret.txt", "s"};
  secret.encrypted = true;
  const auto listing = ScanRarFile(Archive("c.rar", BuildRar5({exe, dir, link, secret, {"файл.txt", "x"}})));
  ASSERT_EQ(listing.format, RarFormat::Rar5);
  ASSERT_EQ(listing.entries.size(), 5u);
  EXPECT_EQ(listing.entries[0].unicodeName, "bin/tool");
  EXPECT_EQ(listing.entries[0].hostOS, mv::rar::kHostUnix);
  EXPECT_EQ(listing.entries[0].attributes, 0100755u);
  EXPECT_EQ(listing.entries[0].crc, Crc("#!"));
  EXPECT_TRUE(listing.entries[1].directory);
  EXPECT_TRUE(listing.entries[2].special);
  EXPECT_TRUE(listing.entries[3].encrypted);
  EXPECT_TRUE(listing.entries[3].flags & mv::rar::kFileEncrypted);
  EXPECT_EQ(listing.entries[4].unicodeName, "файл.txt");
  EXPECT_TRUE(listing.entries[4].flags & mv::rar::kFileUnicodeName);
}

TEST_F(RarScanTest, DamagedHeadersEndTheWalkWithoutReadingOutside) {
  const std::string rar5 = BuildRar5({{"a.txt", "AAAA"}, {"b.txt", "BBBB"}});
  const std::string rar4 = BuildRar4({{"a.txt", "AAAA"}, {"b.txt", "BBBB"}});
  for (const std::string *whole : {&rar5, &rar4}) {
    const std::size_t full = ScanRarFile(Archive("whole.rar", *whole)).entries.size();
    EXPECT_EQ(full, 2u);
    for (std::size_t n = 0; n < whole->size(); ++n) {
      const auto listing = ScanRarFile(Archive("cut.rar", whole->substr(0, n)));
      EXPECT_LE(listing.entries.size(), full) << "cut at " << n;
    }
  }
  // A RAR 5 header whose CRC does not match is not believed.
  std::string bad = rar5;
  bad[bad.find("b.txt")] = 'c';
  const auto listing = ScanRarFile(Archive("bad.rar", bad));
  EXPECT_EQ(listing.entries.size(), 1u);
  EXPECT_TRUE(listing.damaged);
}

TEST_F(RarScanTest, FindsTheMarkerBehindDataInFront) {
  mv::rar::RarFormat format;
  const std::string path = Archive("sfx.rar", "MZ" + std::string(70000, 'x') + BuildRar5({{"a", "b"}}));
  EXPECT_EQ(mv::rar::FindRarMarker(path, format), 70002);
  EXPECT_EQ(format, RarFormat::Rar5);
  EXPECT_EQ(ScanRarFile(path).entries.size(), 1u);
  EXPECT_EQ(mv::rar::FindRarMarker(Archive("none.rar", std::string(100, 'R')), format), -1);
}

TEST(RarVolumes, NextVolumeNames) {
  using mv::rar::NextVolumeName;
  EXPECT_EQ(NextVolumeName("/x/set.part1.rar", true), "/x/set.part2.rar");
  EXPECT_EQ(NextVolumeName("/x/set.part09.rar", true), "/x/set.part10.rar");
  EXPECT_EQ(NextVolumeName("/x/set.part99.rar", true), "/x/set.part100.rar");
  EXPECT_EQ(NextVolumeName("/x/set.rar", false), "/x/set.r00");
  EXPECT_EQ(NextVolumeName("/x/set.r00", false), "/x/set.r01");
  EXPECT_EQ(NextVolumeName("/x/set.r99", false), "/x/set.s00");
  EXPECT_EQ(NextVolumeName("/x/SET.RAR", false), "/x/SET.R00");
}
