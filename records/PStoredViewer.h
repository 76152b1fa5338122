#pragma once
// What the viewers of removed and of sent messages share: the list of kept
// copies in one directory, the text and the attachments of the selected one,
// deleting a copy and opening an attachment with the desktop's application.
// TDel_Msg and TSend_Msg set the texts and the few behaviours that differ.
#include "records/StoredMessages.h"

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

class TStoredViewer : public QDialog {
  Q_OBJECT
public:
  struct Look {
    mv::StoredKind Kind;
    const char *Caption;
    const char *Columns[3];
    int Widths[3];
    const char *AttachmentHeader;
    int AttachmentWidth;
    const char *AttachmentHint; // nullptr: none
    bool ReportUnreadable;      // show the texts of files left out of the list
    bool ShowOnClick;           // a plain click shows the row too
  };

  // dir: the directory of kept copies; attachments are written into
  // attachDir and tempAttDir is emptied before each opening.
  TStoredViewer(QWidget *parent, const Look &look, std::string dir, std::string attachDir,
                std::string tempAttDir);

  QTreeWidget *lvMessages;
  QPlainTextEdit *Memo1;
  QTreeWidget *lvAttachments;
  QPushButton *btnDelete; // "Удалить"
  QPushButton *btnClose;  // "Закрыть"

  void FormActivate(); // lists the directory
  void ShowSelected();
  void DeleteClick();
  // Opens the selected attachment; returns the path handed to the desktop
  // (empty when no attachment is selected).
  std::string OpenAttachment();
  // The file of a row (kept with the row, not displayed).
  std::string PathOf(int row) const;

protected:
  void showEvent(QShowEvent *event) override;

private:
  void ClearPanes();

  Look look_;
  std::string dir_, attachDir_, tempAttDir_;
  bool activated_ = false;
};
