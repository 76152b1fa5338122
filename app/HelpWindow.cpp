#include "app/HelpWindow.h"

#include "app/Resources.h"
#include "settings/QtText.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

using mv::Ui;

THelpWindow::THelpWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
  mv::EnsureAppResources();
  setWindowTitle(Ui("Справка — Зорвен ВОРНЕКС-Тарвида"));
  Browser = new QTextBrowser;
  Browser->setOpenExternalLinks(false);

  auto *contents = new QPushButton(Ui("Содержание"));
  auto *back = new QPushButton(Ui("Назад"));
  auto *forward = new QPushButton(Ui("Вперёд"));
  auto *close = new QPushButton(Ui("Закрыть"));
  back->setEnabled(false);
  forward->setEnabled(false);
  connect(contents, &QPushButton::clicked, this, &THelpWindow::ShowContents);
  connect(back, &QPushButton::clicked, Browser, &QTextBrowser::backward);
  connect(forward, &QPushButton::clicked, Browser, &QTextBrowser::forward);
  connect(Browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  connect(Browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
  connect(close, &QPushButton::clicked, this, &QWidget::close);

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(contents);
  buttons->addWidget(back);
  buttons->addWidget(forward);
  buttons->addStretch();
  buttons->addWidget(close);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(Browser);
  resize(760, 600);
}

QUrl THelpWindow::ContentsPage() {
  return QUrl(QStringLiteral("qrc:/help/MailVornex.html"));
}

void THelpWindow::ShowContents() {
  Browser->setSource(ContentsPage());
  Browser->scrollToAnchor(QStringLiteral("contents"));
}
