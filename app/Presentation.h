#pragma once
// The promotional presentation: the start counter that decides whether it is
// opened at start, and its opening through the desktop's default application.
#include <QUrl>
#include <functional>
#include <string>

namespace mv {
// "Презентация Тарвида.pps", looked up in the current directory.
QString PresentationFileName();

// The show step's counting: n := [Demo] Cnt_dm + 1, stored back (0 when n is
// above 50). The presentation is due when hideChecked is clear or n is above
// 50, so with the box set it still opens on every 51st start.
bool CountStartAndDecide(const std::string &baseDir, bool hideChecked);

// Opens the presentation with the default application. A missing file is
// passed over silently (returns false); launch is the desktop's opener,
// replaceable for tests.
using UrlLauncher = std::function<bool(const QUrl &)>;
bool OpenPresentation(const UrlLauncher &launch = {});
} // namespace mv
