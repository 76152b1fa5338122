#include "app/Program.h"

#include "app/Main.h"
#include "app/PShow_dm.h"
#include "app/PSplash.h"
#include "platform/FileSystem.h"
#include "platform/Pump.h"
#include "settings/PFrmPath.h"

#include <QApplication>
#include <QScreen>

namespace mv {
std::unique_ptr<TfrmMain> CreateProgramWindows(const std::string &baseDir) {
  auto frmMain = std::make_unique<TfrmMain>(baseDir);
  frmMain->FrmPath = new TFrmPath(frmMain.get());
  frmMain->fsplash = new Tfsplash(frmMain.get());
  frmMain->FShow_dm = new TFShow_dm(frmMain.get(), frmMain->Dirs.BaseDir);
  return frmMain;
}

int RunProgram(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("MailVornex"));
  QApplication::setQuitOnLastWindowClosed(false);
  // Network waits and archive extraction keep the windows alive through this.
  SetPumpHook([] { QCoreApplication::processEvents(); });

  std::unique_ptr<TfrmMain> frmMain = CreateProgramWindows(ExecutableDir());
  QObject::connect(frmMain.get(), &TfrmMain::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  // Without a window manager a maximize request is not carried out; the
  // screen's free area is the same size.
  if (QScreen *screen = QGuiApplication::primaryScreen())
    frmMain->setGeometry(screen->availableGeometry());
  frmMain->showMaximized();
  const int code = app.exec();
  SetPumpHook({});
  frmMain.reset();
  return code;
}
} // namespace mv
