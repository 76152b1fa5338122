#include "settings/PFrmPath.h"

#include "platform/IniText.h"
#include "settings/BrowseFolder.h"
#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using mv::Ui;

TFrmPath::TFrmPath(QWidget *parent) : QDialog(parent) {
  setWindowTitle(Ui("  Изменение параметров разбора и сохранения вложения"));

  Edit1 = new QLineEdit;
  Edit3 = new QLineEdit;
  Edit2 = new QLineEdit;
  btnBrowse = new QPushButton(QStringLiteral("..."));
  btnBrowse->setFixedWidth(btnBrowse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 12);

  auto *grid = new QGridLayout;
  grid->addWidget(new QLabel(Ui("Маска файла:")), 0, 0);
  grid->addWidget(Edit1, 0, 1, 1, 2);
  auto *addressLabel = new QLabel(Ui("Электронный адрес:") + QLatin1Char('\n') + Ui("(или маска адреса)"));
  grid->addWidget(addressLabel, 1, 0);
  grid->addWidget(Edit3, 1, 1, 1, 2);
  grid->addWidget(new QLabel(Ui("Директория:")), 2, 0);
  grid->addWidget(Edit2, 2, 1);
  grid->addWidget(btnBrowse, 2, 2);
  grid->setColumnMinimumWidth(1, 360);

  btnOk = new QPushButton(Ui("ОК")); // Cyrillic О and К, as the window always had
  btnOk->setDefault(true);
  btnCancel = new QPushButton(Ui("Отмена"));
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  connect(btnOk, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { OkClick(); }); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnBrowse, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { BrowseClick(); }); });
}

// The browser always opens at the root, whatever Edit2 holds.
void TFrmPath::BrowseClick() {
  QString folder;
  if (BrowseFolder(QString(), QStringLiteral("/"), this, folder))
    Edit2->setText(folder);
}

// The texts go into FilePath.ini one per line; a line break (a folder name
// may hold one) is refused here, where it was entered, and the dialog stays
// open.
void TFrmPath::OkClick() {
  for (const QLineEdit *edit : {Edit1, Edit3, Edit2})
    mv::RefuseLineBreak(mv::FromQt(edit->text()));
  accept();
}

void TFrmPath::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  Edit1->setFocus();
}
