#include "records/POpenFile.h"

#include "platform/FileSystem.h"

#include <QDesktopServices>
#include <QUrl>

namespace mv {
namespace {
FileOpener &CurrentOpener() {
  static FileOpener opener;
  return opener;
}
} // namespace

FileOpener SetFileOpener(FileOpener opener) {
  FileOpener previous = std::move(CurrentOpener());
  CurrentOpener() = std::move(opener);
  return previous;
}

bool OpenWithDesktop(const std::string &path1251) {
  if (const FileOpener &opener = CurrentOpener())
    return opener(path1251);
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(ToDiskPath(path1251))));
}
} // namespace mv
