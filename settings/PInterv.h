#pragma once
// The poll interval dialog: shows the stored interval (60 s when none is
// stored), applies it to the running poll timer at once, and on OK stores it
// in FilePath.ini and applies it again.
#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

class TInterv : public QDialog {
  Q_OBJECT
public:
  TInterv(QWidget *parent, std::string baseDir, QTimer &pollTimer);

  QSpinBox *dxSpinEdit1;
  QLabel *lblHours;
  QLabel *lblMinutes;
  QLabel *lblSeconds;
  QPushButton *btnOk;
  QPushButton *btnCancel;

  void FormActivate(); // runs once, on the first showing
  void OkClick();
  void UpdateBreakdown();

protected:
  void showEvent(QShowEvent *event) override;

private:
  std::string baseDir_;
  QTimer &pollTimer_;
  bool activated_ = false;
};
