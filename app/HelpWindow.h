#pragma once
// The program's help window: the Russian user guide kept in the program's
// resources, opened at its contents page.
#include <QWidget>

class QTextBrowser;

class THelpWindow : public QWidget {
  Q_OBJECT
public:
  explicit THelpWindow(QWidget *parent);

  QTextBrowser *Browser;

  static QUrl ContentsPage();
  void ShowContents();
};
