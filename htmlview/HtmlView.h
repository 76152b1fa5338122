#pragma once
// The HTML view of a message body. Received HTML is shown, never followed: it
// loads nothing from the network or from disk (no images, no style sheets),
// so a message cannot reveal that it was read or reach local files, and
// links do not navigate. Times New Roman is the default font, Courier New
// the font of preformatted text.
#include <QStringList>
#include <QTextBrowser>

class THtmlView : public QTextBrowser {
  Q_OBJECT
public:
  explicit THtmlView(QWidget *parent = nullptr);

  // Renders the lines as one HTML document.
  void LoadLines(const QStringList &lines);

  QVariant loadResource(int type, const QUrl &name) override;
};
