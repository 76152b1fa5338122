#include "records/PProtcl.h"

#include "platform/FileSystem.h"
#include "records/PNavigator.h"
#include "records/POpenFile.h"
#include "records/PProtocolDocument.h"
#include "records/PProtocolModel.h"
#include "records/ProtocolQuery.h"
#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

using mv::Ui;

namespace {
// Day numbers count from 30 December 1899.
const QDate kDayZero(1899, 12, 30);
// The earliest date a picker holds stands for "empty" and shows no text.
const QDate kEmptyPickerDate(1900, 1, 1);

const int kColumnWidths[] = {-1, -1, 100, 160, 85, 190, 500};

QDateEdit *DatePicker() {
  auto *picker = new QDateEdit;
  picker->setCalendarPopup(true);
  picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  picker->setMinimumDate(kEmptyPickerDate);
  picker->setSpecialValueText(QStringLiteral(" "));
  picker->setDate(kEmptyPickerDate);
  return picker;
}

// "Protocol.odt", else the first free "C<n>_Protocol.odt": a document still
// open in the word processor is never overwritten.
std::string FreeDocumentPath(const std::string &dir) {
  const std::string name = "Protocol.odt";
  std::string path = dir + name;
  for (int n = 1; mv::FileExists(path); ++n)
    path = dir + "C" + std::to_string(n) + "_" + name;
  return path;
}
} // namespace

int TfProtcl::PickerDay(const QDateEdit &picker) {
  return picker.date() <= kEmptyPickerDate ? kNoDate : static_cast<int>(kDayZero.daysTo(picker.date()));
}

void TfProtcl::SetPickerDay(QDateEdit &picker, int day) {
  picker.setDate(day <= 0 ? kEmptyPickerDate : kDayZero.addDays(day));
}

TfProtcl::TfProtcl(QWidget *parent, ProtocolTable &table, std::string documentDir)
    : QDialog(parent), table_(table), documentDir_(std::move(documentDir)) {
  setWindowTitle(Ui(" Протокол"));
  setSizeGripEnabled(true);
  resize(1000, 600);

  auto *filter = new QGroupBox(Ui(" Фильтр "));
  Edit1 = new QLineEdit;
  dxDateEdit1 = DatePicker();
  dxDateEdit2 = DatePicker();
  btnRefresh = new QPushButton(Ui("Обновить"));
  auto *filterLayout = new QHBoxLayout(filter);
  filterLayout->addWidget(new QLabel(Ui("Название файла:  ")));
  filterLayout->addWidget(Edit1, 1);
  filterLayout->addWidget(new QLabel(Ui("Начальная дата:")));
  filterLayout->addWidget(dxDateEdit1);
  filterLayout->addWidget(new QLabel(Ui("Конечная дата:")));
  filterLayout->addWidget(dxDateEdit2);
  filterLayout->addWidget(btnRefresh);

  auto *sort = new QGroupBox(Ui(" Сортировка "));
  RadioButton1 = new QRadioButton(Ui(" Дата и время"));
  RadioButton2 = new QRadioButton(Ui(" От кого"));
  auto *sortLayout = new QVBoxLayout(sort);
  sortLayout->addWidget(RadioButton1);
  sortLayout->addWidget(RadioButton2);

  auto *top = new QHBoxLayout;
  top->addWidget(filter, 1);
  top->addWidget(sort);

  DataSource1 = new TProtocolModel(table_, this);
  DBGrid1 = new QTableView;
  DBGrid1->setModel(DataSource1);
  DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
  DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 6);
  for (int column = 0; column < DataSource1->columnCount(); ++column)
    if (kColumnWidths[column] > 0)
      DBGrid1->setColumnWidth(column, kColumnWidths[column]);

  DBNavigator1 = new TDBNavigator(table_);
  btnPrint = new QPushButton(Ui("Печать"));
  btnClose = new QPushButton(Ui("Закрыть"));
  auto *bottom = new QHBoxLayout;
  bottom->addWidget(DBNavigator1);
  bottom->addStretch();
  bottom->addWidget(btnPrint);
  bottom->addWidget(btnClose);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(DBGrid1, 1);
  layout->addLayout(bottom);

  connect(btnRefresh, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { RefreshClick(); }); });
  connect(RadioButton1, &QRadioButton::clicked, this,
          [this] { mv::RunCommand([this] { SortClick(false); }); });
  connect(RadioButton2, &QRadioButton::clicked, this,
          [this] { mv::RunCommand([this] { SortClick(true); }); });
  connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { mv::RunCommand([this, column] { TitleClick(column); }); });
  connect(btnPrint, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { PrintClick(); }); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
  connect(DataSource1, &TProtocolModel::CurrentRowChanged, this, &TfProtcl::FollowCurrentRow);
  connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex &current) {
            if (following_ || !current.isValid() || table_.GetState() != ProtocolTable::State::Browse ||
                current.row() == table_.RecNo())
              return;
            mv::RunCommand([&] { table_.MoveTo(current.row()); });
          });
  connect(DBNavigator1, &TDBNavigator::EditStarted, this, [this] {
    const QModelIndex cell = DataSource1->index(
        table_.GetState() == ProtocolTable::State::Insert ? DataSource1->rowCount() - 1 : table_.RecNo(),
        qMax(0, DBGrid1->currentIndex().column()));
    if (cell.isValid()) {
      DBGrid1->setCurrentIndex(cell);
      DBGrid1->edit(cell);
    }
  });
}

void TfProtcl::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!activated_) {
    activated_ = true;
    mv::RunCommand([this] { FormActivate(); });
  }
}

// The filter left on the shared table by an earlier opening stays in force.
void TfProtcl::FormActivate() {
  RadioButton1->setChecked(true);
  mv::SelectProtocolOrder(table_, mv::ProtocolOrder::DateTime);
  table_.Open();
  FollowCurrentRow(table_.RecNo());
}

void TfProtcl::RefreshClick() {
  mv::ApplyProtocolFilter(table_, mv::FromQt(Edit1->text()), PickerDay(*dxDateEdit1),
                          PickerDay(*dxDateEdit2));
}

void TfProtcl::SortClick(bool bySender) {
  (bySender ? RadioButton2 : RadioButton1)->setChecked(true);
  mv::SelectProtocolOrder(table_, bySender ? mv::ProtocolOrder::Sender : mv::ProtocolOrder::DateTime);
}

void TfProtcl::TitleClick(int column) {
  const std::string field = TProtocolModel::FieldOf(column);
  if (field == "FFrom")
    SortClick(true);
  else if (field == "FDate" || field == "FTime")
    SortClick(false);
}

std::string TfProtcl::PrintClick() {
  const std::string path = FreeDocumentPath(documentDir_);
  mv::WriteProtocolDocument(mv::ProtocolReportLines(table_), path);
  if (!mv::OpenWithDesktop(path))
    mv::ShowErrorMessage(mv::FromQt(
        Ui("Не найдено приложение, открывающее документ. Протокол сохранён в файле %1").arg(mv::ToQt(path))));
  return path;
}

void TfProtcl::FollowCurrentRow(int row) {
  following_ = true;
  if (row >= 0 && row < DataSource1->rowCount())
    DBGrid1->selectRow(row);
  else
    DBGrid1->clearSelection();
  following_ = false;
}
