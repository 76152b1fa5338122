#pragma once
// The record navigator under the protocol grid: first, prior, next, last,
// insert, delete (after "Delete record?"), edit, post, cancel, refresh, each
// acting on the shared protocol table. Buttons that cannot act in the
// table's state are disabled.
#include "records/ProtocolTable.h"

#include <QWidget>
#include <array>

class QToolButton;

class TDBNavigator : public QWidget {
  Q_OBJECT
public:
  enum Button { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
  static constexpr int kButtonCount = 10;

  explicit TDBNavigator(ProtocolTable &table, QWidget *parent = nullptr);
  ~TDBNavigator() override;

  QToolButton *ButtonAt(Button button) const { return buttons_[button]; }
  void Click(Button button);

signals:
  // Insert or edit began: the grid starts editing its current cell.
  void EditStarted();

private:
  void UpdateButtons();

  ProtocolTable &table_;
  int subscription_ = 0;
  std::array<QToolButton *, kButtonCount> buttons_{};
};
