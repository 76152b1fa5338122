#include "compose/MessageEditor.h"

#include "compose/Composer.h"
#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using mv::Ui;

namespace {
constexpr int kContentTypeRole = Qt::UserRole;

QLabel *Buddy(const char *text, QWidget *field) {
  auto *label = new QLabel(Ui(text));
  label->setBuddy(field);
  return label;
}
} // namespace

TfrmMessageEditor::TfrmMessageEditor(QWidget *parent, const MailSettings &settings, std::string sendDir)
    : QDialog(parent), settings_(settings), sendDir_(std::move(sendDir)) {
  setWindowTitle(Ui("Редактор сообщения"));
  IdMsgSend.SetAttachmentEncoding("MIME");
  IdMsgSend.ContentType = "text/plain";
  IdMsgSend.SetEncoding(meMIME);
  IdMsgSend.DeleteTempFiles = false;
  IdMsgSend.Priority = mpNormal;

  edtTo = new QLineEdit(QString::fromLatin1(kDefaultRecipient));
  edtSubject = new QLineEdit;
  edtCC = new QLineEdit;
  cboPriority = new QComboBox;
  cboPriority->addItems({"Highest", "High", "Normal", "Low", "Lowest"});
  cboPriority->setCurrentIndex(IdMsgSend.Priority);
  chkReturnReciept = new QCheckBox(Ui("&Уведомление"));

  auto *fields = new QGridLayout;
  fields->addWidget(Buddy("&Кому:", edtTo), 0, 0);
  fields->addWidget(edtTo, 0, 1, 1, 3);
  fields->addWidget(Buddy("&Тема:", edtSubject), 1, 0);
  fields->addWidget(edtSubject, 1, 1, 1, 3);
  fields->addWidget(Buddy("Ко&пия:", edtCC), 2, 0);
  fields->addWidget(edtCC, 2, 1, 1, 3);
  fields->addWidget(Buddy("&Приоритет:", cboPriority), 3, 0);
  fields->addWidget(cboPriority, 3, 1);
  fields->addWidget(chkReturnReciept, 3, 2);

  auto *attachments = new QGroupBox(Ui(" Вложение "));
  lvFiles = new QTreeWidget;
  lvFiles->setColumnCount(1);
  lvFiles->setHeaderLabels({Ui("Файл / Тип")});
  lvFiles->setColumnWidth(0, 220);
  lvFiles->setRootIsDecorated(false);
  lvFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvFiles->setFixedWidth(240);
  btnAttachment = new QPushButton(Ui("Присоединить"));
  btnAttachment->setToolTip(QStringLiteral("Send a file as an attachment"));
  Button1 = new QPushButton(Ui("Удалить"));
  auto *attachmentButtons = new QHBoxLayout;
  attachmentButtons->addWidget(btnAttachment);
  attachmentButtons->addWidget(Button1);
  auto *attachmentLayout = new QVBoxLayout(attachments);
  attachmentLayout->addWidget(lvFiles, 1);
  attachmentLayout->addLayout(attachmentButtons);

  auto *top = new QHBoxLayout;
  top->addLayout(fields, 1);
  top->addWidget(attachments);

  Memo1 = new QPlainTextEdit;
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // About the width of the lines a long paragraph is sent as.
  Memo1->setMinimumWidth(Memo1->fontMetrics().horizontalAdvance(QString(mv::kWrapColumn, QLatin1Char('n'))) +
                         30);
  Memo1->setMinimumHeight(260);

  bbtnCancel = new QPushButton(Ui("Отмена"));
  bbtnCancel->setToolTip(QStringLiteral("Close window"));
  bbtnOk = new QPushButton(Ui("&Отправить"));
  bbtnOk->setToolTip(QStringLiteral("Send message now"));
  bbtnOk->setDefault(true);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(bbtnOk);
  buttons->addWidget(bbtnCancel);

  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(Memo1, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(bbtnOk, &QPushButton::clicked, this, &TfrmMessageEditor::bbtnOkClick);
  connect(bbtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnAttachment, &QPushButton::clicked, this,
          [this] { mv::RunCommand([this] { btnAttachmentClick(); }); });
  connect(Button1, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { Button1Click(); }); });
}

std::string TfrmMessageEditor::Send() {
  mv::EditorFields fields;
  fields.To = mv::FromQt(edtTo->text());
  fields.Subject = mv::FromQt(edtSubject->text());
  fields.Cc = mv::FromQt(edtCC->text());
  fields.PriorityIndex = cboPriority->currentIndex();
  fields.ReturnReceipt = chkReturnReciept->isChecked();
  for (const QString &paragraph : Memo1->toPlainText().split(QLatin1Char('\n')))
    fields.Paragraphs.push_back(mv::FromQt(paragraph));
  mv::FillMessage(IdMsgSend, fields, settings_);
  mv::ConfigureSmtp(SMTP, settings_);
  return mv::SendAndKeepCopy(SMTP, IdMsgSend, sendDir_);
}

// The window closes with OK whether or not the send went through; the fields
// stay, so reopening and pressing the button again retries.
void TfrmMessageEditor::bbtnOkClick() {
  mv::RunCommand([this] { Send(); });
  accept();
}

void TfrmMessageEditor::btnAttachmentClick() {
  const QString file = QFileDialog::getOpenFileName(this, QString(), QString(), Ui("все файлы (*)"));
  if (!file.isEmpty())
    AddAttachmentFile(mv::FromQt(file));
}

void TfrmMessageEditor::AddAttachmentFile(const std::string &path1251) {
  mv::AddAttachment(IdMsgSend, path1251);
  RebuildList();
}

void TfrmMessageEditor::Button1Click() {
  QTreeWidgetItem *entry = lvFiles->currentItem();
  if (!entry || !entry->isSelected())
    return;
  mv::RemoveAttachments(IdMsgSend, mv::FromQt(entry->text(0)));
  delete entry;
}

void TfrmMessageEditor::RebuildList() {
  lvFiles->clear();
  for (const mv::PartEntry &part : mv::PartEntries(IdMsgSend)) {
    auto *entry = new QTreeWidgetItem(lvFiles, {mv::ToQt(part.Text)});
    entry->setData(0, kContentTypeRole, mv::ToQt(part.ContentType));
  }
}
