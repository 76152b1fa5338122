#include "records/PProtocolDocument.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "records/ZipPackage.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentWriter>
#include <fstream>

namespace mv {
namespace {
constexpr int kLogoWidth = 125, kLogoHeight = 64;
constexpr int kPointSize = 10;
const char *const kLogoEntry = "Pictures/logo.png";

// The page style: the logo in the header of every page, at 96 dots per inch.
std::string StylesXml() {
  return std::string(
             R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-styles xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
             R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
             R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
             R"(xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" )"
             R"(xmlns:xlink="http://www.w3.org/1999/xlink" )"
             R"(xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" )"
             R"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2">
 <office:automatic-styles>
  <style:page-layout style:name="pm1">
   <style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm" fo:margin-top="1cm" )"
             R"(fo:margin-bottom="1.5cm" fo:margin-left="2cm" fo:margin-right="1.5cm"/>
   <style:header-style><style:header-footer-properties fo:min-height="0cm" fo:margin-bottom="0.4cm"/>)"
             R"(</style:header-style>
  </style:page-layout>
 </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Standard" style:page-layout-name="pm1">
   <style:header><text:p><draw:frame draw:name="Logo" text:anchor-type="as-char" svg:width="3.307cm" )"
             R"(svg:height="1.693cm" draw:z-index="0"><draw:image xlink:href=")") +
         kLogoEntry +
         R"(" xlink:type="simple" xlink:show="embed" xlink:actuate="onLoad"/></draw:frame>)"
         R"(</text:p></style:header>
  </style:master-page>
 </office:master-styles>
</office:document-styles>
)";
}

std::string ManifestXml() {
  return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">
 <manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text" )"
                     R"(manifest:version="1.2"/>
 <manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>
 <manifest:file-entry manifest:full-path="styles.xml" manifest:media-type="text/xml"/>
 <manifest:file-entry manifest:full-path=")") +
         kLogoEntry + R"(" manifest:media-type="image/png"/>
</manifest:manifest>
)";
}

std::string Png(const QImage &image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}
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

// Qt writes the text; the page header with the logo, which its writer does
// not know, is added to the package afterwards.
void WriteProtocolDocument(const std::vector<std::string> &lines, const std::string &path) {
  QTextDocument document;
  document.setUndoRedoEnabled(false);
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
  for (std::size_t i = 0; i < lines.size(); ++i)
    (i ? all += '\n' : all) += lines[i];
  QTextCursor cursor(&document);
  cursor.insertText(QString::fromStdString(Win1251ToUtf8(all)), text);

  QByteArray package;
  QBuffer buffer(&package);
  buffer.open(QIODevice::WriteOnly);
  QTextDocumentWriter writer(&buffer, "odf");
  if (!writer.write(&document))
    throw EInOutError("Unable to write to " + path);
  const std::string odt = AddToZipPackage(package.toStdString(), {{"styles.xml", StylesXml()},
                                                                  {kLogoEntry, Png(ProtocolLogo())},
                                                                  {"META-INF/manifest.xml", ManifestXml()}});
  std::ofstream out(ToDiskPath(path), std::ios::binary | std::ios::trunc);
  out.write(odt.data(), static_cast<std::streamsize>(odt.size()));
  out.close();
  if (!out)
    throw EInOutError("Unable to write to " + path);
}
} // namespace mv
