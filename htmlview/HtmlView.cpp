#include "htmlview/HtmlView.h"

THtmlView::THtmlView(QWidget *parent) : QTextBrowser(parent) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  document()->setDefaultFont(QFont(QStringLiteral("Times New Roman"), 12));
  document()->setDefaultStyleSheet(QStringLiteral("pre, tt, code, kbd { font-family: 'Courier New'; }"));
}

void THtmlView::LoadLines(const QStringList &lines) {
  setHtml(lines.join(QLatin1Char('\n')));
}

QVariant THtmlView::loadResource(int, const QUrl &) {
  return QVariant();
}
