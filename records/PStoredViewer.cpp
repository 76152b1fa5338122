#include "records/PStoredViewer.h"

#include "records/POpenFile.h"
#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

using mv::Ui;

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kContentTypeRole = Qt::UserRole + 1;

QTreeWidget *ReportList(int columns) {
  auto *list = new QTreeWidget;
  list->setColumnCount(columns);
  list->setRootIsDecorated(false);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setUniformRowHeights(true);
  return list;
}

QString Lines(const std::vector<std::string> &lines) {
  QStringList out;
  out.reserve(static_cast<int>(lines.size()));
  for (const std::string &line : lines)
    out << mv::ToQt(line);
  return out.join(QLatin1Char('\n'));
}
} // namespace

TStoredViewer::TStoredViewer(QWidget *parent, const Look &look, std::string dir, std::string attachDir,
                             std::string tempAttDir)
    : QDialog(parent), look_(look), dir_(std::move(dir)), attachDir_(std::move(attachDir)),
      tempAttDir_(std::move(tempAttDir)) {
  setWindowTitle(Ui(look.Caption));
  resize(820, 560);

  lvMessages = ReportList(3);
  lvMessages->setHeaderLabels({Ui(look.Columns[0]), Ui(look.Columns[1]), Ui(look.Columns[2])});
  for (int i = 0; i < 3; ++i)
    lvMessages->setColumnWidth(i, look.Widths[i]);

  Memo1 = new QPlainTextEdit;
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  lvAttachments = ReportList(1);
  lvAttachments->setHeaderLabels({Ui(look.AttachmentHeader)});
  lvAttachments->setColumnWidth(0, look.AttachmentWidth);
  if (look.AttachmentHint)
    lvAttachments->setToolTip(Ui(look.AttachmentHint));

  auto *lower = new QSplitter(Qt::Horizontal);
  lower->addWidget(Memo1);
  lower->addWidget(lvAttachments);
  lower->setStretchFactor(0, 1);
  auto *panes = new QSplitter(Qt::Vertical);
  panes->addWidget(lvMessages);
  panes->addWidget(lower);
  panes->setStretchFactor(1, 1);

  btnDelete = new QPushButton(Ui("Удалить"));
  btnClose = new QPushButton(Ui("Закрыть"));
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(btnDelete);
  buttons->addStretch();
  buttons->addWidget(btnClose);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(panes, 1);
  layout->addLayout(buttons);

  const auto show = [this] { mv::RunCommand([this] { ShowSelected(); }); };
  connect(lvMessages, &QTreeWidget::itemSelectionChanged, this, show);
  connect(lvMessages, &QTreeWidget::itemDoubleClicked, this, show);
  if (look.ShowOnClick)
    connect(lvMessages, &QTreeWidget::itemClicked, this, show);
  connect(lvAttachments, &QTreeWidget::itemDoubleClicked, this,
          [this] { mv::RunCommand([this] { OpenAttachment(); }); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { mv::RunCommand([this] { DeleteClick(); }); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
}

void TStoredViewer::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!activated_) {
    activated_ = true;
    mv::RunCommand([this] { FormActivate(); });
  }
}

// The last row ends up selected and shown. Files that cannot be read are left
// out; where the viewer reports them, their errors come in one box after the
// listing, so the rows that could be read stay usable.
void TStoredViewer::FormActivate() {
  lvMessages->clear();
  ClearPanes();
  const mv::StoredListing listing = mv::ListStoredMessages(dir_, look_.Kind);
  const QIcon icon = style()->standardIcon(look_.Kind == mv::StoredKind::Deleted ? QStyle::SP_TrashIcon
                                                                                 : QStyle::SP_ArrowForward);
  QTreeWidgetItem *last = nullptr;
  for (const mv::StoredRow &row : listing.Rows) {
    last = new QTreeWidgetItem(lvMessages, {mv::ToQt(row.Subject), mv::ToQt(row.Second), mv::ToQt(row.Date)});
    last->setIcon(0, icon);
    last->setData(0, kPathRole, mv::ToQt(row.Path));
  }
  if (last)
    lvMessages->setCurrentItem(last);
  lvMessages->setFocus();
  if (look_.ReportUnreadable && !listing.Errors.empty()) {
    std::string text;
    for (const std::string &error : listing.Errors)
      text += (text.empty() ? "" : "\n") + error;
    mv::ShowErrorMessage(text);
  }
}

std::string TStoredViewer::PathOf(int row) const {
  const QTreeWidgetItem *item = lvMessages->topLevelItem(row);
  return item ? mv::FromQt(item->data(0, kPathRole).toString()) : std::string();
}

void TStoredViewer::ClearPanes() {
  Memo1->clear();
  lvAttachments->clear();
}

void TStoredViewer::ShowSelected() {
  QTreeWidgetItem *item = lvMessages->currentItem();
  if (!item || !item->isSelected())
    return;
  ClearPanes();
  const mv::StoredContent content = mv::ReadStoredMessage(mv::FromQt(item->data(0, kPathRole).toString()));
  Memo1->setPlainText(Lines(content.Text));
  const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
  for (const mv::StoredAttachment &a : content.Attachments) {
    auto *entry = new QTreeWidgetItem(lvAttachments, {mv::ToQt(a.Name)});
    entry->setIcon(0, icon);
    entry->setData(0, kContentTypeRole, mv::ToQt(a.ContentType));
  }
}

// No confirmation: the copy is only a copy. A file that cannot be removed
// stays on disk and is listed again at the next opening.
void TStoredViewer::DeleteClick() {
  if (QTreeWidgetItem *item = lvMessages->currentItem(); item && item->isSelected()) {
    mv::DeleteStoredMessage(mv::FromQt(item->data(0, kPathRole).toString()));
    delete item;
  }
  lvMessages->clearSelection();
  ClearPanes();
  lvMessages->setFocus();
}

std::string TStoredViewer::OpenAttachment() {
  QTreeWidgetItem *entry = lvAttachments->currentItem();
  QTreeWidgetItem *row = lvMessages->currentItem();
  mv::EmptyDirectoryFiles(tempAttDir_);
  if (!entry || !entry->isSelected() || !row)
    return {};
  const std::string path = mv::WriteOutStoredAttachment(mv::FromQt(row->data(0, kPathRole).toString()),
                                                        mv::FromQt(entry->text(0)), attachDir_);
  mv::OpenWithDesktop(path); // the outcome is not checked
  return path;
}
