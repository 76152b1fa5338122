#include "QtTestSupport.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "settings/BrowseFolder.h"
#include "settings/NstrPath.h"
#include "settings/PFrmPath.h"
#include "settings/QtText.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using mv::IniFile;
using mv::Ui;

namespace {
struct RulesFixture : ::testing::Test {
  mvtest::ScratchDir dir;
  TFrmPath ruleDialog{nullptr};
  IniFile Ini() const { return IniFile(dir.Win1251Path() + "FilePath.ini"); }

  void StoreRules(const std::vector<std::array<std::string, 3>> &rules) {
    IniFile ini = Ini();
    for (size_t i = 0; i < rules.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      ini.WriteString("FilePath", "F" + n, rules[i][0]);
      ini.WriteString("FilePath", "A" + n, rules[i][1]);
      ini.WriteString("FilePath", "P" + n, rules[i][2]);
    }
    ini.WriteInteger("Count", "CNT", static_cast<int>(rules.size()));
  }
  static QStringList Row(const TNastrPath &w, int i) {
    const QTreeWidgetItem *row = w.ListView1->topLevelItem(i);
    return {row->text(0), row->text(1), row->text(2)};
  }
  static void Select(TNastrPath &w, int i) { w.ListView1->setCurrentItem(w.ListView1->topLevelItem(i)); }
  // Accepts the rule dialog after setting its three texts (mask, address, directory).
  void AcceptRuleWith(const QString &mask, const QString &address, const QString &directory) {
    mvtest::WhenModal([=](QWidget *modal) {
      auto *d = qobject_cast<TFrmPath *>(modal);
      ASSERT_NE(d, nullptr);
      d->Edit1->setText(mask);
      d->Edit3->setText(address);
      d->Edit2->setText(directory);
      d->btnOk->click();
    });
  }
};
} // namespace

TEST_F(RulesFixture, OpeningLoadsTheRulesInOrderWithTheColumnLayout) {
  StoreRules({{"*.xls", "*@bank.test", "/data/bank"}, {"", "", "/data/all"}});
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  EXPECT_EQ(window.windowTitle(), Ui("  Настройка  сохранения вложений"));
  window.show();
  ASSERT_EQ(window.ListView1->topLevelItemCount(), 2);
  EXPECT_EQ(Row(window, 0), (QStringList{"*.xls", "*@bank.test", "/data/bank"}));
  EXPECT_EQ(Row(window, 1), (QStringList{"", "", "/data/all"}));
  EXPECT_EQ(window.ListView1->headerItem()->text(0), Ui(" Маска файла"));
  EXPECT_EQ(window.ListView1->headerItem()->text(1), Ui(" Электронный адрес"));
  EXPECT_EQ(window.ListView1->headerItem()->text(2), Ui(" Директория"));
  EXPECT_EQ(window.ListView1->columnWidth(0), 130);
  EXPECT_EQ(window.ListView1->columnWidth(1), 130);
  EXPECT_EQ(window.ListView1->columnWidth(2), 500);
  window.close();
}

TEST_F(RulesFixture, WithoutACountSectionTheListStaysEmpty) {
  Ini().WriteString("FilePath", "F1", "*.doc");
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  window.show();
  EXPECT_EQ(window.ListView1->topLevelItemCount(), 0);
  window.close();
}

TEST_F(RulesFixture, ACountThatIsNotANumberIsShownAndLeavesTheListEmpty) {
  StoreRules({{"*.doc", "", "/x"}});
  Ini().WriteString("Count", "CNT", "two");
  mvtest::ErrorRecorder errors;
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  window.show();
  EXPECT_EQ(errors.texts, QStringList{"'two' is not a valid integer value."});
  EXPECT_EQ(window.ListView1->topLevelItemCount(), 0);
  window.close();
}

TEST_F(RulesFixture, SavingAnEmptyListLeavesOnlyACountOfZero) {
  StoreRules({{"*.doc", "", "/x"}});
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  window.show();
  Select(window, 0);
  window.btnDelete->click();
  window.btnOk->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(Ini().SectionExists("FilePath"));
  EXPECT_EQ(Ini().ReadString("Count", "CNT", ""), "0");
}

TEST_F(RulesFixture, DeletingTheMiddleRuleRenumbersWithoutAGap) {
  StoreRules({{"a", "1", "/a"}, {"b", "2", "/b"}, {"c", "3", "/c"}});
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  window.show();
  Select(window, 1);
  window.btnDelete->click();
  window.btnOk->click();
  IniFile ini = Ini();
  EXPECT_EQ(ini.ReadSection("FilePath"), (std::vector<std::string>{"F1", "A1", "P1", "F2", "A2", "P2"}));
  EXPECT_EQ(ini.ReadString("FilePath", "F2", ""), "c");
  EXPECT_EQ(ini.ReadString("FilePath", "P2", ""), "/c");
  EXPECT_EQ(ini.ReadString("Count", "CNT", ""), "2");
}

TEST_F(RulesFixture, AddRightAfterChangeProposesACopyOfTheChangedRule) {
  StoreRules({{"*.xls", "a@b", "/old"}});
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  window.show();
  Select(window, 0);
  AcceptRuleWith("*.xls", "a@b", Ui("/новый"));
  window.btnChange->click();
  EXPECT_EQ(ruleDialog.mode, TFrmPath::Mode::Change);
  EXPECT_EQ(Row(window, 0), (QStringList{"*.xls", "a@b", Ui("/новый")}));

  // The rule dialog kept its texts: accepting it unchanged adds an identical rule.
  mvtest::WhenModal([](QWidget *modal) {
    auto *d = qobject_cast<TFrmPath *>(modal);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->Edit2->text(), Ui("/новый"));
    EXPECT_TRUE(d->Edit1->hasFocus());
    d->btnOk->click();
  });
  window.btnAdd->click();
  EXPECT_EQ(ruleDialog.mode, TFrmPath::Mode::Add);
  ASSERT_EQ(window.ListView1->topLevelItemCount(), 2);
  EXPECT_EQ(Row(window, 1), Row(window, 0));

  window.btnOk->click();
  EXPECT_EQ(Ini().ReadString("FilePath", "P2", ""), mv::FromQt(Ui("/новый")));
  EXPECT_EQ(Ini().ReadString("Count", "CNT", ""), "2");
}

TEST_F(RulesFixture, ChangeAndDeleteWithoutASelectionDoNothingAndCancelWritesNothing) {
  StoreRules({{"a", "", "/a"}});
  const auto before = Ini().ReadSection("FilePath");
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  window.show();
  window.ListView1->clearSelection();
  window.ListView1->setCurrentItem(nullptr);
  window.btnDelete->click();
  window.btnChange->click(); // would block on the rule dialog if it opened
  EXPECT_EQ(window.ListView1->topLevelItemCount(), 1);

  AcceptRuleWith("b", "", "/b");
  window.btnAdd->click();
  EXPECT_EQ(window.ListView1->topLevelItemCount(), 2);
  window.btnCancel->click();
  EXPECT_EQ(Ini().ReadSection("FilePath"), before);
  EXPECT_EQ(Ini().ReadString("Count", "CNT", ""), "1");
}

TEST_F(RulesFixture, CancellingTheRuleDialogLeavesTheListAsItWas) {
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  window.show();
  mvtest::WhenModal([](QWidget *modal) {
    auto *d = qobject_cast<TFrmPath *>(modal);
    ASSERT_NE(d, nullptr);
    d->Edit1->setText("x");
    d->btnCancel->click();
  });
  window.btnAdd->click();
  EXPECT_EQ(window.ListView1->topLevelItemCount(), 0);
  window.close();
}

TEST_F(RulesFixture, ALineBreakInAnyFieldIsRefusedAndTheRuleDialogStaysOpen) {
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  window.show();
  const QStringList typed[] = {
      {"*.pdf\n", "", "/pdf"}, {"*", "a@b\r", "/pdf"}, {"*", "", "/pdf\n[Count]\nCNT=9"}};
  for (const QStringList &texts : typed) {
    mvtest::ErrorRecorder errors;
    bool stayedOpen = false;
    mvtest::WhenModal([&](QWidget *modal) {
      auto *d = qobject_cast<TFrmPath *>(modal);
      ASSERT_NE(d, nullptr);
      d->Edit1->setText(texts[0]);
      d->Edit3->setText(texts[1]);
      d->Edit2->setText(texts[2]);
      d->btnOk->click();
      stayedOpen = d->isVisible();
      d->btnCancel->click();
    });
    window.btnAdd->click();
    EXPECT_EQ(errors.texts, QStringList{QString::fromStdString(mv::ErrorDisplayText(mv::kLineBreakRefused))});
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(window.ListView1->topLevelItemCount(), 0);
  }
  window.close();
}

TEST_F(RulesFixture, AFailedSaveIsShownAndTheWindowStaysOpen) {
  TNastrPath window(nullptr, dir.Win1251Path(), ruleDialog);
  window.show();
  AcceptRuleWith("*.pdf", "", "/pdf");
  window.btnAdd->click();
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.Utf8Path() + "FilePath.ini")));
  mvtest::ErrorRecorder errors;
  window.btnOk->click();
  ASSERT_EQ(errors.texts.size(), 1);
  EXPECT_TRUE(errors.texts[0].startsWith("Unable to write to ")) << errors.texts[0].toStdString();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.ListView1->topLevelItemCount(), 1);
  window.close();
}

TEST_F(RulesFixture, TheFolderBrowserStartsAtTheRootWhateverTheEditHolds) {
  mvtest::ScratchDir chosen;
  ruleDialog.Edit2->setText("/somewhere/else");
  const QString target = QDir::cleanPath(QString::fromStdString(chosen.Utf8Path()));
  mvtest::WhenModal([target](QWidget *modal) {
    auto *browser = qobject_cast<QFileDialog *>(modal);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->directory().absolutePath(), "/");
    EXPECT_EQ(browser->fileMode(), QFileDialog::Directory);
    // Nothing is typed for the user: choosing takes the folder shown. The
    // folder is entered as by a double click; setting the name box instead
    // would race its focus, which a visible dialog's box may hold.
    const auto *nameBox = browser->findChild<QLineEdit *>("fileNameEdit");
    ASSERT_NE(nameBox, nullptr);
    EXPECT_EQ(nameBox->text(), "");
    browser->setDirectory(target);
    static_cast<QDialog *>(browser)->accept(); // QFileDialog::accept, reached through the base
  });
  ruleDialog.BrowseClick();
  EXPECT_EQ(ruleDialog.Edit2->text(), target);

  mvtest::WhenModal([](QWidget *modal) { modal->close(); });
  ruleDialog.BrowseClick();
  EXPECT_EQ(ruleDialog.Edit2->text(), target); // cancelled: left as it was
}
