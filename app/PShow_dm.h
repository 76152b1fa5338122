#pragma once
// The presentation prompt: one check box, "do not show the presentation at
// start", read from Mail.ini when the window is made and written back at
// every change.
#include <QDialog>
#include <string>

class QCheckBox;

class TFShow_dm : public QDialog {
  Q_OBJECT
public:
  TFShow_dm(QWidget *parent, std::string baseDir);

  QCheckBox *CheckBox1;

  void CheckBox1Click();

private:
  std::string baseDir_;
};
