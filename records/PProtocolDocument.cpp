#include "records/PProtocolDocument.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentWriter>
#include <QUrl>

namespace mv {
namespace {
constexpr int kLogoWidth = 125, kLogoHeight = 64;
constexpr int kPointSize = 10;
const char *const kLogoResource = "mv-logo.png";
} // namespace

QImage ProtocolLogo() {
  QImage logo(kLogoWidth, kLogoHeight, QImage::Format_RGB32);
  logo.fill(QColor(0, 51, 102));
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(204, 153, 0));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QRect(6, 8, 48, 48));
  painter.setPen(QColor(0, 51, 102));
  QFont mark(QStringLiteral("Sans Serif"), 22, QFont::Bold);
  painter.setFont(mark);
  painter.drawText(QRect(6, 8, 48, 48), Qt::AlignCenter, QStringLiteral("M"));
  painter.setPen(Qt::white);
  QFont name(QStringLiteral("Sans Serif"), 8, QFont::Bold);
  painter.setFont(name);
  painter.drawText(QRect(58, 8, 64, 48), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                   QString::fromUtf8("ВОРНЕКС\nТарвида"));
  painter.end();
  return logo.convertToFormat(QImage::Format_Indexed8);
}

QString ProtocolFontFamily() {
  const QStringList installed = QFontDatabase::families();
  for (const char *family : {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"})
    if (installed.contains(QString::fromLatin1(family), Qt::CaseInsensitive))
      return QString::fromLatin1(family);
  return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

void WriteProtocolDocument(const std::vector<std::string> &lines, const std::string &path) {
  QTextDocument document;
  document.setUndoRedoEnabled(false);
  document.addResource(QTextDocument::ImageResource, QUrl(QString::fromLatin1(kLogoResource)),
                       ProtocolLogo());
  QTextCursor cursor(&document);
  QTextImageFormat picture;
  picture.setName(QString::fromLatin1(kLogoResource));
  picture.setWidth(kLogoWidth);
  picture.setHeight(kLogoHeight);
  cursor.insertImage(picture);

  QTextCharFormat text;
  const QString family = ProtocolFontFamily();
  text.setFontFamilies({family});
  // The OpenDocument writer names the face from the single-family property.
  text.setProperty(QTextFormat::OldFontFamily, family);
  text.setFontPointSize(kPointSize);
  text.setFontWeight(QFont::Bold);
  // One insertion with a line break per paragraph: a hundred thousand rows
  // inserted paragraph by paragraph would take minutes.
  std::string all;
  for (const std::string &line : lines)
    (all += '\n') += line;
  cursor.insertText(QString::fromStdString(Win1251ToUtf8(all)), text);

  QTextDocumentWriter writer(QString::fromStdString(ToDiskPath(path)), "odf");
  if (!writer.write(&document))
    throw EInOutError("Unable to write to " + path);
}
} // namespace mv
