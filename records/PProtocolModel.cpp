#include "records/PProtocolModel.h"

#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <array>

namespace {
struct Column {
  const char *field;
  const char *title;
};
const std::array<Column, 7> kColumns = {{{"FDate", "Дата"},
                                         {"FTime", "Время"},
                                         {"FFrom", "От кого"},
                                         {"FTema", "Тема"},
                                         {"FName", "Файл"},
                                         {"FDir", "Директория"},
                                         {"FComment", "Комментарий"}}};

std::string TextOf(const ProtocolRecord &r, int column) {
  switch (column) {
  case 0:
    return r.FDate ? mv::ShortDateText(*r.FDate) : std::string();
  case 1:
    return r.FTime ? mv::LongTimeText(*r.FTime) : std::string();
  case 2:
    return r.FFrom;
  case 3:
    return r.FTema;
  case 4:
    return r.FName;
  case 5:
    return r.FDir;
  default:
    return r.FComment;
  }
}
} // namespace

TProtocolModel::TProtocolModel(ProtocolTable &table, QObject *parent)
    : QAbstractTableModel(parent), table_(table) {
  subscription_ = table_.Subscribe([this](ProtocolTable::Change change) { TableChanged(change); });
}

TProtocolModel::~TProtocolModel() {
  table_.Unsubscribe(subscription_);
}

const char *TProtocolModel::FieldOf(int column) {
  return kColumns.at(static_cast<std::size_t>(column)).field;
}

void TProtocolModel::TableChanged(ProtocolTable::Change change) {
  cached_.reset();
  if (change == ProtocolTable::Change::Rows) {
    beginResetModel();
    endResetModel();
  } else if (rowCount() > 0) {
    // The edit state or the row being changed may show differently.
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  }
  emit CurrentRowChanged(table_.GetState() == ProtocolTable::State::Insert ? rowCount() - 1 : table_.RecNo());
}

int TProtocolModel::rowCount(const QModelIndex &parent) const {
  if (parent.isValid() || !table_.Active())
    return 0;
  return table_.RecordCount() + (table_.GetState() == ProtocolTable::State::Insert ? 1 : 0);
}

int TProtocolModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(kColumns.size());
}

bool TProtocolModel::InsertRow(int row) const {
  return table_.GetState() == ProtocolTable::State::Insert && row == table_.RecordCount();
}

const ProtocolRecord &TProtocolModel::RowRecord(int row) const {
  const bool changing = table_.GetState() != ProtocolTable::State::Browse;
  if (InsertRow(row) || (changing && row == table_.RecNo()))
    return table_.Current();
  if (!cached_ || cached_->first != row)
    cached_.emplace(row, table_.RecordAt(row));
  return cached_->second;
}

QVariant TProtocolModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
    return {};
  try {
    return mv::ToQt(TextOf(RowRecord(index.row()), index.column()));
  } catch (const std::exception &) {
    return {}; // a row removed behind the grid's back shows empty until the next change
  }
}

QVariant TProtocolModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal)
    return QAbstractTableModel::headerData(section, orientation, role);
  if (role == Qt::DisplayRole)
    return mv::Ui(kColumns.at(static_cast<std::size_t>(section)).title);
  if (role == Qt::TextAlignmentRole)
    return int(Qt::AlignCenter);
  return {};
}

Qt::ItemFlags TProtocolModel::flags(const QModelIndex &index) const {
  return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

// A stored row is written at once; a row being inserted takes the value and
// waits for the navigator's post. A refused value (a date that is no date, an
// emptied required field) is shown in the error box and the row is left as
// it was.
bool TProtocolModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  if (!index.isValid() || role != Qt::EditRole)
    return false;
  bool written = false;
  mv::RunCommand([&] {
    const std::string field = FieldOf(index.column());
    const std::string text = mv::FromQt(value.toString());
    if (InsertRow(index.row())) {
      table_.SetFieldText(field, text);
      written = true;
      return;
    }
    if (table_.GetState() == ProtocolTable::State::Edit && table_.RecNo() != index.row())
      table_.Post(); // leaving a changed row stores it, as moving off it in the grid does
    if (table_.GetState() == ProtocolTable::State::Browse && table_.RecNo() != index.row())
      table_.MoveTo(index.row());
    table_.Edit();
    try {
      table_.SetFieldText(field, text);
      table_.Post();
    } catch (...) {
      table_.Cancel();
      throw;
    }
    written = true;
  });
  return written;
}
