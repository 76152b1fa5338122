#pragma once
// The protocol window's grid binding: a table model over the shared protocol
// table. It recounts its rows whenever the table reports a change of the
// visible set (open, close, order, filter, range, post, delete, refresh) and
// follows the table's current row. Editing a cell of a stored row writes the
// row at once; while a new row is being inserted it stands last, unstored,
// until the navigator posts it.
#include "records/ProtocolTable.h"

#include <QAbstractTableModel>
#include <optional>

class TProtocolModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit TProtocolModel(ProtocolTable &table, QObject *parent = nullptr);
  ~TProtocolModel() override;

  // The table fields of the columns, in column order.
  static const char *FieldOf(int column);

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

  ProtocolTable &Table() { return table_; }

signals:
  // The table's current row moved (-1: none).
  void CurrentRowChanged(int row);

private:
  void TableChanged(ProtocolTable::Change change);
  bool InsertRow(int row) const;
  const ProtocolRecord &RowRecord(int row) const;

  ProtocolTable &table_;
  int subscription_ = 0;
  // The last row read for display; a grid asks for each cell in turn.
  mutable std::optional<std::pair<int, ProtocolRecord>> cached_;
};
