#include "app/Presentation.h"

#include "config/Config.h"
#include "settings/QtText.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace mv {
namespace {
constexpr int kMaxStartCount = 50;
}

QString PresentationFileName() {
  return Ui("Презентация Тарвида.pps");
}

bool CountStartAndDecide(const std::string &baseDir, bool hideChecked) {
  const int n = ReadStartCount(baseDir) + 1;
  WriteStartCount(baseDir, n > kMaxStartCount ? 0 : n);
  return !hideChecked || n > kMaxStartCount;
}

bool OpenPresentation(const UrlLauncher &launch) {
  const QFileInfo file(QDir::current(), PresentationFileName());
  if (!file.isFile())
    return false;
  const QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
  return launch ? launch(url) : QDesktopServices::openUrl(url);
}
} // namespace mv
