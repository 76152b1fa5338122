#include "app/DeskView.h"

#include "app/Main.h"
#include "app/Panels.h"
#include "htmlview/HtmlView.h"
#include "settings/QtText.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStyle>
#include <QTreeWidget>

using mv::ToQt;

namespace {
// The image list's pictures, from the style's standard icons: picture 5
// stands for attachments and for rows marked all at once, picture 10 for a
// row marked by hand.
QIcon RowIcon(int icon) {
  const QStyle::StandardPixmap pixmap = icon == mv::kIconMarked      ? QStyle::SP_TrashIcon
                                        : icon == mv::kIconMarkedAll ? QStyle::SP_FileLinkIcon
                                                                     : QStyle::SP_FileIcon;
  return QApplication::style()->standardIcon(pixmap);
}
} // namespace

void TDeskView::ShowStatus(const std::string &text) {
  w_.ShowStatus(ToQt(text));
}

std::string TDeskView::StatusText() const {
  return mv::FromQt(w_.StatusText());
}

void TDeskView::ShowBusy(bool busy) {
  w_.ShowBusy(busy);
}

void TDeskView::ShowConnected(bool connected) {
  w_.ShowConnected(connected);
}

void TDeskView::ShowFileStatus(int messageCount, int mailboxKB) {
  w_.MessageCount = messageCount;
  w_.MailboxKB = mailboxKB;
  w_.ShowFileStatus();
}

void TDeskView::ClearLabels() {
  for (QLabel *label : {w_.From, w_.Cc, w_.Subject, w_.Date, w_.Receipt, w_.Organization, w_.Priority,
                        w_.CTyp, w_.Recipients, w_.C_encode})
    label->clear();
}

void TDeskView::ShowEmptyMailbox() {
  w_.lvHeaders->clear();
  ClearMessageView();
}

void TDeskView::ClearMessageRows() {
  w_.lvHeaders->clear();
}

void TDeskView::AddMessageRow(const mv::MessageRow &row) {
  auto *item =
      new QTreeWidgetItem(w_.lvHeaders, {ToQt(row.Caption), ToQt(row.From), ToQt(row.Date), ToQt(row.Size)});
  // The fourth sub-item has no column; the status texts quote it.
  item->setData(0, Qt::UserRole, ToQt(row.Extra));
  SetRowIcon(w_.lvHeaders->indexOfTopLevelItem(item), mv::kIconListed);
  w_.lvHeaders->setCurrentItem(item);
}

void TDeskView::SetRowIcon(int row, int icon) {
  if (QTreeWidgetItem *item = w_.lvHeaders->topLevelItem(row)) {
    item->setIcon(0, RowIcon(icon));
    item->setData(0, kRowIconRole, icon);
  }
}

void TDeskView::ShowProgress(int percent) {
  if (percent < 0) {
    w_.ProgressBar1->hide();
    return;
  }
  w_.ProgressBar1->setValue(percent);
  w_.ProgressBar1->show();
}

void TDeskView::ShowBody(const mv::MessageViewContents &contents) {
  const QString text = QString::fromStdString(contents.BodyUtf8);
  w_.Memo1->setPlainText(text);
  w_.htmlView1->clear();
  if (contents.Html) {
    w_.Memo1->hide();
    w_.htmlView1->LoadLines({text});
    w_.htmlView1->show();
  } else {
    w_.htmlView1->hide();
    w_.Memo1->show();
  }
}

void TDeskView::ShowMessageView(const mv::MessageViewContents &c) {
  const std::pair<QLabel *, const std::string *> labels[] = {{w_.From, &c.From},
                                                             {w_.Recipients, &c.Recipients},
                                                             {w_.Cc, &c.Cc},
                                                             {w_.Subject, &c.Subject},
                                                             {w_.Date, &c.Date},
                                                             {w_.Receipt, &c.Receipt},
                                                             {w_.Organization, &c.Organization},
                                                             {w_.Priority, &c.Priority},
                                                             {w_.CTyp, &c.CTyp},
                                                             {w_.C_encode, &c.C_encode}};
  for (const auto &[label, text] : labels)
    label->setText(ToQt(*text));
  if (QTreeWidgetItem *row = w_.lvHeaders->currentItem())
    w_.StatusBar1->SetText(0, row->text(0));
  ShowBody(c);
  w_.lvMessageParts->clear();
  for (const auto &attachment : c.Attachments) {
    auto *item =
        new QTreeWidgetItem(w_.lvMessageParts, {ToQt(attachment.Name), ToQt(attachment.ContentType)});
    item->setIcon(0, RowIcon(mv::kIconMarkedAll));
  }
  w_.pnlAttachments->setVisible(!c.Attachments.empty());
  w_.Image1->setVisible(c.PaperClip);
  w_.SaveAttachments.SetEnabled(!c.Attachments.empty());
}

void TDeskView::ClearMessageView() {
  w_.lvMessageParts->clear();
  w_.Memo1->clear();
  w_.htmlView1->clear();
  ClearLabels();
  w_.pnlAttachments->hide();
  w_.Image1->hide();
}

void TDeskView::ShowTextPart(const std::string &utf8) {
  w_.Memo1->setPlainText(QString::fromStdString(utf8));
}

void TDeskView::ShowAttachmentPanel() {
  w_.pnlAttachments->show();
}

void TDeskView::ProcessMessages() {
  QCoreApplication::processEvents();
}
