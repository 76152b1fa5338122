#include "../qt_dialogs/QtTestSupport.h"
#include "../records/StoredSamples.h"
#include "RecordsSupport.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "records/PDel_Msg.h"
#include "records/PSend_Ms.h"
#include "settings/QtText.h"
#include "tests/support/Files.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <fstream>
#include <memory>

namespace {
struct ViewerTest : ::testing::Test {
  mvtest::ScratchDir dir;
  std::string kept, attach, tempAtt;
  void SetUp() override {
    kept = dir.Win1251Path() + "Kept/";
    attach = dir.Win1251Path() + "Attach/";
    tempAtt = attach + "Temp_Att/";
    ASSERT_TRUE(mv::ForceDirectories(kept) && mv::ForceDirectories(tempAtt));
    Write(kept + "a.eml", samples::kWithAttachment);
    Write(kept + "b.eml", samples::kDamaged);
    Write(kept + "c.eml", samples::kPlain);
  }
  static void Write(const std::string &path, const std::string &bytes) {
    mvtest::WriteBytes(mv::ToDiskPath(path), bytes);
  }
  static int RowOf(TStoredViewer &v, const std::string &path) {
    for (int row = 0; row < v.lvMessages->topLevelItemCount(); ++row)
      if (v.PathOf(row) == path)
        return row;
    return -1;
  }
  static void Select(TStoredViewer &v, int row) {
    v.lvMessages->setCurrentItem(v.lvMessages->topLevelItem(row));
  }
};
} // namespace

// Both viewers list the good copies; only the sent-messages viewer tells
// about the damaged one, once.
TEST_F(ViewerTest, ListingShowingAndDeletingWithADamagedCopyAmongGoodOnes) {
  for (const bool sent : {false, true}) {
    SCOPED_TRACE(sent ? "sent" : "deleted");
    mvtest::ErrorRecorder errors;
    std::unique_ptr<TStoredViewer> v;
    if (sent)
      v = std::make_unique<TSend_Msg>(nullptr, kept, attach, tempAtt);
    else
      v = std::make_unique<TDel_Msg>(nullptr, kept, attach, tempAtt);
    v->show();
    EXPECT_EQ(errors.texts, sent ? QStringList{"Unrecognized UUE encoding scheme."} : QStringList{});
    ASSERT_EQ(v->lvMessages->topLevelItemCount(), 2);
    EXPECT_EQ(v->windowTitle(), sent ? mv::Ui("  Отправленные сообщения")
                                     : mv::Ui(" Автоматически удаленные с сервера сообщения"));
    // The last row is selected and shown.
    EXPECT_TRUE(v->lvMessages->topLevelItem(1)->isSelected());

    const int withAttachment = RowOf(*v, kept + "a.eml"), plain = RowOf(*v, kept + "c.eml");
    ASSERT_GE(withAttachment, 0);
    ASSERT_GE(plain, 0);
    QTreeWidgetItem *row = v->lvMessages->topLevelItem(withAttachment);
    EXPECT_EQ(row->text(1), sent ? "r1@example.org, r2@example.org" : "sender@example.org");
    EXPECT_EQ(row->text(2), "10.01.2026");
    Select(*v, withAttachment);
    EXPECT_EQ(v->Memo1->toPlainText(), "second text");
    ASSERT_EQ(v->lvAttachments->topLevelItemCount(), 1);
    EXPECT_EQ(v->lvAttachments->topLevelItem(0)->text(0), mv::ToQt(samples::kAttachmentName));
    if (sent)
      mvtest::SaveShot(*v, "sent-viewer");
    else
      mvtest::SaveShot(*v, "deleted-viewer");
    Select(*v, plain);
    EXPECT_EQ(v->Memo1->toPlainText(), "plain line 1\nplain line 2");
    EXPECT_EQ(v->lvAttachments->topLevelItemCount(), 0);

    // Deleting the shown copy leaves the other row showing its own message.
    v->btnDelete->click();
    EXPECT_FALSE(mv::FileExists(kept + "c.eml"));
    EXPECT_TRUE(v->Memo1->toPlainText().isEmpty());
    ASSERT_EQ(v->lvMessages->topLevelItemCount(), 1);
    Select(*v, 0);
    EXPECT_EQ(v->Memo1->toPlainText(), "second text");
    Write(kept + "c.eml", samples::kPlain);
  }
}

TEST_F(ViewerTest, OpeningAnAttachmentWritesItOutOnceAndHandsItToTheDesktop) {
  Write(tempAtt + "stale.tmp", "old");
  TSend_Msg v(nullptr, kept, attach, tempAtt);
  mvtest::ErrorRecorder errors;
  v.show();
  mvtest::OpenRecorder opener;
  Select(v, RowOf(v, kept + "a.eml"));
  EXPECT_EQ(v.OpenAttachment(), std::string()); // no entry selected: nothing opens
  EXPECT_FALSE(mv::FileExists(tempAtt + "stale.tmp"));

  const std::string target = attach + samples::kAttachmentName;
  for (int time = 0; time < 2; ++time) {
    v.lvAttachments->setCurrentItem(v.lvAttachments->topLevelItem(0));
    emit v.lvAttachments->itemDoubleClicked(v.lvAttachments->topLevelItem(0), 0);
    if (time == 0)
      Write(target, "kept by the user");
  }
  EXPECT_EQ(opener.opened, (std::vector<std::string>{target, target}));
  EXPECT_EQ(mvtest::ReadBytes(mv::ToDiskPath(target)), "kept by the user");
  EXPECT_EQ(errors.texts.size(), 1); // the damaged copy at listing, nothing more
}
