#pragma once
// The printed protocol as an OpenDocument text file: the logo in the page
// header, the paragraphs of mv::ProtocolReportLines in one bold face of 10
// points. The user opens it in the word processor, where it is saved and
// printed.
#include <QImage>
#include <QString>
#include <string>
#include <vector>

namespace mv {
// The logo (125 x 64 pixels, 256 colours) at the head of the printed protocol.
QImage ProtocolLogo();

// "MS Sans Serif" where it is installed, else the nearest sans-serif face.
QString ProtocolFontFamily();

// Writes lines (Windows-1251 paragraphs) under the logo header into an OpenDocument
// text file at path (Windows-1251), replacing it. Needs a QGuiApplication.
// A file that cannot be written raises EInOutError with its path.
void WriteProtocolDocument(const std::vector<std::string> &lines, const std::string &path);
} // namespace mv
