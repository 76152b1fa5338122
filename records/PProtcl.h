#pragma once
// The protocol window: the shared protocol table in a grid, narrowed by a file
// name and a date range ("Обновить"), ordered by date and time or by sender,
// browsed and edited through the navigator, and printed as a document for
// the word processor. It works on the table; the table's index, filter and
// range outlive the window.
#include "records/ProtocolTable.h"

#include <QDialog>
#include <string>

class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class TDBNavigator;
class TProtocolModel;

class TfProtcl : public QDialog {
  Q_OBJECT
public:
  // documentDir: where the printed protocol is written (the program's Temp/).
  TfProtcl(QWidget *parent, ProtocolTable &table, std::string documentDir);

  // The value an empty date picker reads as: no date.
  static constexpr int kNoDate = -700000;

  QLineEdit *Edit1;
  QDateEdit *dxDateEdit1;
  QDateEdit *dxDateEdit2;
  QPushButton *btnRefresh;    // "Обновить"
  QRadioButton *RadioButton1; // " Дата и время"
  QRadioButton *RadioButton2; // " От кого"
  QTableView *DBGrid1;
  TProtocolModel *DataSource1;
  TDBNavigator *DBNavigator1;
  QPushButton *btnPrint;
  QPushButton *btnClose;

  // The picker's day number, kNoDate when it is empty.
  static int PickerDay(const QDateEdit &picker);
  static void SetPickerDay(QDateEdit &picker, int day); // kNoDate empties it

  void FormActivate();
  void RefreshClick();
  void SortClick(bool bySender);
  void TitleClick(int column);
  // Writes the document and asks the desktop to open it; returns its path.
  std::string PrintClick();

protected:
  void showEvent(QShowEvent *event) override;

private:
  void FollowCurrentRow(int row);

  ProtocolTable &table_;
  std::string documentDir_;
  bool activated_ = false;
  bool following_ = false;
};
