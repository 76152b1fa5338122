#include "app/Main.h"
#include "app/Panels.h"
#include "htmlview/HtmlView.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "settings/NstrPath.h"
#include "settings/PInterv.h"
#include "settings/QtText.h"
#include "settings/Setup.h"
#include "tests/qt_dialogs/QtTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

using mv::IniFile;
using mv::Ui;

namespace {
struct MainFixture : ::testing::Test {
  mvtest::ScratchDir dir;
  IniFile MailIni() const { return IniFile(dir.Win1251Path() + "Mail.ini"); }
  IniFile FilePathIni() const { return IniFile(dir.Win1251Path() + "FilePath.ini"); }
  void SetUser(const std::string &user) { MailIni().WriteString("Pop3", "ServerUser", user); }
  // Closes the settings dialog the check opens, noting the poll timer's state meanwhile.
  void ExpectSettingsDialog(TfrmMain &w, bool *timerRan) {
    mvtest::WhenModal([&w, timerRan](QWidget *modal) {
      EXPECT_NE(qobject_cast<TfmSetup *>(modal), nullptr) << modal->metaObject()->className();
      *timerRan = w.Timer1->isActive();
      modal->close();
    });
  }
};

QStringList Texts(const QList<QAction *> &actions, bool visibleOnly = true) {
  QStringList texts;
  for (QAction *a : actions)
    if (!a->isSeparator() && (a->isVisible() || !visibleOnly))
      texts << a->text();
  return texts;
}
} // namespace

TEST_F(MainFixture, AFirstStartCreatesTheWorkingDirectoriesAndLoadsTheDefaults) {
  TfrmMain w(dir.Win1251Path());
  for (const char *sub : {"Temp", "Arh", "Delete", "Send", "Attach", "Attach/Temp_Att"})
    EXPECT_TRUE(QDir(QString::fromStdString(dir.Utf8Path() + sub)).exists()) << sub;
  EXPECT_EQ(w.Dirs.BaseDir, dir.Win1251Path());
  EXPECT_EQ(w.Dirs.TempAttDir, dir.Win1251Path() + "Attach/Temp_Att/");
  EXPECT_EQ(w.Settings().PopUser, mv::kPlaceholderUser);
  EXPECT_EQ(w.Settings().PopPort, 110);
  EXPECT_EQ(w.MessageCount, 0);
  EXPECT_EQ(w.MailboxKB, 0);
  EXPECT_FALSE(w.IsBusy());
  EXPECT_TRUE(w.Timer1->isActive());
  EXPECT_EQ(w.Timer1->interval(), 60000);
  EXPECT_EQ(w.pnlServerName->Caption->text(), QString(mv::kDefaultPopHost));
  // Setting the check box from the file writes the flag back.
  EXPECT_EQ(MailIni().ReadString("Check", "Ch_Del", "?"), "0");
}

TEST_F(MainFixture, ABadPortIsShownOnceEachAndTheStartGoesOn) {
  MailIni().WriteString("Pop3", "ServerPort", "11O");
  MailIni().WriteString("Smtp", "ServerPort", "x25");
  MailIni().WriteString("Check", "Ch_Del", "2");
  mvtest::ErrorRecorder errors;
  TfrmMain w(dir.Win1251Path());
  EXPECT_EQ(errors.texts,
            (QStringList{"'11O' is not a valid integer value.", "'x25' is not a valid integer value."}));
  EXPECT_EQ(w.Settings().PopPort, 110);
  EXPECT_EQ(w.Settings().SmtpPort, 25);
  EXPECT_TRUE(w.pnlServerName->CheckBox1->isChecked());
  EXPECT_TRUE(QDir(QString::fromStdString(w.Dirs.TempAttDir)).exists());
}

TEST_F(MainFixture, TheLayoutCarriesItsCaptionsColumnsAndStatusTexts) {
  TfrmMain w(dir.Win1251Path());
  EXPECT_EQ(w.windowTitle(), Ui("  Зорвен  ВОРНЕКС-Тарвида"));
  QTreeWidgetItem *header = w.lvHeaders->headerItem();
  EXPECT_EQ((QStringList{header->text(0), header->text(1), header->text(2), header->text(3)}),
            (QStringList{Ui("Тема"), Ui("От кого"), Ui("Дата"), Ui("Размер")}));
  EXPECT_EQ((QList<int>{w.lvHeaders->columnWidth(0), w.lvHeaders->columnWidth(1), w.lvHeaders->columnWidth(2),
                        w.lvHeaders->columnWidth(3)}),
            (QList<int>{450, 300, 100, 600}));
  EXPECT_EQ(w.ProgressBar1->minimum(), 0);
  EXPECT_EQ(w.ProgressBar1->maximum(), 100);
  EXPECT_EQ(w.ProgressBar1->height(), 10);
  EXPECT_EQ(w.StatusBar1->Text(0), Ui("Нет выбранных сообщений"));
  EXPECT_EQ(w.pnlServerName->CheckBox1->text(), Ui("  Удалять разобранные сообщения с сервера"));
  EXPECT_EQ(w.lvMessageParts->toolTip(), Ui("Двойной щелчок \"мышюю\" - открыть вложение"));
  EXPECT_EQ(w.lvMessageParts->headerItem()->text(0), "Fille Name");
  w.show();
  EXPECT_FALSE(w.ProgressBar1->isVisible());
  EXPECT_FALSE(w.htmlView1->isVisible());
  EXPECT_FALSE(w.pnlAttachments->isVisible());
  EXPECT_FALSE(w.Image1->isVisible());
  EXPECT_TRUE(w.Memo1->isVisible());
  w.hide();
}

TEST_F(MainFixture, MenusAndToolBarHoldTheCommandsInOrder) {
  TfrmMain w(dir.Win1251Path());
  const QList<QAction *> top = w.menuBar()->actions();
  EXPECT_EQ(Texts(top),
            (QStringList{Ui("Настройка"), Ui("&Действия"), Ui("Сервис"), Ui("Справка"), Ui("В&ыход")}));
  EXPECT_EQ(Texts(top[0]->menu()->actions()),
            (QStringList{Ui("Почтовые сервера"), Ui("Параметры сохранения вложений"), Ui("Интервал опроса"),
                         Ui("Тарвида")}));
  EXPECT_EQ(Texts(top[1]->menu()->actions()),
            (QStringList{Ui("&Соединиться с серверм"), Ui("&Отсоединиться от сервера"),
                         Ui("Сохранить вложения"), Ui("Отп&равить сообщение")}));
  EXPECT_EQ(Texts(top[1]->menu()->actions(), false).size(), 8); // four of them hidden
  EXPECT_EQ(Texts(top[2]->menu()->actions()),
            (QStringList{Ui("Протокол"), Ui("Удаленные"), Ui("Отправленные")}));
  EXPECT_EQ(Texts(top[3]->menu()->actions()), (QStringList{Ui("Помощь"), Ui("О программе"), Ui("Тарвида")}));
  EXPECT_EQ(w.Interval.menu->toolTip(), Ui("Интервал опроса сервера"));

  QStringList hints;
  for (QAction *a : w.ToolBar1->actions())
    if (a->isSeparator())
      hints << "|";
    else if (a->isVisible() && !w.ToolBar1->widgetForAction(a)->inherits("TServerPanel"))
      hints << a->toolTip();
  EXPECT_EQ(hints, (QStringList{Ui("Соединение с POP сервером и список сообщений"),
                                Ui("Отключиться от сервера без очистки"), "|",
                                Ui("Отметить сообщение для удаления"), Ui("Удалить отмеченные"), "|",
                                Ui("Создать новое сообщение"), Ui("Сохранить вложения"), "|",
                                Ui("Настройка POP/SMTP"), Ui("Настройка параметров сохранения вложений"),
                                Ui("Настройка интервала опроса сервера"), "|"}));
  EXPECT_FALSE(w.Display.tool->isVisible());
  EXPECT_EQ(w.ToolBar1->widgetForAction(w.CheckMail.tool)->size(), QSize(32, 24));
}

TEST_F(MainFixture, ConnectedStateSwitchesTheCommandsAndTheStatus) {
  TfrmMain w(dir.Win1251Path());
  w.ShowConnected(true);
  EXPECT_FALSE(w.CheckMail.menu->isEnabled());
  EXPECT_FALSE(w.CheckMail.tool->isEnabled());
  // Mark and commit are reached through their tool buttons (their menu items are hidden).
  for (const QAction *a : {w.Delete.tool, w.Purge.tool, w.Disconnect.tool, w.Disconnect.menu})
    EXPECT_TRUE(a->isEnabled()) << a->toolTip().toStdString();
  EXPECT_EQ(w.StatusText(), Ui("Соединены с сервером"));
  w.ShowConnected(false);
  EXPECT_TRUE(w.CheckMail.menu->isEnabled());
  for (const QAction *a : {w.Delete.tool, w.Purge.tool, w.Disconnect.tool, w.Disconnect.menu})
    EXPECT_FALSE(a->isEnabled()) << a->toolTip().toStdString();
  EXPECT_EQ(w.StatusText(), Ui("Нет соединения с сервером"));

  w.MessageCount = 12;
  w.MailboxKB = 345;
  w.ShowFileStatus();
  EXPECT_EQ(w.StatusBar2->Text(0), "12");
  EXPECT_EQ(w.StatusBar2->Text(1), Ui("Сообщение занимает 345K на сервере"));
}

TEST_F(MainFixture, BusyCursorIsSetOnceAndRestored) {
  TfrmMain w(dir.Win1251Path());
  w.ShowBusy(true);
  w.ShowBusy(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  w.ShowBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainFixture, ThePlaceholderUserMakesEveryCheckOpenTheSettingsInstead) {
  TfrmMain w(dir.Win1251Path());
  bool timerRan = true;
  ExpectSettingsDialog(w, &timerRan);
  w.CheckMailExecute();
  EXPECT_FALSE(timerRan); // stopped while the dialog was open
  EXPECT_TRUE(w.Timer1->isActive());

  timerRan = true;
  ExpectSettingsDialog(w, &timerRan);
  w.Timer1Timer(); // a tick does the same
  EXPECT_FALSE(timerRan);

  // An empty user counts as not set up too.
  w.Settings().PopUser.clear();
  timerRan = true;
  ExpectSettingsDialog(w, &timerRan);
  w.CheckMailExecute();
  EXPECT_FALSE(timerRan);
}

TEST_F(MainFixture, SavingTheSettingsEndsTheDetour) {
  TfrmMain w(dir.Win1251Path());
  mvtest::WhenModal([](QWidget *modal) {
    auto *setup = qobject_cast<TfmSetup *>(modal);
    ASSERT_NE(setup, nullptr);
    setup->POPServer->setText("pop.org.test");
    setup->Account->setText("ivanov");
    setup->BitBtn1->click();
  });
  w.CheckMailExecute();
  EXPECT_EQ(w.Settings().PopUser, "ivanov");
  EXPECT_EQ(MailIni().ReadString("Pop3", "ServerUser", ""), "ivanov");
  EXPECT_EQ(w.pnlServerName->Caption->text(), "pop.org.test");
  // Now the check goes to the server (a reserved name that never resolves)
  // instead of the dialog.
  mvtest::ModalWatchdog watchdog;
  EXPECT_THROW(w.CheckMailExecute(), Exception);
  mvtest::Spin(50);
}

TEST_F(MainFixture, TicksAreSkippedWhileAnErrorBoxIsOpen) {
  TfrmMain w(dir.Win1251Path());
  mvtest::ModalWatchdog watchdog;
  int shown = 0;
  const mv::ErrorPresenter previous = mv::SetErrorPresenter([&](const QString &) {
    ++shown;
    w.Timer1Timer(); // would open the settings dialog on top of the box
    mvtest::Spin(30);
  });
  mv::RunTick([] { throw Exception("Connection refused"); });
  mv::SetErrorPresenter(previous);
  EXPECT_EQ(shown, 1);
}

TEST_F(MainFixture, TheActivationReadsTheIntervalAndRunsTheFirstCheck) {
  {
    TfrmMain w(dir.Win1251Path());
    bool timerRan = true;
    ExpectSettingsDialog(w, &timerRan); // the placeholder user: the first check opens the settings
    w.FormActivate();
    EXPECT_EQ(w.Timer1->interval(), 300000); // no [Interval]
    EXPECT_EQ(w.StatusText(), Ui("Нет соединения с сервером"));
    w.FormActivate(); // runs once only
  }
  SetUser("ivanov");
  MailIni().WriteString("Pop3", "ServerName", "pop.org.test"); // reserved: never resolves
  FilePathIni().WriteString("Interval", "INT", "90");
  {
    mvtest::ModalWatchdog watchdog;
    TfrmMain w(dir.Win1251Path());
    EXPECT_THROW(w.FormActivate(), Exception); // the first check finds no server
    EXPECT_EQ(w.Timer1->interval(), 90000);
  }
}

TEST_F(MainFixture, AnIntervalThatIsNotANumberStopsTheActivationBeforeTheCheck) {
  FilePathIni().WriteString("Interval", "INT", "1m");
  TfrmMain w(dir.Win1251Path());
  mvtest::ErrorRecorder errors;
  mvtest::ModalWatchdog watchdog; // the placeholder user would open the settings
  mv::RunCommand([&] { w.FormActivate(); });
  EXPECT_EQ(errors.texts, QStringList{"'1m' is not a valid integer value."});
  EXPECT_EQ(w.Timer1->interval(), 60000);
}

TEST_F(MainFixture, AModalWindowStopsThePollTimerAndRestartsItsCountdown) {
  TfrmMain w(dir.Win1251Path());
  w.Timer1->start(5000);
  mvtest::Spin(900);
  ASSERT_LT(w.Timer1->remainingTime(), 4600);
  bool activeInside = true;
  w.ShowModalPaused([&] { activeInside = w.Timer1->isActive(); });
  EXPECT_FALSE(activeInside);
  EXPECT_TRUE(w.Timer1->isActive());
  EXPECT_GT(w.Timer1->remainingTime(), 4600);

  // Also when the window's code fails.
  EXPECT_THROW(w.ShowModalPaused([] { throw Exception("boom"); }), Exception);
  EXPECT_TRUE(w.Timer1->isActive());
}

TEST_F(MainFixture, TheIntervalAndRulesCommandsOpenTheirDialogs) {
  TfrmMain w(dir.Win1251Path());
  mvtest::WhenModal([&w](QWidget *modal) {
    auto *interval = qobject_cast<TInterv *>(modal);
    ASSERT_NE(interval, nullptr);
    EXPECT_EQ(w.Timer1->interval(), 60000); // applied on opening
    interval->dxSpinEdit1->setValue(45);
    interval->btnOk->click();
  });
  w.Interval.tool->trigger();
  EXPECT_EQ(w.Timer1->interval(), 45000);
  EXPECT_TRUE(w.Timer1->isActive());
  EXPECT_EQ(FilePathIni().ReadString("Interval", "INT", ""), "45");

  mvtest::WhenModal([](QWidget *modal) {
    auto *rules = qobject_cast<TNastrPath *>(modal);
    ASSERT_NE(rules, nullptr);
    rules->btnOk->click();
  });
  w.Routing.menu->trigger();
  EXPECT_EQ(FilePathIni().ReadString("Count", "CNT", ""), "0");
}

TEST_F(MainFixture, TheDeleteFlagIsWrittenAtEveryChangeAndClosingEndsTheProgram) {
  TfrmMain w(dir.Win1251Path());
  w.pnlServerName->CheckBox1->setChecked(true);
  EXPECT_EQ(MailIni().ReadString("Check", "Ch_Del", ""), "1");
  w.pnlServerName->CheckBox1->setChecked(false);
  EXPECT_EQ(MailIni().ReadString("Check", "Ch_Del", ""), "0");

  int closed = 0;
  QObject::connect(&w, &TfrmMain::Closed, [&closed] { ++closed; });
  w.show();
  w.Exit.menu->trigger();
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(w.isVisible());
}
