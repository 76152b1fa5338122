#include "QtTestSupport.h"
#include "config/Config.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "settings/QtText.h"
#include "settings/Setup.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

using mv::IniFile;
using mv::Ui;

namespace {
MailSettings SampleSettings() {
  MailSettings s;
  s.PopHost = "pop.bank.test";
  s.PopPort = 995;
  s.PopUser = "\xE8\xE2\xE0\xED\xEE\xE2"; // "иванов"
  s.PopPassword = "p1";
  s.SmtpHost = "smtp.bank.test";
  s.SmtpPort = 587;
  s.SmtpUser = "ivanov";
  s.SmtpPassword = "p2";
  s.SmtpAuthType = 1;
  s.PersonalEmail = "ivanov@bank.test";
  return s;
}

struct SetupFixture : ::testing::Test {
  mvtest::ScratchDir dir;
  MailSettings settings = SampleSettings();
  QStringList panel; // every caption the server-name panel received
  std::unique_ptr<TfmSetup> Make() {
    return std::make_unique<TfmSetup>(nullptr, dir.Win1251Path(), settings,
                                      [this](const QString &text) { panel << text; });
  }
};
} // namespace

TEST_F(SetupFixture, ShowsTheSettingsAndNamesTheServerOnThePanel) {
  auto dialog = Make();
  EXPECT_EQ(dialog->windowTitle(), Ui("  Настройка почтовых серверов"));
  EXPECT_EQ(dialog->POPServer->text(), "pop.bank.test");
  EXPECT_EQ(dialog->POPPort->text(), "995");
  EXPECT_EQ(dialog->Account->text(), Ui("иванов"));
  EXPECT_EQ(dialog->SMTPPort->text(), "587");
  EXPECT_EQ(dialog->Email->text(), "ivanov@bank.test");
  EXPECT_EQ(dialog->cboAuthType->currentIndex(), 1);
  EXPECT_EQ(dialog->Password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog->edtPassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog->PageControl1->tabText(0), Ui("POP3 установки"));
  EXPECT_EQ(dialog->PageControl1->tabText(1), Ui("SMTP установки"));
  EXPECT_EQ(panel, QStringList{"pop.bank.test"});

  dialog->show();
  EXPECT_EQ(dialog->PageControl1->currentIndex(), 0);
  dialog->PageControl1->setCurrentIndex(1);
  EXPECT_TRUE(dialog->cboAuthType->isVisible()); // the type is offered for change
  EXPECT_TRUE(dialog->lblAuthType->isVisible());
  EXPECT_EQ(dialog->cboAuthType->itemText(2), "AUTH PLAIN");
  dialog->close();
}

TEST_F(SetupFixture, OkWritesEveryKeyAsTypedAndUpdatesTheSettings) {
  auto dialog = Make();
  dialog->show();
  dialog->POPServer->setText("mail.org.test");
  dialog->POPPort->setText("110");
  dialog->Account->setText(Ui("петров"));
  dialog->SMTPPort->setText("abc"); // stored as typed, 25 in memory
  dialog->Email->setText(Ui("петров@org.test"));
  dialog->BitBtn1Click();
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_FALSE(dialog->isVisible());

  IniFile ini(dir.Win1251Path() + "Mail.ini");
  EXPECT_EQ(ini.ReadString("Pop3", "ServerName", ""), "mail.org.test");
  EXPECT_EQ(ini.ReadString("Pop3", "ServerUser", ""), "\xEF\xE5\xF2\xF0\xEE\xE2"); // 1251 on disk
  EXPECT_EQ(ini.ReadString("Smtp", "ServerPort", ""), "abc");
  EXPECT_EQ(ini.ReadString("Smtp", "SMTPAuthenticationType", ""), "1");
  EXPECT_EQ(ini.ReadString("Email", "PersonalEmail", ""), mv::FromQt(Ui("петров@org.test")));
  // Written in the dialog's order: the type comes last, after [Email].
  // The security keys of each section follow its old ones.
  EXPECT_EQ(ini.ReadSection("Pop3"), (std::vector<std::string>{"ServerName", "ServerPort", "ServerUser",
                                                               "ServerPassword", "Security", "Fingerprint"}));
  EXPECT_EQ(ini.ReadSection("Smtp"),
            (std::vector<std::string>{"ServerName", "ServerPort", "ServerUser", "ServerPassword",
                                      "SMTPAuthenticationType", "Security", "Fingerprint"}));

  EXPECT_EQ(settings.PopHost, "mail.org.test");
  EXPECT_EQ(settings.PopPort, 110);
  EXPECT_EQ(settings.PopUser, "\xEF\xE5\xF2\xF0\xEE\xE2");
  EXPECT_EQ(settings.SmtpPort, 25);
  EXPECT_EQ(settings.SmtpAuthType, 1);
  EXPECT_EQ(panel.last(), "mail.org.test"); // hiding names the server again
}

TEST_F(SetupFixture, SecurityChoiceProposesThePortAndIsSavedWithTheFingerprint) {
  const struct {
    const char *section;
    int pick; // index chosen in "Защита соединения"
    const char *port;
  } cases[] = {{"Pop3", 0, "110"}, {"Pop3", 2, "110"}, {"Pop3", 1, "995"},
               {"Smtp", 1, "465"}, {"Smtp", 0, "25"},  {"Smtp", 2, "587"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.section) + " " + std::to_string(c.pick));
    settings = SampleSettings();
    settings.PopTLS.Mode = TIdTLSOptions::tlsImplicit;
    settings.SmtpTLS.Mode = TIdTLSOptions::tlsStartTLS;
    settings.SmtpTLS.Fingerprint = "AA:BB";
    auto dialog = Make();
    const bool pop = std::string(c.section) == "Pop3";
    QComboBox *choice = pop ? dialog->cboPopSecurity : dialog->cboSmtpSecurity;
    QLineEdit *port = pop ? dialog->POPPort : dialog->SMTPPort;
    QLineEdit *fingerprint = pop ? dialog->edtPopFingerprint : dialog->edtSmtpFingerprint;
    const TIdTLSOptions &tls = pop ? settings.PopTLS : settings.SmtpTLS;
    EXPECT_EQ(choice->currentIndex(), static_cast<int>(tls.Mode)); // shown as stored, port untouched
    EXPECT_EQ(port->text(), QString::number(pop ? 995 : 587));
    EXPECT_EQ(fingerprint->text(), mv::ToQt(tls.Fingerprint));
    choice->setCurrentIndex(c.pick);
    emit choice->activated(c.pick); // as a choice by the user
    EXPECT_EQ(port->text(), c.port);
    fingerprint->setText(Ui("ab:cd"));
    dialog->BitBtn1Click();
    IniFile ini(dir.Win1251Path() + "Mail.ini");
    EXPECT_EQ(ini.ReadString(c.section, "Security", ""), std::to_string(c.pick));
    EXPECT_EQ(ini.ReadString(c.section, "ServerPort", ""), c.port);
    EXPECT_EQ(ini.ReadString(c.section, "Fingerprint", ""), "ab:cd");
    EXPECT_EQ(tls.Mode, c.pick);
    EXPECT_EQ(tls.Fingerprint, "ab:cd");
  }
}

TEST_F(SetupFixture, AnUnshowableAuthTypeIsWrittenBackAsMinusOne) {
  settings.SmtpAuthType = 7;
  auto dialog = Make();
  EXPECT_EQ(dialog->cboAuthType->currentIndex(), -1);
  dialog->BitBtn1Click();
  EXPECT_EQ(IniFile(dir.Win1251Path() + "Mail.ini").ReadString("Smtp", "SMTPAuthenticationType", ""), "-1");
  EXPECT_EQ(settings.SmtpAuthType, -1);
}

TEST_F(SetupFixture, ClosingWithoutOkSavesNothingButThePanelShowsTheEditedServer) {
  auto dialog = Make();
  dialog->show();
  dialog->POPServer->setText("typed.but.not.saved");
  dialog->close();
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir.Utf8Path() + "Mail.ini")));
  EXPECT_EQ(settings.PopHost, "pop.bank.test");
  EXPECT_EQ(panel.last(), "typed.but.not.saved");
}

TEST_F(SetupFixture, ALineBreakIsRefusedAndTheDialogStaysOpenWithNothingStored) {
  mvtest::ErrorRecorder errors;
  auto dialog = Make();
  dialog->show();
  dialog->Email->setText("me@bank.test\n[Check]\nCh_Del=1");
  dialog->BitBtn1Click();
  EXPECT_EQ(errors.texts, QStringList{QString::fromStdString(mv::ErrorDisplayText(mv::kLineBreakRefused))});
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir.Utf8Path() + "Mail.ini")));
  EXPECT_EQ(settings.PersonalEmail, "ivanov@bank.test");
  dialog->close();
}

TEST_F(SetupFixture, AFailedWriteIsShownOnceAndTheDialogStillCloses) {
  ASSERT_TRUE(
      QDir().mkpath(QString::fromStdString(dir.Utf8Path() + "Mail.ini"))); // cannot be written as a file
  mvtest::ErrorRecorder errors;
  auto dialog = Make();
  dialog->show();
  dialog->POPServer->setText("new.host");
  dialog->BitBtn1Click();
  ASSERT_EQ(errors.texts.size(), 1);
  EXPECT_TRUE(errors.texts[0].startsWith("Unable to write to ")) << errors.texts[0].toStdString();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(settings.PopHost, "pop.bank.test"); // the first key failed: nothing stored in memory
}
