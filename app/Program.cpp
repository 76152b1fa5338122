#include "app/Program.h"

#include "app/PShow_dm.h"
#include "app/PSplash.h"
#include "platform/FileSystem.h"
#include "platform/Pump.h"
#include "settings/ErrorDisplay.h"
#include "settings/PFrmPath.h"

#include <QApplication>
#include <QScreen>

namespace mv {
ProgramWindows CreateProgramWindows(const std::string &baseDir) {
  ProgramWindows program;
  program.frmMain = std::make_unique<TfrmMain>(baseDir);
  TfrmMain *frmMain = program.frmMain.get();
  program.dmMail = std::make_unique<TdmMail>(frmMain->Dirs.BaseDir);
  if (!program.dmMail->StartupError().empty())
    ShowErrorMessage(program.dmMail->StartupError());
  frmMain->CreateMessageEditor();
  frmMain->FrmPath = new TFrmPath(frmMain);
  frmMain->fsplash = new Tfsplash(frmMain);
  frmMain->FShow_dm = new TFShow_dm(frmMain, frmMain->Dirs.BaseDir);
  return program;
}

int RunProgram(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("MailVornex"));
  QApplication::setQuitOnLastWindowClosed(false);
  // Network waits and archive extraction keep the windows alive through this.
  SetPumpHook([] { QCoreApplication::processEvents(); });

  ProgramWindows program = CreateProgramWindows(ExecutableDir());
  TfrmMain *frmMain = program.frmMain.get();
  QObject::connect(frmMain, &TfrmMain::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  // Without a window manager a maximize request is not carried out; the
  // screen's free area is the same size.
  if (QScreen *screen = QGuiApplication::primaryScreen())
    frmMain->setGeometry(screen->availableGeometry());
  frmMain->showMaximized();
  const int code = app.exec();
  SetPumpHook({});
  return code;
}
} // namespace mv
