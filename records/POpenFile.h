#pragma once
// Opening a file with the application the desktop associates with its type
// (the word processor for the printed protocol, the viewer of an attachment).
#include <functional>
#include <string>

namespace mv {
// Returns false when no application took the file.
using FileOpener = std::function<bool(const std::string &path1251)>;
// Replaces how files are opened (tests record the requests); returns the
// previous opener. An empty one restores the desktop's.
FileOpener SetFileOpener(FileOpener opener);
bool OpenWithDesktop(const std::string &path1251);
} // namespace mv
