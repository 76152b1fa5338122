#include "app/HelpWindow.h"
#include "app/Main.h"
#include "app/PShow_dm.h"
#include "app/PSplash.h"
#include "app/Presentation.h"
#include "app/Program.h"
#include "app/Resources.h"
#include "platform/IniFile.h"
#include "settings/PFrmPath.h"
#include "settings/QtText.h"
#include "tests/qt_dialogs/QtTestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QTextBrowser>

using mv::IniFile;
using mv::Ui;

namespace {
struct StartFixture : ::testing::Test {
  mvtest::ScratchDir dir;
  IniFile MailIni() const { return IniFile(dir.Win1251Path() + "Mail.ini"); }
};

// Runs the body with the current directory set to dir.
template <class F> void InDirectory(const std::string &dir, F body) {
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir)));
  body();
  QDir::setCurrent(previous);
}
} // namespace

TEST_F(StartFixture, TheStartMakesTheSharedWindowsUnderTheMainWindow) {
  MailIni().WriteBool("Demo", "Show_dm", true);
  mv::ProgramWindows program = mv::CreateProgramWindows(dir.Win1251Path());
  TfrmMain *w = program.frmMain.get();
  ASSERT_NE(w->FrmPath, nullptr);
  ASSERT_NE(w->fsplash, nullptr);
  ASSERT_NE(w->FShow_dm, nullptr);
  EXPECT_EQ(w->FrmPath->parent(), w);
  EXPECT_TRUE(w->FShow_dm->CheckBox1->isChecked());
  EXPECT_TRUE(QDir(QString::fromStdString(w->Dirs.ArhDir)).exists());
  // The data module made the protocol table beside the working directories.
  ASSERT_NE(program.dmMail, nullptr);
  EXPECT_EQ(program.dmMail->StartupError(), "");
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(dir.Utf8Path() + "Protocol/Protocol.db")));
}

TEST_F(StartFixture, TheStartCounterOpensThePresentationOnEvery51stStartWhenHidden) {
  MailIni().WriteInteger("Demo", "Cnt_dm", 50);
  EXPECT_TRUE(mv::CountStartAndDecide(dir.Win1251Path(), true));
  EXPECT_EQ(MailIni().ReadString("Demo", "Cnt_dm", ""), "0");
  EXPECT_FALSE(mv::CountStartAndDecide(dir.Win1251Path(), true));
  EXPECT_EQ(MailIni().ReadString("Demo", "Cnt_dm", ""), "1");
  // With the box clear it opens at every start, and the count goes on.
  EXPECT_TRUE(mv::CountStartAndDecide(dir.Win1251Path(), false));
  EXPECT_EQ(MailIni().ReadString("Demo", "Cnt_dm", ""), "2");
  // A hand-edited counter at the top of the integer range is past 50 too.
  MailIni().WriteInteger("Demo", "Cnt_dm", 2147483647);
  EXPECT_TRUE(mv::CountStartAndDecide(dir.Win1251Path(), true));
  EXPECT_EQ(MailIni().ReadString("Demo", "Cnt_dm", ""), "0");
}

TEST_F(StartFixture, TheShowStepCountsTheStartAndSetsThePrompt) {
  MailIni().WriteBool("Demo", "Show_dm", true);
  MailIni().WriteInteger("Demo", "Cnt_dm", 7);
  mv::ProgramWindows program = mv::CreateProgramWindows(dir.Win1251Path());
  TfrmMain *w = program.frmMain.get();
  delete w->fsplash.data(); // the splash would wait for a person
  ASSERT_TRUE(w->fsplash.isNull());
  InDirectory(dir.Win1251Path(), [&] { w->FormShow(); });
  EXPECT_EQ(MailIni().ReadString("Demo", "Cnt_dm", ""), "8");
  EXPECT_TRUE(w->FShow_dm->CheckBox1->isChecked());
}

TEST_F(StartFixture, AMissingPresentationIsPassedOverSilently) {
  int launched = 0;
  QUrl url;
  auto launcher = [&](const QUrl &u) {
    ++launched;
    url = u;
    return true;
  };
  InDirectory(dir.Win1251Path(), [&] { EXPECT_FALSE(mv::OpenPresentation(launcher)); });
  EXPECT_EQ(launched, 0);

  QFile file(QString::fromStdString(dir.Utf8Path()) + mv::PresentationFileName());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  InDirectory(dir.Win1251Path(), [&] { EXPECT_TRUE(mv::OpenPresentation(launcher)); });
  EXPECT_EQ(launched, 1);
  EXPECT_EQ(url.toLocalFile(), QFileInfo(file).absoluteFilePath());
}

TEST_F(StartFixture, ThePromptWritesItsFlagAtEveryChange) {
  TFShow_dm prompt(nullptr, dir.Win1251Path());
  EXPECT_EQ(prompt.windowTitle(), Ui(" Рекламный демо-ролик"));
  EXPECT_EQ(prompt.CheckBox1->text(), Ui(" не показывать демо-ролик при запуске программы"));
  EXPECT_FALSE(prompt.CheckBox1->isChecked());
  prompt.CheckBox1->setChecked(true);
  EXPECT_EQ(MailIni().ReadString("Demo", "Show_dm", ""), "1");
  prompt.CheckBox1->setChecked(false);
  EXPECT_EQ(MailIni().ReadString("Demo", "Show_dm", ""), "0");
}

TEST(Splash, ThePictureIsAJpegDecodedByQtsImageReader) {
  mv::EnsureAppResources();
  QImageReader reader(QStringLiteral(":/splash.jpg"));
  EXPECT_EQ(reader.format(), "jpeg");
  const QImage image = reader.read();
  ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
  EXPECT_EQ(image.size(), QSize(451, 303));

  Tfsplash splash;
  EXPECT_EQ(splash.size(), QSize(451, 303));
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(splash.Image1->pixmap().isNull());
  EXPECT_EQ(splash.Label1->text(), Ui("Программа  \" Зорвен  ВОРНЕКС-Тарвида\""));
  EXPECT_TRUE(splash.Timer2->isActive());
  EXPECT_EQ(splash.Timer2->interval(), 15000);
}

TEST(Splash, AKeyAMouseButtonOrTheTimeCloseAndDestroyIt) {
  QPointer<Tfsplash> splash = new Tfsplash;
  splash->show();
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
  QApplication::sendEvent(splash, &key);
  EXPECT_TRUE(mvtest::WaitUntil([&] { return splash.isNull(); }));

  splash = new Tfsplash;
  splash->show();
  QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(splash->Label2, &click); // a press on the labels reaches the window
  EXPECT_TRUE(mvtest::WaitUntil([&] { return splash.isNull(); }));

  splash = new Tfsplash;
  splash->show();
  splash->Timer2->start(10);
  EXPECT_TRUE(mvtest::WaitUntil([&] { return splash.isNull(); }));
}

TEST_F(StartFixture, AboutShowsANewSplashModally) {
  TfrmMain w(dir.Win1251Path());
  bool seen = false;
  mvtest::WhenModal([&](QWidget *modal) {
    seen = qobject_cast<Tfsplash *>(modal) != nullptr;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(modal, &key);
  });
  w.About.menu->trigger();
  EXPECT_TRUE(seen);
}

TEST_F(StartFixture, HelpOpensTheRussianGuideAtItsContents) {
  TfrmMain w(dir.Win1251Path());
  w.Help.menu->trigger();
  auto *help = w.findChild<THelpWindow *>();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_EQ(help->Browser->source(), THelpWindow::ContentsPage());
  const QString text = help->Browser->toPlainText();
  EXPECT_TRUE(text.contains(Ui("Содержание")));
  EXPECT_TRUE(text.contains(Ui("Настройка почтовых серверов")));
  EXPECT_TRUE(text.contains(Ui("Интервал опроса")));
  help->close();
}
