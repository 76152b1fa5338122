#include "app/Panels.h"

#include "settings/QtText.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

TStatusBar::TStatusBar(const QVector<int> &widths, QWidget *parent) : QFrame(parent) {
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 1, 0, 1);
  layout->setSpacing(2);
  for (int i = 0; i < widths.size(); ++i) {
    auto *panel = new QLabel;
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setTextFormat(Qt::PlainText);
    const bool last = i + 1 == widths.size();
    if (last)
      panel->setMinimumWidth(widths[i]);
    else
      panel->setFixedWidth(widths[i]);
    layout->addWidget(panel, last ? 1 : 0);
    panels_.push_back(panel);
  }
}

QString TStatusBar::Text(int panel) const {
  return panels_.at(panel)->text();
}

void TStatusBar::SetText(int panel, const QString &text) {
  panels_.at(panel)->setText(text);
  panels_.at(panel)->repaint();
}

TServerPanel::TServerPanel(QWidget *parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  CheckBox1 = new QCheckBox(mv::Ui("  Удалять разобранные сообщения с сервера"));
  Caption = new QLabel;
  Caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Caption->setTextFormat(Qt::PlainText);
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 0, 8, 0);
  layout->addWidget(CheckBox1);
  layout->addWidget(Caption, 1);
}

void TServerPanel::SetCaption(const QString &text) {
  Caption->setText(text);
}

void TServerPanel::mousePressEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton)
    emit Clicked();
  QFrame::mousePressEvent(event);
}
