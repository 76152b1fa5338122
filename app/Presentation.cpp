#include "app/Presentation.h"

#include "config/Config.h"
#include "settings/QtText.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace mv {
QString PresentationFileName() {
  return Ui("Презентация Тарвида.pps");
}

bool CountStartAndDecide(const std::string &baseDir, bool hideChecked) {
  const bool wrapped = CountStart(baseDir).Wrapped; // counted at every start, whatever the box
  return !hideChecked || wrapped;
}

bool OpenPresentation(const UrlLauncher &launch) {
  const QFileInfo file(QDir::current(), PresentationFileName());
  if (!file.isFile())
    return false;
  const QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
  return launch ? launch(url) : QDesktopServices::openUrl(url);
}
} // namespace mv
