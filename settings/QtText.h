#pragma once
// Text at the border between the program's Windows-1251 strings and Qt.
//
// The Russian captions, labels and messages of the windows are written in the
// sources as UTF-8 literals and turned into QString with Ui(); they never pass
// through the program's byte strings. Values that come from or go to the
// configuration files, messages and the protocol are Windows-1251
// std::string and cross with ToQt() / FromQt().
#include "platform/CodePage.h"

#include <QString>
#include <string>

namespace mv {
inline QString Ui(const char *utf8) {
  return QString::fromUtf8(utf8);
}
inline QString ToQt(const std::string &text1251) {
  return QString::fromStdString(Win1251ToUtf8(text1251));
}
inline std::string FromQt(const QString &text) {
  return Utf8ToWin1251(text.toStdString());
}
} // namespace mv
