#pragma once
// The folder browser of the rules editor: Qt's directory dialog, opened at
// the file-system root with the root selected.
#include <QString>

class QWidget;

// Shows the browser with title, starting at startFolder; owner is the parent
// window (the application's main window when null). Returns whether the user
// chose a folder; path then holds it without a trailing '/' (the root stays
// "/").
bool BrowseFolder(const QString &title, const QString &startFolder, QWidget *owner, QString &path);
