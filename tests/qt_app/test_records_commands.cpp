#include "app/Main.h"
#include "app/Program.h"
#include "compose/MessageEditor.h"
#include "records/PDel_Msg.h"
#include "records/PProtcl.h"
#include "records/PSend_Ms.h"
#include "tests/qt_dialogs/QtTestSupport.h"

#include <QAction>
#include <QTimer>

// The protocol, viewer and editor commands open their windows inside the
// paused poll timer; the editor is made at start and is the same window at
// every opening.
TEST(RecordsCommands, EachCommandOpensItsWindowWithThePollTimerStopped) {
  mvtest::ScratchDir dir;
  mv::ProgramWindows program = mv::CreateProgramWindows(dir.Win1251Path());
  TfrmMain &w = *program.frmMain;
  ASSERT_NE(w.frmMessageEditor, nullptr);
  EXPECT_EQ(w.frmMessageEditor->parent(), &w);
  struct Case {
    TfrmMain::Command *command;
    std::function<bool(QWidget *)> expected;
  } cases[] = {
      {&w.Protocol, [](QWidget *m) { return qobject_cast<TfProtcl *>(m) != nullptr; }},
      {&w.Deleted, [](QWidget *m) { return qobject_cast<TDel_Msg *>(m) != nullptr; }},
      {&w.Sent, [](QWidget *m) { return qobject_cast<TSend_Msg *>(m) != nullptr; }},
      {&w.Send, [&w](QWidget *m) { return m == w.frmMessageEditor; }},
      {&w.Send, [&w](QWidget *m) { return m == w.frmMessageEditor; }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.command->menu->text().toStdString());
    w.Timer1->start(60000);
    bool opened = false, timerRan = true;
    mvtest::WhenModal([&](QWidget *modal) {
      opened = c.expected(modal);
      timerRan = w.Timer1->isActive();
      modal->close();
    });
    c.command->menu->trigger();
    EXPECT_TRUE(opened);
    EXPECT_FALSE(timerRan);
    EXPECT_TRUE(w.Timer1->isActive());
  }
}
