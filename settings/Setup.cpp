#include "settings/Setup.h"

#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using mv::FromQt;
using mv::ToQt;
using mv::Ui;

namespace {
QLineEdit *AddField(QFormLayout *form, const char *label) {
  auto *edit = new QLineEdit;
  edit->setMinimumWidth(240);
  auto *caption = new QLabel(Ui(label));
  caption->setBuddy(edit);
  form->addRow(caption, edit);
  return edit;
}

// The modes in the order of TIdTLSOptions::TMode.
QComboBox *AddSecurityChoice(QFormLayout *form) {
  auto *choice = new QComboBox;
  choice->addItems({Ui("Нет"), Ui("SSL/TLS"), Ui("STARTTLS")});
  auto *caption = new QLabel(Ui("&Защита соединения"));
  caption->setBuddy(choice);
  form->addRow(caption, choice);
  return choice;
}

// Only a choice the user makes proposes a port; filling the dialog does not.
void ProposePortOnChoice(QComboBox *choice, QLineEdit *port, int (*usualPort)(TIdTLSOptions::TMode)) {
  QObject::connect(choice, &QComboBox::activated, port, [port, usualPort](int index) {
    port->setText(QString::number(usualPort(static_cast<TIdTLSOptions::TMode>(index))));
  });
}

void ShowMode(QComboBox *choice, TIdTLSOptions::TMode mode) {
  choice->setCurrentIndex(static_cast<int>(mode));
}

// Passwords are typed blind, shown as "*".
void MakePasswordField(QLineEdit *edit) {
  edit->setEchoMode(QLineEdit::Password);
  edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
}
} // namespace

TfmSetup::TfmSetup(QWidget *parent, std::string baseDir, MailSettings &settings,
                   std::function<void(const QString &)> setServerPanel)
    : QDialog(parent), baseDir_(std::move(baseDir)), settings_(settings),
      setServerPanel_(std::move(setServerPanel)) {
  setWindowTitle(Ui("  Настройка почтовых серверов"));

  PageControl1 = new QTabWidget;
  auto *popPage = new QWidget;
  auto *popForm = new QFormLayout(popPage);
  POPServer = AddField(popForm, "&Сервер входящих сообщений (POP)");
  POPPort = AddField(popForm, "П&орт");
  Account = AddField(popForm, "&Идентификатор");
  Password = AddField(popForm, "&Пароль");
  MakePasswordField(Password);
  cboPopSecurity = AddSecurityChoice(popForm);
  edtPopFingerprint = AddField(popForm, "Отпе&чаток сертификата (SHA-256)");
  ProposePortOnChoice(cboPopSecurity, POPPort, UsualPop3Port);
  PageControl1->addTab(popPage, Ui("POP3 установки"));

  auto *smtpPage = new QWidget;
  auto *smtpForm = new QFormLayout(smtpPage);
  SMTPServer = AddField(smtpForm, "&Сервер исходящих сообщений (SMTP)");
  SMTPPort = AddField(smtpForm, "По&рт");
  edtAccount = AddField(smtpForm, "&Идентификатор");
  edtPassword = AddField(smtpForm, "&Пароль");
  MakePasswordField(edtPassword);
  Email = AddField(smtpForm, "&Ваш  email");
  lblAuthType = new QLabel(Ui("&Тип:"));
  cboAuthType = new QComboBox;
  cboAuthType->addItems({Ui("Нет"), QStringLiteral("AUTH LOGIN"), QStringLiteral("AUTH PLAIN")});
  lblAuthType->setBuddy(cboAuthType);
  smtpForm->addRow(lblAuthType, cboAuthType);
  cboSmtpSecurity = AddSecurityChoice(smtpForm);
  edtSmtpFingerprint = AddField(smtpForm, "Отпе&чаток сертификата (SHA-256)");
  ProposePortOnChoice(cboSmtpSecurity, SMTPPort, UsualSmtpPort);
  PageControl1->addTab(smtpPage, Ui("SMTP установки"));

  BitBtn1 = new QPushButton(QStringLiteral("OK"));
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(PageControl1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  setMinimumWidth(460);

  FormCreate();
}

void TfmSetup::FormCreate() {
  POPServer->setText(ToQt(settings_.PopHost));
  POPPort->setText(QString::number(settings_.PopPort));
  Account->setText(ToQt(settings_.PopUser));
  Password->setText(ToQt(settings_.PopPassword));
  SMTPServer->setText(ToQt(settings_.SmtpHost));
  SMTPPort->setText(QString::number(settings_.SmtpPort));
  edtAccount->setText(ToQt(settings_.SmtpUser));
  edtPassword->setText(ToQt(settings_.SmtpPassword));
  Email->setText(ToQt(settings_.PersonalEmail));
  // A stored type the list cannot show leaves it without a selection.
  const int type = settings_.SmtpAuthType;
  cboAuthType->setCurrentIndex(type >= 0 && type < cboAuthType->count() ? type : -1);
  ShowMode(cboPopSecurity, settings_.PopTLS.Mode);
  edtPopFingerprint->setText(ToQt(settings_.PopTLS.Fingerprint));
  ShowMode(cboSmtpSecurity, settings_.SmtpTLS.Mode);
  edtSmtpFingerprint->setText(ToQt(settings_.SmtpTLS.Fingerprint));
  if (setServerPanel_)
    setServerPanel_(POPServer->text());
}

mv::SetupTexts TfmSetup::Texts() const {
  mv::SetupTexts texts;
  texts.PopHost = FromQt(POPServer->text());
  texts.PopPort = FromQt(POPPort->text());
  texts.PopUser = FromQt(Account->text());
  texts.PopPassword = FromQt(Password->text());
  texts.SmtpHost = FromQt(SMTPServer->text());
  texts.SmtpPort = FromQt(SMTPPort->text());
  texts.SmtpUser = FromQt(edtAccount->text());
  texts.SmtpPassword = FromQt(edtPassword->text());
  texts.PersonalEmail = FromQt(Email->text());
  texts.AuthTypeIndex = cboAuthType->currentIndex();
  texts.PopSecurityIndex = cboPopSecurity->currentIndex();
  texts.PopFingerprint = FromQt(edtPopFingerprint->text());
  texts.SmtpSecurityIndex = cboSmtpSecurity->currentIndex();
  texts.SmtpFingerprint = FromQt(edtSmtpFingerprint->text());
  return texts;
}

// A typed line break is refused and the dialog stays open for the text to be
// mended. A failed write is shown and stores nothing; the dialog closes all
// the same.
void TfmSetup::BitBtn1Click() {
  const mv::SetupTexts texts = Texts();
  bool storable = false;
  mv::RunCommand([&] {
    mv::RefuseLineBreaks(texts);
    storable = true;
    mv::SaveSetupTexts(baseDir_, texts, settings_);
  });
  if (storable)
    accept();
}

void TfmSetup::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  PageControl1->setCurrentIndex(0);
  PageControl1->setFocus();
}

void TfmSetup::hideEvent(QHideEvent *event) {
  QDialog::hideEvent(event);
  if (setServerPanel_)
    setServerPanel_(POPServer->text());
}
