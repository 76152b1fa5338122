#include "QtTestSupport.h"
#include "platform/IniFile.h"
#include "settings/PInterv.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

using mv::IniFile;

namespace {
struct IntervalFixture : ::testing::Test {
  mvtest::ScratchDir dir;
  QTimer timer;
  void SetUp() override { timer.setInterval(300000); }
  void Store(const std::string &value) {
    IniFile(dir.Win1251Path() + "FilePath.ini").WriteString("Interval", "INT", value);
  }
  QString Breakdown(const TInterv &d) const {
    return d.lblHours->text() + "/" + d.lblMinutes->text() + "/" + d.lblSeconds->text();
  }
};
} // namespace

TEST_F(IntervalFixture, WithoutAStoredValueShows60AndAppliesItEvenWhenCancelled) {
  TInterv dialog(nullptr, dir.Win1251Path(), timer);
  dialog.show();
  EXPECT_EQ(dialog.dxSpinEdit1->value(), 60);
  EXPECT_EQ(Breakdown(dialog), "0/1/0");
  EXPECT_EQ(timer.interval(), 60000);
  dialog.btnCancel->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir.Utf8Path() + "FilePath.ini")));
  EXPECT_EQ(timer.interval(), 60000);
}

TEST_F(IntervalFixture, StoredValuesOutsideTheRangeAreBroughtToTheNearestBound) {
  Store("0");
  {
    TInterv dialog(nullptr, dir.Win1251Path(), timer);
    dialog.show();
    EXPECT_EQ(dialog.dxSpinEdit1->value(), 1);
    EXPECT_EQ(timer.interval(), 1000);
  }
  Store("250000");
  TInterv dialog(nullptr, dir.Win1251Path(), timer);
  dialog.show();
  EXPECT_EQ(dialog.dxSpinEdit1->value(), 100000);
  EXPECT_EQ(timer.interval(), 100000 * 1000);
}

TEST_F(IntervalFixture, OkErasesTheSectionAndWritesTheValue) {
  IniFile ini(dir.Win1251Path() + "FilePath.ini");
  ini.WriteString("Interval", "Stale", "x");
  ini.WriteString("Interval", "INT", "90");
  TInterv dialog(nullptr, dir.Win1251Path(), timer);
  dialog.show();
  EXPECT_EQ(dialog.dxSpinEdit1->value(), 90);
  dialog.dxSpinEdit1->setValue(3725);
  EXPECT_EQ(Breakdown(dialog), "1/2/5");
  dialog.dxSpinEdit1->setValue(100000);
  dialog.btnOk->click();
  EXPECT_EQ(Breakdown(dialog), "27/46/40");
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(ini.ReadSection("Interval"), std::vector<std::string>{"INT"});
  EXPECT_EQ(ini.ReadString("Interval", "INT", ""), "100000");
  EXPECT_EQ(timer.interval(), 100000 * 1000);
}

TEST_F(IntervalFixture, AStoredValueThatIsNotANumberStopsTheActivation) {
  Store("5min");
  mvtest::ErrorRecorder errors;
  TInterv dialog(nullptr, dir.Win1251Path(), timer);
  dialog.show();
  EXPECT_EQ(errors.texts, QStringList{"'5min' is not a valid integer value."});
  EXPECT_EQ(dialog.dxSpinEdit1->value(), 1);
  EXPECT_EQ(dialog.lblHours->text(), "");
  EXPECT_EQ(timer.interval(), 300000);
  dialog.close();
}

TEST_F(IntervalFixture, AFailedWriteKeepsTheDialogOpenAndTheTimerAsItWas) {
  TInterv dialog(nullptr, dir.Win1251Path(), timer);
  dialog.show(); // 60 s applied
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.Utf8Path() + "FilePath.ini")));
  mvtest::ErrorRecorder errors;
  dialog.dxSpinEdit1->setValue(120);
  dialog.btnOk->click();
  ASSERT_EQ(errors.texts.size(), 1);
  EXPECT_TRUE(errors.texts[0].startsWith("Unable to write to ")) << errors.texts[0].toStdString();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(timer.interval(), 60000);
  dialog.close();
}
