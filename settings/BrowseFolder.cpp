#include "settings/BrowseFolder.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

namespace {
QWidget *MainWindowOf(QWidget *owner) {
  if (owner)
    return owner;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w->inherits("QMainWindow"))
      return w;
  return nullptr;
}
} // namespace

bool BrowseFolder(const QString &title, const QString &startFolder, QWidget *owner, QString &path) {
  QFileDialog dialog(MainWindowOf(owner), title, startFolder);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  // The same dialog everywhere, also where a desktop would offer its own.
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return false;
  QString chosen = QDir::cleanPath(dialog.selectedFiles().first());
  while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/')))
    chosen.chop(1);
  path = chosen;
  return true;
}
