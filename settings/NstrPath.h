#pragma once
// The list window of the routing rules: loads FilePath.ini when it opens,
// keeps every change in its list, and writes the whole list back on OK.
#include "config/Config.h"

#include <QDialog>
#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;
class TFrmPath;

class TNastrPath : public QDialog {
  Q_OBJECT
public:
  // ruleDialog is the program's one single-rule dialog, shared by every
  // opening of the list window.
  TNastrPath(QWidget *parent, std::string baseDir, TFrmPath &ruleDialog);

  QTreeWidget *ListView1;
  QPushButton *btnAdd;
  QPushButton *btnChange;
  QPushButton *btnDelete;
  QPushButton *btnOk;
  QPushButton *btnCancel;

  void FormActivate(); // loads the rules; runs once, on the first showing
  void AddClick();
  void ChangeClick();
  void DeleteClick();
  void OkClick();

  // The rules as the list holds them, in order.
  std::vector<RoutingRule> Rules() const;

protected:
  void showEvent(QShowEvent *event) override;

private:
  void AddRow(const QString &mask, const QString &address, const QString &directory);

  std::string baseDir_;
  TFrmPath &ruleDialog_;
  bool loaded_ = false;
};
