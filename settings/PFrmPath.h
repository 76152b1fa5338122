#pragma once
// The single-rule dialog of the rules editor. Made once at program start and
// reused: its mode stays as last set and its edits keep their last texts.
#include <QDialog>

class QLineEdit;
class QPushButton;

class TFrmPath : public QDialog {
  Q_OBJECT
public:
  enum class Mode { Add, Change };

  explicit TFrmPath(QWidget *parent);

  QLineEdit *Edit1; // file-name mask
  QLineEdit *Edit3; // sender address or mask
  QLineEdit *Edit2; // target directory
  QPushButton *btnBrowse;
  QPushButton *btnOk;
  QPushButton *btnCancel;

  Mode mode = Mode::Add;

  void BrowseClick();
  void OkClick();

protected:
  void showEvent(QShowEvent *event) override;
};
