#include "StoredSamples.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "records/StoredMessages.h"

#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {
void Write(const std::string &path1251, const std::string &bytes) {
  mvtest::WriteBytes(mv::ToDiskPath(path1251), bytes);
}

std::string Read(const std::string &path1251) {
  return mvtest::ReadBytes(mv::ToDiskPath(path1251));
}

struct StoredTest : ::testing::Test {
  mvtest::ScratchDir dir;
  std::string kept, attach, tempAtt;
  void SetUp() override {
    kept = dir.Win1251Path() + "Send/";
    attach = dir.Win1251Path() + "Attach/";
    tempAtt = attach + "Temp_Att/";
    for (const std::string &d : {kept, tempAtt})
      ASSERT_TRUE(mv::ForceDirectories(d));
    Write(kept + "SMsg.eml", samples::kWithAttachment);
    Write(kept + "C1_SMsg.eml", samples::kPlain);
    Write(kept + "C2_SMsg.eml", samples::kDamaged);
    Write(kept + "notes.txt", samples::kPlain); // not a message copy
  }
};
} // namespace

TEST_F(StoredTest, ListingLeavesOutUnreadableCopiesAndNamesEachError) {
  for (const mv::StoredKind kind : {mv::StoredKind::Deleted, mv::StoredKind::Sent}) {
    mv::StoredListing listing = mv::ListStoredMessages(kept, kind);
    std::sort(listing.Rows.begin(), listing.Rows.end(),
              [](const mv::StoredRow &a, const mv::StoredRow &b) { return a.Path < b.Path; });
    ASSERT_EQ(listing.Rows.size(), 2u);
    EXPECT_EQ(listing.Rows[0].Path, kept + "C1_SMsg.eml");
    EXPECT_EQ(listing.Rows[0].Second, kind == mv::StoredKind::Sent ? "r3@example.org" : "other@example.org");
    EXPECT_EQ(listing.Rows[1].Path, kept + "SMsg.eml");
    EXPECT_EQ(listing.Rows[1].Subject, "with attachment");
    EXPECT_EQ(listing.Rows[1].Date, "10.01.2026");
    EXPECT_EQ(listing.Rows[1].Second,
              kind == mv::StoredKind::Sent ? "r1@example.org, r2@example.org" : "sender@example.org");
    EXPECT_EQ(listing.Errors, std::vector<std::string>{"Unrecognized UUE encoding scheme."});
  }
  EXPECT_TRUE(mv::ListStoredMessages(dir.Win1251Path() + "empty/", mv::StoredKind::Sent).Rows.empty());
}

TEST_F(StoredTest, ShowsTheLastTextPartOrThePlainBodyAndTheDecodedAttachmentNames) {
  const mv::StoredContent both = mv::ReadStoredMessage(kept + "SMsg.eml");
  EXPECT_EQ(both.Text, std::vector<std::string>{"second text"});
  ASSERT_EQ(both.Attachments.size(), 1u);
  EXPECT_EQ(both.Attachments[0].Name, samples::kAttachmentName);
  EXPECT_EQ(both.Attachments[0].ContentType.rfind("application/octet-stream", 0), 0u);

  const mv::StoredContent plain = mv::ReadStoredMessage(kept + "C1_SMsg.eml");
  EXPECT_EQ(plain.Text, (std::vector<std::string>{"plain line 1", "plain line 2"}));
  EXPECT_TRUE(plain.Attachments.empty());
  EXPECT_THROW(mv::ReadStoredMessage(kept + "gone.eml"), std::exception);
}

TEST_F(StoredTest, AnAttachmentStandingFirstIsWrittenOutOnceWithoutTheExecuteBit) {
  Write(tempAtt + "leftover", "x");
  Write(tempAtt + "left.over", "x");
  mv::EmptyDirectoryFiles(tempAtt);
  std::vector<std::string> left;
  ListFiles(tempAtt, "*", left);
  EXPECT_TRUE(left.empty());

  const std::string path = mv::WriteOutStoredAttachment(kept + "SMsg.eml", samples::kAttachmentName, attach);
  EXPECT_EQ(path, attach + samples::kAttachmentName);
  EXPECT_EQ(Read(path), samples::kAttachmentBytes);
  struct stat info {};
  ASSERT_EQ(stat(mv::ToDiskPath(path).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0111, 0u);

  // The second opening finds the file there and leaves it as it is.
  Write(path, "changed by the user");
  EXPECT_EQ(mv::WriteOutStoredAttachment(kept + "SMsg.eml", samples::kAttachmentName, attach), path);
  EXPECT_EQ(Read(path), "changed by the user");

  // A name the message does not hold writes nothing; one that climbs out is refused.
  EXPECT_FALSE(mv::FileExists(mv::WriteOutStoredAttachment(kept + "SMsg.eml", "other.bin", attach)));
  for (const std::string name : {"../escape.txt", "..", "", "a/b"})
    EXPECT_THROW(mv::WriteOutStoredAttachment(kept + "SMsg.eml", name, attach), std::exception) << name;
}

TEST_F(StoredTest, DeletingRemovesTheFileAndAMissingOneIsNoError) {
  EXPECT_TRUE(mv::DeleteStoredMessage(kept + "SMsg.eml"));
  EXPECT_FALSE(mv::FileExists(kept + "SMsg.eml"));
  EXPECT_TRUE(mv::DeleteStoredMessage(kept + "SMsg.eml"));
}
