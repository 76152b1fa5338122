#include "../qt_dialogs/QtTestSupport.h"
#include "RealServers.h"
#include "RecordsSupport.h"
#include "compose/Composer.h"
#include "compose/MessageEditor.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "records/StoredMessages.h"
#include "settings/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <fstream>
#include <random>

namespace {
// What Python's email package makes of a received message.
QJsonObject AsPythonReadsIt(const std::string &content) {
  static const char *script = R"(
import email, email.policy, json, sys
m = email.message_from_bytes(sys.stdin.buffer.read(), policy=email.policy.default)
out = {k: str(m.get(k, '')) for k in ('To', 'Cc', 'Subject', 'X-Priority', 'Disposition-Notification-To')}
out['attachments'] = []
for part in m.walk():
    if part.is_multipart():
        continue
    if part.get_content_disposition() == 'attachment':
        out['attachments'].append({'name': part.get_filename(), 'hex': part.get_content().hex()})
    elif part.get_content_type() == 'text/plain':
        out['text'] = part.get_content().replace('\r\n', '\n')
        out['charset'] = part.get_content_charset()
print(json.dumps(out))
)";
  QProcess python;
  python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(script)});
  python.write(QByteArray::fromStdString(content));
  python.closeWriteChannel();
  python.waitForFinished(60000);
  return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

struct EditorTest : ::testing::Test {
  mvtest::ScratchDir dir;
  MailSettings settings;
  std::string attachment;
  QByteArray attachmentBytes;
  void SetUp() override {
    if (!SmtpServer::Available())
      GTEST_SKIP() << "python3-aiosmtpd is not installed";
    ASSERT_TRUE(mv::ForceDirectories(dir.Win1251Path() + "Send/"));
    settings.SmtpHost = "127.0.0.1";
    settings.PersonalEmail = "desk@example.org";
    std::mt19937 random(13);
    for (int i = 0; i < 5000; ++i)
      attachmentBytes.append(static_cast<char>(random()));
    attachment = dir.Win1251Path() + "figures.bin";
    std::ofstream(attachment, std::ios::binary) << attachmentBytes.toStdString();
  }
};
} // namespace

TEST_F(EditorTest, SendsThroughTheServerKeepsCopiesAndAFailureKeepsTheFields) {
  SmtpServer server;
  settings.SmtpPort = server.Port();
  TfrmMessageEditor editor(nullptr, settings, dir.Win1251Path() + "Send/");
  mvtest::ErrorRecorder errors;
  editor.show();
  EXPECT_EQ(editor.cboPriority->currentText(), "Normal");
  editor.edtTo->setText("a@example.org, b@example.org");
  editor.edtCC->setText("c@example.org");
  editor.edtSubject->setText(mv::Ui("Отчёт за месяц"));
  editor.cboPriority->setCurrentIndex(1);
  editor.chkReturnReciept->setChecked(true);
  QString longParagraph;
  for (int i = 0; i < 200; ++i)
    longParagraph += mv::Ui("слово%1 ").arg(i);
  const QString text = mv::Ui("Добрый день!\n") + longParagraph + mv::Ui("\nконец");
  editor.Memo1->setPlainText(text);
  editor.AddAttachmentFile(attachment);
  ASSERT_EQ(editor.lvFiles->topLevelItemCount(), 1);
  EXPECT_EQ(editor.lvFiles->topLevelItem(0)->text(0), "figures.bin");
  mvtest::SaveShot(editor, "message-editor");

  editor.bbtnOk->click();
  EXPECT_EQ(errors.texts, QStringList{});
  EXPECT_EQ(editor.result(), QDialog::Accepted);
  ASSERT_EQ(server.Messages().size(), 1u);
  const SmtpServer::Received received = server.Messages()[0];
  EXPECT_EQ(received.RcptTos, (std::vector<std::string>{"a@example.org", "b@example.org", "c@example.org"}));
  const QJsonObject read = AsPythonReadsIt(received.Content);
  EXPECT_EQ(read["To"].toString(), "a@example.org, b@example.org");
  EXPECT_EQ(read["Cc"].toString(), "c@example.org");
  EXPECT_EQ(read["Subject"].toString(), mv::Ui("Отчёт за месяц"));
  EXPECT_EQ(read["X-Priority"].toString(), "2");
  EXPECT_EQ(read["Disposition-Notification-To"].toString(), "desk@example.org");
  // The long paragraph arrives in lines SMTP carries, broken at blanks only.
  const QString arrived = read["text"].toString();
  for (const QString &line : arrived.split('\n'))
    EXPECT_LE(mv::FromQt(line).size(), mv::kMaxLineBytes);
  EXPECT_GT(arrived.count('\n'), text.count('\n') + 5);
  EXPECT_EQ(QString(arrived).replace('\n', ' ').trimmed(), QString(text).replace('\n', ' '));
  const QJsonArray attachments = read["attachments"].toArray();
  ASSERT_EQ(attachments.size(), 1);
  EXPECT_EQ(attachments[0].toObject()["name"].toString(), "figures.bin");
  EXPECT_EQ(attachments[0].toObject()["hex"].toString(), QString::fromLatin1(attachmentBytes.toHex()));
  EXPECT_TRUE(mv::FileExists(dir.Win1251Path() + "Send/SMsg.eml"));

  // Without the attachment, sent again: a plain message that names its charset.
  editor.lvFiles->setCurrentItem(editor.lvFiles->topLevelItem(0));
  editor.Button1->click();
  EXPECT_EQ(editor.lvFiles->topLevelItemCount(), 0);
  editor.Memo1->setPlainText(mv::Ui("Привет, коллеги!"));
  editor.chkReturnReciept->setChecked(false);
  editor.bbtnOk->click();
  ASSERT_EQ(server.Messages().size(), 2u);
  const QJsonObject plain = AsPythonReadsIt(server.Messages()[1].Content);
  EXPECT_EQ(plain["charset"].toString(), "windows-1251");
  EXPECT_EQ(plain["text"].toString().trimmed(), mv::Ui("Привет, коллеги!"));
  EXPECT_EQ(plain["Disposition-Notification-To"].toString(), "");
  EXPECT_TRUE(plain["attachments"].toArray().isEmpty());
  EXPECT_TRUE(mv::FileExists(dir.Win1251Path() + "Send/C1_SMsg.eml"));
  // Both copies are what the viewer of sent messages lists.
  EXPECT_EQ(mv::ListStoredMessages(dir.Win1251Path() + "Send/", mv::StoredKind::Sent).Rows.size(), 2u);

  // Nothing listens any more: the error is shown, no copy, the fields stay.
  settings.SmtpPort = 1; // refused on loopback
  editor.bbtnOk->click();
  EXPECT_EQ(errors.texts.size(), 1);
  EXPECT_FALSE(mv::FileExists(dir.Win1251Path() + "Send/C2_SMsg.eml"));
  EXPECT_EQ(editor.edtTo->text(), "a@example.org, b@example.org");
  EXPECT_EQ(editor.Memo1->toPlainText(), mv::Ui("Привет, коллеги!"));
  EXPECT_EQ(editor.result(), QDialog::Accepted);
}

TEST(Composer, LongParagraphsAreWrappedAtBlanksAndCutWithoutThem) {
  std::string words; // 120 words of 9 letters and a blank: 1200 bytes
  while (words.size() < 1200)
    words += "abcdefghi ";
  std::vector<std::size_t> wordLines(17, 69); // 7 words a line, the blank at the break dropped
  wordLines.push_back(10);
  struct Case {
    std::string paragraph;
    std::vector<std::size_t> lengths; // of the lines it becomes
  } cases[] = {
      {"", {0}},
      {std::string(998, 'x'), {998}},
      {std::string(2000, 'x'), {998, 998, 4}},
      {words, wordLines},
      // no blank within 76 bytes: the first blank after them
      {std::string(100, 'y') + " " + std::string(950, 'z'), {100, 950}},
      {std::string(1000, 'y') + " " + std::string(10, 'z'), {998, 13}},
  };
  for (const Case &c : cases) {
    std::vector<std::size_t> lengths;
    for (const std::string &line : mv::WrapLongLines({c.paragraph}))
      lengths.push_back(line.size());
    EXPECT_EQ(lengths, c.lengths) << c.paragraph.substr(0, 20);
  }
}

TEST(Composer, CopiesTakeTheFirstFreeName) {
  mvtest::ScratchDir dir;
  struct Case {
    std::vector<const char *> existing;
    const char *next;
  } cases[] = {{{}, "SMsg.eml"},
               {{"SMsg.eml"}, "C1_SMsg.eml"},
               {{"SMsg.eml", "C1_SMsg.eml", "C3_SMsg.eml"}, "C2_SMsg.eml"}};
  for (const Case &c : cases) {
    for (const char *name : c.existing)
      std::ofstream(dir.Utf8Path() + name) << "x";
    EXPECT_EQ(mv::FreeSentCopyPath(dir.Win1251Path()), dir.Win1251Path() + c.next);
  }
}
