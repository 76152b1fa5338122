#pragma once
// The mail server settings dialog: shows MailSettings, and on OK writes the
// ten values of the plain servers, then each server's security and pinned
// fingerprint, to Mail.ini and into MailSettings.
#include "config/Config.h"

#include <QDialog>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class TfmSetup : public QDialog {
  Q_OBJECT
public:
  // setServerPanel receives the POP3 server text for the main window's
  // server-name panel (at creation and whenever the dialog hides).
  TfmSetup(QWidget *parent, std::string baseDir, MailSettings &settings,
           std::function<void(const QString &)> setServerPanel);

  QTabWidget *PageControl1;
  QLineEdit *POPServer;
  QLineEdit *POPPort;
  QLineEdit *Account;
  QLineEdit *Password;
  QLineEdit *SMTPServer;
  QLineEdit *SMTPPort;
  QLineEdit *edtAccount;
  QLineEdit *edtPassword;
  QLineEdit *Email;
  QLabel *lblAuthType;
  QComboBox *cboAuthType; // none, AUTH LOGIN, AUTH PLAIN
  // "Защита соединения" (Нет / SSL/TLS / STARTTLS) and the pinned
  // fingerprint of each server. Choosing a mode proposes its usual port.
  QComboBox *cboPopSecurity;
  QLineEdit *edtPopFingerprint;
  QComboBox *cboSmtpSecurity;
  QLineEdit *edtSmtpFingerprint;
  QPushButton *BitBtn1;

  void BitBtn1Click();

protected:
  void showEvent(QShowEvent *event) override;
  void hideEvent(QHideEvent *event) override;

private:
  void FormCreate();
  mv::SetupTexts Texts() const;

  std::string baseDir_;
  MailSettings &settings_;
  std::function<void(const QString &)> setServerPanel_;
};
