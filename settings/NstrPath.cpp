#include "settings/NstrPath.h"

#include "config/RoutingRules.h"
#include "settings/ErrorDisplay.h"
#include "settings/PFrmPath.h"
#include "settings/QtText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using mv::FromQt;
using mv::ToQt;
using mv::Ui;

TNastrPath::TNastrPath(QWidget *parent, std::string baseDir, TFrmPath &ruleDialog)
    : QDialog(parent), baseDir_(std::move(baseDir)), ruleDialog_(ruleDialog) {
  setWindowTitle(Ui("  Настройка  сохранения вложений"));
  setSizeGripEnabled(true);

  ListView1 = new QTreeWidget;
  ListView1->setColumnCount(3);
  ListView1->setHeaderLabels({Ui(" Маска файла"), Ui(" Электронный адрес"), Ui(" Директория")});
  ListView1->setRootIsDecorated(false);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->header()->setStretchLastSection(false);

  btnAdd = new QPushButton(Ui("Добавить"));
  btnChange = new QPushButton(Ui("Изменить"));
  btnDelete = new QPushButton(Ui("Удалить"));
  btnOk = new QPushButton(QStringLiteral("OK"));
  btnCancel = new QPushButton(Ui("Отмена"));
  auto *buttons = new QHBoxLayout;
  for (QPushButton *b : {btnAdd, btnChange, btnDelete})
    buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(ListView1);
  layout->addLayout(buttons);
  resize(800, 360);

  connect(btnAdd, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { AddClick(); }); });
  connect(btnChange, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { ChangeClick(); }); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { DeleteClick(); }); });
  connect(btnOk, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { OkClick(); }); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TNastrPath::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!loaded_) {
    loaded_ = true;
    mv::RunCommand([this] { FormActivate(); });
  }
}

// A [Count] whose CNT is not a whole number stops the loading with the
// conversion error; the list then stays empty.
void TNastrPath::FormActivate() {
  loaded_ = true;
  ListView1->setColumnWidth(0, 130);
  ListView1->setColumnWidth(1, 130);
  ListView1->setColumnWidth(2, 500);
  ListView1->clear();
  for (const RoutingRule &rule : mv::ReadRoutingRules(baseDir_))
    AddRow(ToQt(rule.FileMask), ToQt(rule.AddressMask), ToQt(rule.Directory));
}

void TNastrPath::AddRow(const QString &mask, const QString &address, const QString &directory) {
  auto *item = new QTreeWidgetItem(ListView1, {mask, address, directory});
  ListView1->addTopLevelItem(item);
}

// The rule dialog keeps its last texts: "add" right after "change" proposes
// a copy of the changed rule.
void TNastrPath::AddClick() {
  ruleDialog_.mode = TFrmPath::Mode::Add;
  if (ruleDialog_.exec() == QDialog::Accepted)
    AddRow(ruleDialog_.Edit1->text(), ruleDialog_.Edit3->text(), ruleDialog_.Edit2->text());
}

void TNastrPath::ChangeClick() {
  QTreeWidgetItem *row = ListView1->currentItem();
  if (!row || !row->isSelected())
    return;
  ruleDialog_.mode = TFrmPath::Mode::Change;
  ruleDialog_.Edit1->setText(row->text(0));
  ruleDialog_.Edit3->setText(row->text(1));
  ruleDialog_.Edit2->setText(row->text(2));
  if (ruleDialog_.exec() != QDialog::Accepted)
    return;
  row->setText(0, ruleDialog_.Edit1->text());
  row->setText(1, ruleDialog_.Edit3->text());
  row->setText(2, ruleDialog_.Edit2->text());
}

void TNastrPath::DeleteClick() {
  QTreeWidgetItem *row = ListView1->currentItem();
  if (row && row->isSelected())
    delete row;
}

std::vector<RoutingRule> TNastrPath::Rules() const {
  std::vector<RoutingRule> rules;
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
    const QTreeWidgetItem *row = ListView1->topLevelItem(i);
    RoutingRule rule;
    rule.FileMask = FromQt(row->text(0));
    rule.AddressMask = FromQt(row->text(1));
    rule.Directory = FromQt(row->text(2));
    rule.Number = i + 1;
    rules.push_back(std::move(rule));
  }
  return rules;
}

// A failed write raises before accept(): the window stays open with its list.
void TNastrPath::OkClick() {
  mv::WriteRoutingRules(baseDir_, Rules());
  accept();
}
