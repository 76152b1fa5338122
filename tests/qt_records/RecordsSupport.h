#pragma once
// Shared by the window tests of this folder: reading the paragraphs of a
// written OpenDocument file, recording open requests, and screenshots.
#include "records/POpenFile.h"

#include <QProcess>
#include <QString>
#include <QWidget>
#include <QXmlStreamReader>
#include <string>
#include <vector>

namespace mvtest {
// One entry of a written package, as unzip reads it.
inline QByteArray OdtEntry(const QString &path, const QString &entry) {
  QProcess unzip;
  unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, entry});
  unzip.waitForFinished(60000);
  return unzip.readAllStandardOutput();
}

// The text of every paragraph of content.xml, in order (UTF-8), as a word
// processor reads it: white space in the character data counts as one blank
// and none at the start of a paragraph; <text:s text:c="n"/> gives n blanks.
inline std::vector<std::string> OdtParagraphs(const QString &path) {
  QXmlStreamReader xml(OdtEntry(path, QStringLiteral("content.xml")));
  std::vector<std::string> paragraphs;
  QString current;
  bool collapsing = true; // a blank here would be dropped
  int depth = 0;
  while (!xml.atEnd()) {
    xml.readNext();
    const QStringView name = xml.name();
    if (xml.isStartElement() && name == QLatin1String("p")) {
      if (depth++ == 0) {
        current.clear();
        collapsing = true;
      }
    } else if (xml.isStartElement() && name == QLatin1String("s") && depth > 0) {
      const QStringView count = xml.attributes().value(QLatin1String("text:c"));
      current += QString(count.isEmpty() ? 1 : count.toInt(), QLatin1Char(' '));
      collapsing = false;
    } else if (xml.isStartElement() && name == QLatin1String("tab") && depth > 0) {
      current += QLatin1Char('\t');
      collapsing = false;
    } else if (xml.isCharacters() && depth > 0) {
      for (const QChar c : xml.text()) {
        const bool blank = c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
                           c == QLatin1Char('\t');
        if (blank && collapsing)
          continue;
        current += blank ? QChar(QLatin1Char(' ')) : c;
        collapsing = blank;
      }
    } else if (xml.isEndElement() && name == QLatin1String("p") && --depth == 0) {
      paragraphs.push_back(current.toStdString());
    }
  }
  return paragraphs;
}


// Records what would have been opened with the desktop's application.
class OpenRecorder {
public:
  explicit OpenRecorder(bool succeed = true) {
    previous_ = mv::SetFileOpener([this, succeed](const std::string &path) {
      opened.push_back(path);
      return succeed;
    });
  }
  ~OpenRecorder() { mv::SetFileOpener(previous_); }
  std::vector<std::string> opened;

private:
  mv::FileOpener previous_;
};

// With MV_SHOT_DIR set (a run under Xvfb), saves a picture of the window.
inline void SaveShot(QWidget &window, const char *name) {
  const QString dir = qEnvironmentVariable("MV_SHOT_DIR");
  if (dir.isEmpty())
    return;
  window.grab().save(dir + QLatin1Char('/') + QLatin1String(name) + QLatin1String(".png"));
}
} // namespace mvtest
