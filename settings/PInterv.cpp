#include "settings/PInterv.h"

#include "config/Config.h"
#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

using mv::Ui;

namespace {
QLabel *BoldNumber() {
  auto *label = new QLabel;
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
  return label;
}
} // namespace

TInterv::TInterv(QWidget *parent, std::string baseDir, QTimer &pollTimer)
    : QDialog(parent), baseDir_(std::move(baseDir)), pollTimer_(pollTimer) {
  setWindowTitle(Ui(" Интервал опроса"));

  dxSpinEdit1 = new QSpinBox;
  dxSpinEdit1->setRange(1, 100000);
  dxSpinEdit1->setValue(1);
  lblHours = BoldNumber();
  lblMinutes = BoldNumber();
  lblSeconds = BoldNumber();

  auto *top = new QHBoxLayout;
  top->addWidget(new QLabel(Ui("Интервал опроса сервера (в секундах):")));
  top->addWidget(dxSpinEdit1);

  auto *breakdown = new QHBoxLayout;
  breakdown->addStretch();
  breakdown->addWidget(lblHours);
  breakdown->addWidget(new QLabel(Ui("час.")));
  breakdown->addWidget(lblMinutes);
  breakdown->addWidget(new QLabel(Ui("мин.")));
  breakdown->addWidget(lblSeconds);
  breakdown->addWidget(new QLabel(Ui("сек.")));

  btnOk = new QPushButton(QStringLiteral("OK"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(Ui("Отмена"));
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(breakdown);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(dxSpinEdit1, &QSpinBox::valueChanged, this, [this] { UpdateBreakdown(); });
  connect(btnOk, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { OkClick(); }); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TInterv::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!activated_)
    mv::RunCommand([this] { FormActivate(); });
}

// A stored value that is not a whole number stops here with the conversion
// error: the spin edit keeps 1 and the timer its interval. Values outside
// 1..100000 are brought to the nearest bound by the spin edit.
void TInterv::FormActivate() {
  activated_ = true;
  const int seconds = mv::ReadPollIntervalForDialog(baseDir_);
  dxSpinEdit1->setValue(seconds);
  pollTimer_.setInterval(dxSpinEdit1->value() * 1000);
  UpdateBreakdown();
}

void TInterv::UpdateBreakdown() {
  const int v = dxSpinEdit1->value();
  if (v <= 0)
    return;
  lblHours->setText(QString::number(v / 3600));
  lblMinutes->setText(QString::number(v % 3600 / 60));
  lblSeconds->setText(QString::number(v % 60));
}

// A failed write raises before the timer is touched: the dialog stays open.
void TInterv::OkClick() {
  const int seconds = dxSpinEdit1->value();
  mv::WritePollInterval(baseDir_, seconds);
  pollTimer_.setInterval(seconds * 1000);
  accept();
}
