#pragma once
// The message editor: one message and one SMTP client for the whole run. The
// fields, text and attachments stay as left between openings; "&Отправить"
// sends through the SMTP settings of Mail.ini and keeps a copy in Send/.
#include "config/Config.h"
#include "mime/IdMessage.h"
#include "net/IdSMTP.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

class TfrmMessageEditor : public QDialog {
  Q_OBJECT
public:
  // settings: the main window's record, read afresh at every send.
  TfrmMessageEditor(QWidget *parent, const MailSettings &settings, std::string sendDir);

  // The recipient a fresh editor proposes.
  static constexpr const char *kDefaultRecipient = "office@example.org";

  TIdMessage IdMsgSend;
  TIdSMTP SMTP;

  QLineEdit *edtTo;
  QLineEdit *edtSubject;
  QLineEdit *edtCC;
  QComboBox *cboPriority;
  QCheckBox *chkReturnReciept;
  QTreeWidget *lvFiles;
  QPushButton *btnAttachment; // "Присоединить"
  QPushButton *Button1;       // "Удалить"
  QPlainTextEdit *Memo1;
  QPushButton *bbtnCancel;
  QPushButton *bbtnOk; // "&Отправить"

  // Sends; returns the path of the stored copy. Errors propagate.
  std::string Send();
  // "&Отправить": sends, shows a failure in the error box, closes with OK.
  void bbtnOkClick();
  void btnAttachmentClick(); // asks for a file
  void AddAttachmentFile(const std::string &path1251);
  void Button1Click();
  void RebuildList();

private:
  const MailSettings &settings_;
  std::string sendDir_;
};
