#include "app/Program.h"

#include "app/Main.h"
#include "app/PShow_dm.h"
#include "app/PSplash.h"
#include "platform/FileSystem.h"
#include "platform/Pump.h"
#include "settings/PFrmPath.h"

#include <QApplication>

// The resources live in a static library; they must be registered by name.
static void InitAppResources() {
  Q_INIT_RESOURCE(app);
}

namespace mv {
std::unique_ptr<TfrmMain> CreateProgramWindows(const std::string &baseDir) {
  InitAppResources();
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
  frmMain->showMaximized();
  const int code = app.exec();
  SetPumpHook({});
  frmMain.reset();
  return code;
}
} // namespace mv
