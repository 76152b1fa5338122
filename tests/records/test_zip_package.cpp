#include "platform/CodePage.h"
#include "records/ZipPackage.h"

#include "tests/support/Files.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/Shell.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using mvtest::CommandOutput;

// A package made by zip (deflated entries) gets stored entries added and one
// replaced; unzip finds every entry whole, the old ones byte for byte.
TEST(ZipPackage, EntriesAreAddedAndReplacedWithoutUnpackingTheOthers) {
  mvtest::ScratchDir dir;
  const std::string d = dir.Utf8Path();
  std::ofstream(d + "mimetype") << "application/vnd.oasis.opendocument.text";
  std::ofstream(d + "content.xml") << std::string(5000, 'c') << "end";
  std::ofstream(d + "old.xml") << "old";
  ASSERT_EQ(
      CommandOutput("cd " + d +
                    " && zip -q -X -0 in.zip mimetype && zip -q -X -9 in.zip content.xml old.xml && echo ok"),
      "ok\n");
  const std::string binary("\x89PNG\0\x01\xff", 7);
  const std::string out =
      mv::AddToZipPackage(mvtest::ReadBytes(d + "in.zip"),
                          {{"styles.xml", "<styles/>"}, {"old.xml", "new"}, {"Pictures/a.png", binary}});
  std::ofstream(d + "out.zip", std::ios::binary) << out;

  EXPECT_NE(CommandOutput("unzip -tq " + d + "out.zip").find("No errors detected"), std::string::npos);
  EXPECT_EQ(CommandOutput("unzip -Z1 " + d + "out.zip"),
            "mimetype\ncontent.xml\nstyles.xml\nold.xml\nPictures/a.png\n");
  struct Case {
    const char *entry;
    std::string bytes;
  } cases[] = {{"mimetype", "application/vnd.oasis.opendocument.text"},
               {"content.xml", std::string(5000, 'c') + "end"},
               {"styles.xml", "<styles/>"},
               {"old.xml", "new"},
               {"Pictures/a.png", binary}};
  for (const Case &c : cases)
    EXPECT_EQ(CommandOutput("unzip -p " + d + "out.zip " + c.entry), c.bytes) << c.entry;

  EXPECT_THROW(mv::AddToZipPackage("not a zip at all, just some text", {}), std::exception);
}
