#include "app/Main.h"

#include "app/DeskView.h"
#include "app/HelpWindow.h"
#include "app/PShow_dm.h"
#include "app/PSplash.h"
#include "app/Panels.h"
#include "app/Presentation.h"
#include "desk/AttachmentLookup.h"
#include "desk/Courier.h"
#include "desk/Texts.h"
#include "htmlview/HtmlView.h"
#include "records/mData.h"
#include "settings/ErrorDisplay.h"
#include "settings/NstrPath.h"
#include "settings/PFrmPath.h"
#include "settings/PInterv.h"
#include "settings/QtText.h"
#include "settings/Setup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

using mv::Ui;

namespace {
constexpr int kCreationIntervalMs = 60000;
constexpr int kUpperPaneHeight = 400;

QLabel *BoldCaption(const char *text) {
  auto *label = new QLabel(Ui(text));
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QLabel *ValueLabel() {
  auto *label = new QLabel;
  label->setTextFormat(Qt::PlainText);
  label->setStyleSheet(QStringLiteral("color: maroon"));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(120);
  return label;
}

// The paper clip shown beside the header fields when a message has parts.
QPixmap PaperClip() {
  QPixmap pixmap(24, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(70, 70, 90), 2.0, Qt::SolidLine, Qt::RoundCap));
  QPainterPath clip;
  clip.moveTo(15, 8);
  clip.lineTo(15, 24);
  clip.arcTo(9, 20, 6, 8, 0, -180);
  clip.lineTo(9, 6);
  clip.arcTo(9, 2, 10, 8, 180, -180);
  clip.lineTo(19, 26);
  clip.arcTo(5, 18, 14, 12, 0, -180);
  clip.lineTo(5, 10);
  painter.drawPath(clip);
  return pixmap;
}

QTreeWidget *ReportList(const QStringList &headers, const QVector<int> &widths) {
  auto *list = new QTreeWidget;
  list->setColumnCount(headers.size());
  list->setHeaderLabels(headers);
  for (int i = 0; i < widths.size(); ++i)
    list->setColumnWidth(i, widths[i]);
  list->setRootIsDecorated(false);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setUniformRowHeights(true);
  return list;
}
} // namespace

void TfrmMain::Command::SetEnabled(bool enabled) const {
  if (menu)
    menu->setEnabled(enabled);
  if (tool)
    tool->setEnabled(enabled);
}

TfrmMain::TfrmMain(const std::string &baseDir, QWidget *parent)
    : QMainWindow(parent), Dirs(mv::WorkingDirs::Under(baseDir)) {
  setWindowTitle(Ui("  Зорвен  ВОРНЕКС-Тарвида"));

  Timer1 = new QTimer(this);
  Timer1->setInterval(kCreationIntervalMs);
  connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);

  BuildMenus();
  BuildToolBar();

  // Upper pane: the message list, the progress bar, the mailbox status.
  pnlTop = new QWidget;
  lvHeaders = ReportList({Ui("Тема"), Ui("От кого"), Ui("Дата"), Ui("Размер")}, {450, 300, 100, 600});
  lvHeaders->setSelectionMode(QAbstractItemView::SingleSelection);
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setFixedHeight(10);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->hide();
  StatusBar2 = new TStatusBar({60, 50});
  auto *topLayout = new QVBoxLayout(pnlTop);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->setSpacing(0);
  topLayout->addWidget(lvHeaders, 1);
  topLayout->addWidget(ProgressBar1);
  topLayout->addWidget(StatusBar2);

  // Lower pane: the header panel over the body area.
  auto *lower = new QWidget;
  auto *lowerLayout = new QVBoxLayout(lower);
  lowerLayout->setContentsMargins(0, 0, 0, 0);
  lowerLayout->addWidget(BuildHeaderPanel());
  lowerLayout->addWidget(BuildBody(), 1);

  Splitter1 = new QSplitter(Qt::Vertical);
  Splitter1->addWidget(pnlTop);
  Splitter1->addWidget(lower);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({kUpperPaneHeight, kUpperPaneHeight});

  // 160 pixels, or what the start text needs in a larger system font.
  const QString noMessage = Ui("Нет выбранных сообщений");
  StatusBar1 = new TStatusBar({qMax(160, fontMetrics().horizontalAdvance(noMessage) + 12), 200});
  StatusBar1->SetText(0, noMessage);

  auto *central = new QWidget;
  auto *layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Splitter1, 1);
  layout->addWidget(StatusBar1);
  setCentralWidget(central);
  resize(1024, 740);

  // Creation: the settings, the working directories, the counters.
  LoadSettings();
  Dirs.Create();
  MessageCount = 0;
  MailboxKB = 0;
  ShowBusy(false);
  for (const Command *c : {&Display, &Delete, &Purge, &Disconnect})
    c->SetEnabled(false);
  SaveAttachments.SetEnabled(false); // enabled by the view when a message has attachments

  auto handle = [this](void (TfrmMain::*handler)()) {
    return [this, handler] { mv::RunCommand([this, handler] { (this->*handler)(); }); };
  };
  connect(lvHeaders, &QTreeWidget::itemSelectionChanged, this, handle(&TfrmMain::lvHeadersSelectItem));
  connect(lvHeaders, &QTreeWidget::itemClicked, this, handle(&TfrmMain::lvHeadersClick));
  connect(lvHeaders, &QTreeWidget::itemDoubleClicked, this, handle(&TfrmMain::lvHeadersDblClick));
  connect(lvMessageParts, &QTreeWidget::itemDoubleClicked, this, handle(&TfrmMain::lvMessagePartsDblClick));
  connect(lvMessageParts, &QTreeWidget::itemClicked, this, handle(&TfrmMain::lvMessagePartsClick));

  Timer1->start();
}

TfrmMain::~TfrmMain() {
  ShowBusy(false);
}

mv::Courier &TfrmMain::Desk() {
  if (!courier_) {
    ProtocolTable *table = dmMail ? &dmMail->Table1 : nullptr;
    if (!table) {
      ownData_ = std::make_unique<TdmMail>(Dirs.BaseDir);
      table = &ownData_->Table1;
    }
    deskView_ = std::make_unique<TDeskView>(*this);
    courier_ = std::make_unique<mv::Courier>(Dirs, *table, *deskView_);
  }
  return *courier_;
}

TfrmMain::Command TfrmMain::MakeCommand(QMenu *menu, const char *caption, const char *menuHint,
                                        const char *toolHint, void (TfrmMain::*handler)(), int icon) {
  Command command;
  auto bind = [this, handler](QAction *action) {
    if (handler)
      connect(action, &QAction::triggered, this,
              [this, handler] { mv::RunCommand([this, handler] { (this->*handler)(); }); });
  };
  if (menu) {
    command.menu = menu->addAction(Ui(caption));
    if (menuHint)
      command.menu->setToolTip(Ui(menuHint));
    bind(command.menu);
  }
  if (toolHint) {
    command.tool = new QAction(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)),
                               QString(Ui(caption)).remove(QLatin1Char('&')), this);
    command.tool->setToolTip(Ui(toolHint));
    bind(command.tool);
  }
  return command;
}

void TfrmMain::BuildMenus() {
  QMenu *settings = menuBar()->addMenu(Ui("Настройка"));
  settings->setToolTipsVisible(true);
  Setup = MakeCommand(settings, "Почтовые сервера", nullptr, "Настройка POP/SMTP", &TfrmMain::SetupExecute,
                      QStyle::SP_ComputerIcon);
  Routing =
      MakeCommand(settings, "Параметры сохранения вложений", nullptr,
                  "Настройка параметров сохранения вложений", &TfrmMain::RoutingExecute, QStyle::SP_DirIcon);
  Interval =
      MakeCommand(settings, "Интервал опроса", "Интервал опроса сервера",
                  "Настройка интервала опроса сервера", &TfrmMain::IntervalExecute, QStyle::SP_BrowserReload);
  ShowDemo = MakeCommand(settings, "Тарвида", nullptr, nullptr, &TfrmMain::ShowDemoExecute);

  QMenu *actions = menuBar()->addMenu(Ui("&Действия"));
  actions->setToolTipsVisible(true);
  CheckMail = MakeCommand(actions, "&Соединиться с серверм", "Соединение с POP сервером и список сообщений",
                          "Соединение с POP сервером и список сообщений", &TfrmMain::CheckMailExecute,
                          QStyle::SP_DriveNetIcon);
  Disconnect =
      MakeCommand(actions, "&Отсоединиться от сервера", nullptr, "Отключиться от сервера без очистки",
                  &TfrmMain::DisconnectExecute, QStyle::SP_BrowserStop);
  Delete = MakeCommand(actions, "Пом&етить для удаления", nullptr, "Отметить сообщение для удаления",
                       &TfrmMain::DeleteExecute, QStyle::SP_TrashIcon);
  DeleteAll =
      MakeCommand(actions, "По&метить все для удаления", nullptr, nullptr, &TfrmMain::DeleteAllExecute);
  Purge = MakeCommand(actions, "Отменить удаление", "Удалить помеченное сообщение", "Удалить отмеченные",
                      &TfrmMain::PurgeExecute, QStyle::SP_DialogApplyButton);
  SaveAttachments = MakeCommand(actions, "Сохранить вложения", nullptr, "Сохранить вложения",
                                &TfrmMain::Button1Click, QStyle::SP_DialogSaveButton);
  Send = MakeCommand(actions, "Отп&равить сообщение", nullptr, "Создать новое сообщение",
                     &TfrmMain::SendExecute, QStyle::SP_FileIcon);
  // The display command has never had a handler of its own.
  Display = MakeCommand(actions, "О&тобразить текущее сообщение", nullptr, "Отобразить текущее сообщение",
                        nullptr, QStyle::SP_FileDialogContentsView);
  for (const Command *hidden : {&Delete, &DeleteAll, &Purge, &Display})
    hidden->menu->setVisible(false);
  Display.tool->setVisible(false);

  QMenu *service = menuBar()->addMenu(Ui("Сервис"));
  Protocol = MakeCommand(service, "Протокол", nullptr, nullptr, &TfrmMain::ProtocolExecute);
  Deleted = MakeCommand(service, "Удаленные", nullptr, nullptr, &TfrmMain::DeletedViewerExecute);
  Sent = MakeCommand(service, "Отправленные", nullptr, nullptr, &TfrmMain::SentViewerExecute);

  QMenu *help = menuBar()->addMenu(Ui("Справка"));
  Help = MakeCommand(help, "Помощь", nullptr, nullptr, &TfrmMain::HelpExecute);
  Help.menu->setShortcut(QKeySequence::HelpContents);
  About = MakeCommand(help, "О программе", nullptr, nullptr, &TfrmMain::AboutExecute);
  Presentation = MakeCommand(help, "Тарвида", nullptr, nullptr, &TfrmMain::PresentationExecute);

  Exit.menu = menuBar()->addAction(Ui("В&ыход"));
  connect(Exit.menu, &QAction::triggered, this, &QWidget::close);
}

void TfrmMain::BuildToolBar() {
  ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
  const QVector<QVector<const Command *>> groups = {{&CheckMail, &Disconnect},
                                                    {&Display, &Delete, &Purge},
                                                    {&Send, &SaveAttachments},
                                                    {&Setup, &Routing, &Interval}};
  for (const auto &group : groups) {
    for (const Command *command : group) {
      ToolBar1->addAction(command->tool);
      if (QWidget *button = ToolBar1->widgetForAction(command->tool))
        button->setFixedSize(32, 24);
    }
    ToolBar1->addSeparator();
  }
  pnlServerName = new TServerPanel;
  pnlServerName->setFixedHeight(24);
  ToolBar1->addWidget(pnlServerName);
  connect(pnlServerName, &TServerPanel::Clicked, this,
          [this] { mv::RunCommand([this] { SetupExecute(); }); });
  connect(pnlServerName->CheckBox1, &QCheckBox::toggled, this,
          [this] { mv::RunCommand([this] { CheckBox1Click(); }); });
}

QWidget *TfrmMain::BuildHeaderPanel() {
  auto *panel = new QFrame;
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
  auto *grid = new QGridLayout(panel);
  grid->setContentsMargins(8, 4, 8, 4);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(2);
  From = ValueLabel();
  Recipients = ValueLabel();
  Cc = ValueLabel();
  Subject = ValueLabel();
  Date = ValueLabel();
  Priority = ValueLabel();
  Receipt = ValueLabel();
  Organization = ValueLabel();
  CTyp = ValueLabel();
  C_encode = ValueLabel();
  const std::pair<const char *, QLabel *> left[] = {
      {"От кого", From}, {"Кому", Recipients}, {"Копия", Cc}, {"Тема", Subject}};
  const std::pair<const char *, QLabel *> middle[] = {
      {"Дата", Date}, {"Приоритет", Priority}, {"Уведомление", Receipt}, {"Организация", Organization}};
  for (int row = 0; row < 4; ++row) {
    grid->addWidget(BoldCaption(left[row].first), row, 0);
    grid->addWidget(left[row].second, row, 1);
    grid->addWidget(BoldCaption(middle[row].first), row, 2);
    grid->addWidget(middle[row].second, row, 3);
  }
  grid->addWidget(BoldCaption("Тип"), 0, 4);
  grid->addWidget(CTyp, 0, 5);
  grid->addWidget(BoldCaption("Кодировка"), 1, 4);
  grid->addWidget(C_encode, 1, 5);
  Image1 = new QLabel;
  Image1->setPixmap(PaperClip());
  Image1->hide();
  grid->addWidget(Image1, 0, 6, 4, 1, Qt::AlignCenter);
  grid->setColumnStretch(1, 3);
  grid->setColumnStretch(3, 2);
  grid->setColumnStretch(5, 2);
  return panel;
}

QWidget *TfrmMain::BuildBody() {
  auto *body = new QWidget;
  Memo1 = new QPlainTextEdit;
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  htmlView1 = new THtmlView;
  htmlView1->hide();

  pnlAttachments = new QWidget;
  auto *caption = new QLabel(Ui("Вложения"));
  caption->setAlignment(Qt::AlignCenter);
  caption->setFrameStyle(QFrame::Panel | QFrame::Raised);
  lvMessageParts = ReportList({QStringLiteral("Fille Name"), QStringLiteral("Content Type")}, {220, 120});
  lvMessageParts->setHeaderHidden(true); // a plain list of names
  lvMessageParts->setColumnHidden(1, true);
  lvMessageParts->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvMessageParts->setToolTip(Ui("Двойной щелчок \"мышюю\" - открыть вложение"));
  auto *partsLayout = new QVBoxLayout(pnlAttachments);
  partsLayout->setContentsMargins(0, 0, 0, 0);
  partsLayout->setSpacing(0);
  partsLayout->addWidget(caption);
  partsLayout->addWidget(lvMessageParts, 1);
  pnlAttachments->setFixedWidth(240);
  pnlAttachments->hide();

  auto *layout = new QHBoxLayout(body);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(Memo1, 1);
  layout->addWidget(htmlView1, 1);
  layout->addWidget(pnlAttachments);
  return body;
}

// A port that is not a whole number is shown once and takes its default; the
// start goes on. Setting the check box writes the flag back, as every change
// of it does.
void TfrmMain::LoadSettings() {
  for (const std::string &problem : ::LoadSettings(Dirs.BaseDir, mailSettings_))
    mv::ShowErrorMessage(problem);
  pnlServerName->SetCaption(mv::ToQt(mailSettings_.PopHost));
  mv::RunCommand([this] {
    QCheckBox *box = pnlServerName->CheckBox1;
    const QSignalBlocker blocker(box);
    try {
      box->setChecked(mv::ReadDeleteRouted(Dirs.BaseDir));
    } catch (const EIniFileException &) {
      return; // a Mail.ini that cannot be read was reported with the settings
    }
    CheckBox1Click();
  });
}

void TfrmMain::ShowBusy(bool busy) {
  if (busy == busy_)
    return;
  busy_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void TfrmMain::ShowStatus(const QString &text) {
  StatusBar1->SetText(1, text);
}

QString TfrmMain::StatusText() const {
  return StatusBar1->Text(1);
}

void TfrmMain::ShowFileStatus() {
  StatusBar2->SetText(0, QString::number(MessageCount));
  StatusBar2->SetText(1, Ui("Сообщение занимает %1K на сервере").arg(MailboxKB));
}

void TfrmMain::EnableSessionCommands(bool enabled) {
  for (const Command *c : {&Display, &Delete, &Purge, &Disconnect, &DeleteAll})
    c->SetEnabled(enabled);
}

void TfrmMain::ShowConnected(bool connected) {
  CheckMail.SetEnabled(!connected);
  EnableSessionCommands(connected);
  ShowStatus(connected ? Ui("Соединены с сервером") : Ui("Нет соединения с сервером"));
}

void TfrmMain::ShowModalPaused(const std::function<void()> &show) {
  struct Restart {
    QTimer *timer;
    ~Restart() { timer->start(); }
  };
  Timer1->stop();
  Restart restart{Timer1};
  show();
}

void TfrmMain::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (shown_)
    return;
  shown_ = true;
  // Run after the window is on screen, outside the show event itself.
  QTimer::singleShot(0, this, [this] {
    mv::RunCommand([this] { FormShow(); });
    mv::RunCommand([this] { FormActivate(); });
  });
}

void TfrmMain::FormShow() {
  if (fsplash)
    fsplash->exec(); // destroys itself when closed
  bool hide = mv::ReadHidePresentation(Dirs.BaseDir);
  if (FShow_dm) {
    FShow_dm->CheckBox1->setChecked(hide);
    hide = FShow_dm->CheckBox1->isChecked();
  }
  if (mv::CountStartAndDecide(Dirs.BaseDir, hide))
    mv::OpenPresentation();
}

// A stored interval that is not a whole number stops here: the timer keeps
// its creation interval and the first check does not run.
void TfrmMain::FormActivate() {
  if (activated_)
    return;
  activated_ = true;
  Splitter1->setSizes({kUpperPaneHeight, qMax(1, Splitter1->height() - kUpperPaneHeight)});
  lvHeaders->clear();
  ShowConnected(false);
  Image1->hide();
  Timer1->setInterval(mv::ReadPollIntervalForStart(Dirs.BaseDir) * 1000);
  CheckMailExecute();
}

void TfrmMain::Timer1Timer() {
  mv::RunTick([this] { CheckMailExecute(); });
}

// A tick or command that arrives while a check runs (the network waits keep
// the event loop going) is dropped: the next tick comes soon enough.
void TfrmMain::CheckMailExecute() {
  if (checkRunning_)
    return;
  const QScopedValueRollback<bool> running(checkRunning_, true);
  const std::string &user = mailSettings_.PopUser;
  if (user.empty() || user == mv::kPlaceholderUser) {
    SetupExecute();
    return;
  }
  CheckMailCycle();
}

void TfrmMain::SetupExecute() {
  ShowModalPaused([this] {
    TfmSetup dialog(this, Dirs.BaseDir, mailSettings_,
                    [this](const QString &host) { pnlServerName->SetCaption(host); });
    dialog.exec();
  });
}

void TfrmMain::RoutingExecute() {
  if (!FrmPath)
    FrmPath = new TFrmPath(this);
  ShowModalPaused([this] {
    TNastrPath dialog(this, Dirs.BaseDir, *FrmPath);
    dialog.exec();
  });
}

void TfrmMain::IntervalExecute() {
  ShowModalPaused([this] {
    TInterv dialog(this, Dirs.BaseDir, *Timer1);
    dialog.exec();
  });
}

void TfrmMain::ShowDemoExecute() {
  ShowModalPaused([this] {
    TFShow_dm dialog(this, Dirs.BaseDir);
    dialog.exec();
  });
}

void TfrmMain::HelpExecute() {
  if (!helpWindow_)
    helpWindow_ = new THelpWindow(this);
  helpWindow_->ShowContents();
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
}

void TfrmMain::AboutExecute() {
  auto *splash = new Tfsplash(this);
  splash->exec(); // destroys itself when closed
}

void TfrmMain::PresentationExecute() {
  mv::OpenPresentation();
}

void TfrmMain::CheckBox1Click() {
  mv::WriteDeleteRouted(Dirs.BaseDir, pnlServerName->CheckBox1->isChecked());
}

void TfrmMain::closeEvent(QCloseEvent *event) {
  mv::RunCommand([this] { DisconnectExecute(); });
  if (helpWindow_)
    helpWindow_->close();
  event->accept();
  emit Closed();
}

// The commands on the session are disabled while a cycle runs: dispatched
// during one of its network waits they would interleave their commands with
// the cycle's. A failure of one message does not end the cycle; the
// messages that failed are listed in one box afterwards.
void TfrmMain::CheckMailCycle() {
  mv::Courier &desk = Desk();
  desk.Settings = mailSettings_;
  desk.DeleteRouted = pnlServerName->CheckBox1->isChecked();
  struct SessionCommands {
    TfrmMain &w;
    ~SessionCommands() { w.EnableSessionCommands(w.Desk().POP3.IsConnected()); }
  } restore{*this};
  EnableSessionCommands(false);
  desk.CheckMailExecute();
  lvHeaders->setFocus();
  Timer1->start();
  ReportCycleProblems();
}

void TfrmMain::ReportCycleProblems() {
  const mv::Courier &desk = Desk();
  std::string text;
  for (const auto *list : {&desk.Failures, &desk.ArchiveProblems})
    for (const mv::MessageProblem &p : *list)
      text +=
          mv::Cp1251("Сообщение ") + std::to_string(p.Number) + " \"" + p.Subject + "\": " + p.Text + "\n";
  if (!text.empty())
    mv::ShowErrorMessage(text.substr(0, text.size() - 1));
}

void TfrmMain::lvHeadersSelectItem() {
  lvHeadersClick();
}

// The click view; while a cycle runs (the progress bar is visible) the view
// stays with the message under processing.
void TfrmMain::lvHeadersClick() {
  const int row = lvHeaders->indexOfTopLevelItem(lvHeaders->currentItem());
  if (row < 0 || ProgressBar1->isVisible() || !courier_)
    return;
  courier_->SelectRow(row);
}

void TfrmMain::lvHeadersDblClick() {
  lvHeadersClick();
  SaveAttachments.SetEnabled(pnlAttachments->isVisible());
}

void TfrmMain::lvMessagePartsDblClick() {
  mv::DeleteFilesBelow(Dirs.TempAttDir);
  QTreeWidgetItem *row = lvMessageParts->currentItem();
  TIdMessage *message = courier_ ? courier_->CurrentMessage : nullptr;
  if (!row || !message)
    return;
  const std::string name = mv::FromQt(row->text(0));
  const int index = mv::FindAttachment(*message, name);
  if (index < 0)
    return;
  auto &attachment = static_cast<TIdAttachment &>(message->Parts[index]);
  const std::string path = Dirs.TempAttDir + mv::AttachmentName(attachment);
  if (!mv::FileExists(path)) {
    attachment.CopyToFile(path);
    mv::RemoveExecuteBits(path);
  }
  // What the desktop reports is not shown: it tells the user itself.
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(mv::ToDiskPath(path))));
}

void TfrmMain::lvMessagePartsClick() {
  QTreeWidgetItem *row = lvMessageParts->currentItem();
  TIdMessage *message = courier_ ? courier_->CurrentMessage : nullptr;
  if (row && message && lvMessageParts->indexOfTopLevelItem(row) > message->Parts.Count())
    QMessageBox::information(this, Ui("Информация"), Ui("Неопределенный индекс"));
}

// The poll timer is started again whatever happens, also after a failed copy.
void TfrmMain::Button1Click() {
  struct Restart {
    QTimer *timer;
    ~Restart() { timer->start(); }
  };
  Timer1->stop();
  Restart restart{Timer1};
  TIdMessage *message = courier_ ? courier_->CurrentMessage : nullptr;
  if (!message)
    return;
  for (int i = 0; i < lvMessageParts->topLevelItemCount(); ++i) {
    const int index = mv::FindAttachment(*message, mv::FromQt(lvMessageParts->topLevelItem(i)->text(0)));
    if (index < 0)
      continue;
    auto &attachment = static_cast<TIdAttachment &>(message->Parts[index]);
    const QString proposal =
        QString::fromStdString(mv::ToDiskPath(Dirs.AttachDir + mv::AttachmentName(attachment)));
    QFileDialog dialog(this, QString(), proposal, Ui("все файлы (*.*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(proposal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
      continue;
    const std::string path = mv::FromDiskPath(dialog.selectedFiles().first().toStdString());
    ShowBusy(true);
    if (mv::FileExists(path)) {
      QMessageBox box(QMessageBox::Question, Ui("Подтверждение"),
                      Ui("Файл: ") + mv::ToQt(path) + Ui(" существует. \rЗаменить ?"), QMessageBox::NoButton,
                      this);
      QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
      box.addButton(Ui("Отмена"), QMessageBox::RejectRole);
      box.exec();
      if (box.clickedButton() == ok) {
        mv::DeleteFileAt(path);
        attachment.CopyToFile(path);
      }
    } else {
      attachment.CopyToFile(path);
    }
    mv::RemoveExecuteBits(path);
    ShowBusy(false);
  }
}

void TfrmMain::DisconnectExecute() {
  if (!courier_ || !courier_->POP3.IsConnected() || courier_->Running())
    return;
  courier_->DisconnectExecute();
  Timer1->stop();
  ShowConnected(false);
}

void TfrmMain::DeleteExecute() {
  const int row = lvHeaders->indexOfTopLevelItem(lvHeaders->currentItem());
  if (row >= 0 && courier_)
    courier_->DeleteExecute(row);
}

void TfrmMain::DeleteAllExecute() {
  if (courier_)
    courier_->DeleteAllExecute();
}

void TfrmMain::PurgeExecute() {
  if (courier_ && courier_->Running())
    return;
  Desk().QuitExecute();
  ShowConnected(false);
  CheckMailExecute();
}
