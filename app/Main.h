#pragma once
// The main window: the program's one permanent window. It holds the mail
// settings, the working directories and the poll timer, shows the message
// list, the header panel, the body and the attachments, and carries every
// command of the mail desk.
#include "config/Config.h"
#include "config/WorkingDirs.h"
#include "platform/FileSystem.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QTimer;
class QToolBar;
class QTreeWidget;
class QWidget;
class TFShow_dm;
class TFrmPath;
class THelpWindow;
class THtmlView;
class TDeskView;
class TdmMail;
namespace mv {
class Courier;
}
class TServerPanel;
class TfrmMessageEditor;
class TStatusBar;
class Tfsplash;

class TfrmMain : public QMainWindow {
  Q_OBJECT
public:
  // baseDir is the program directory (the executable's directory in the
  // program, a scratch directory in tests).
  explicit TfrmMain(const std::string &baseDir = mv::ExecutableDir(), QWidget *parent = nullptr);
  ~TfrmMain() override;

  // --- state -------------------------------------------------------------
  const mv::WorkingDirs Dirs; // BaseDir, TempDir, ArhDir, DeleteDir, SendDir, AttachDir, TempAttDir
  int MessageCount = 0;       // from the last STAT
  int MailboxKB = 0;          // mailbox size of the last LIST, in KB
  MailSettings &Settings() { return mailSettings_; }

  // Windows made once at start by the program and shared by every opening.
  TFrmPath *FrmPath = nullptr;
  QPointer<Tfsplash> fsplash;
  TFShow_dm *FShow_dm = nullptr;

  // --- records and composition -------------------------------------------------
  // The message editor, made once at start and kept with its message and SMTP
  // client for the whole run (SendExecute makes it if the start did not).
  TfrmMessageEditor *frmMessageEditor = nullptr;
  void CreateMessageEditor();

  // --- controls ------------------------------------------------------------
  QTimer *Timer1; // the poll timer
  QToolBar *ToolBar1;
  TServerPanel *pnlServerName;
  QSplitter *Splitter1;
  QWidget *pnlTop; // the upper pane
  QTreeWidget *lvHeaders;
  QProgressBar *ProgressBar1;
  TStatusBar *StatusBar2;
  QLabel *From, *Recipients, *Cc, *Subject, *Date, *Priority, *Receipt, *Organization, *CTyp, *C_encode;
  QLabel *Image1; // the paper clip
  QPlainTextEdit *Memo1;
  THtmlView *htmlView1;
  QWidget *pnlAttachments;
  QTreeWidget *lvMessageParts;
  TStatusBar *StatusBar1;

  // --- commands: the menu item (and the tool button where there is one) -----
  struct Command {
    QAction *menu = nullptr;
    QAction *tool = nullptr;
    void SetEnabled(bool enabled) const;
  };
  Command CheckMail, Disconnect, Display, Delete, DeleteAll, Purge, SaveAttachments, Send;
  Command Setup, Routing, Interval, ShowDemo, Protocol, Deleted, Sent, Help, About, Presentation, Exit;

  // The courier: the POP3 session, the messages of the last cycle and their
  // routing. Made at the first use, over the program's protocol table.
  mv::Courier &Desk();

  // --- operations used across the program ------------------------------------
  void ShowBusy(bool busy);
  void ShowStatus(const QString &text);
  QString StatusText() const;
  void ShowFileStatus();
  void ShowConnected(bool connected);
  bool IsBusy() const { return busy_; }

  // Every modal window a command opens (except the about window and the help)
  // runs inside this: the poll timer stops, and starts its countdown afresh
  // when the window closes.
  void ShowModalPaused(const std::function<void()> &show);

  // --- handlers -------------------------------------------------------------
  void FormShow();     // once, at the first showing: splash and presentation
  void FormActivate(); // once, when the window first becomes active after the splash
  void Timer1Timer();
  void CheckMailExecute();
  void SetupExecute();
  void RoutingExecute();
  void IntervalExecute();
  void ShowDemoExecute();
  void HelpExecute();
  void AboutExecute();
  void PresentationExecute();
  void CheckBox1Click();

  // The message list and the attachment list.
  void lvHeadersSelectItem();    // the selected row changed
  void lvHeadersClick();         // the click view of the selected row
  void lvHeadersDblClick();      // the click view, then the save command follows the attachment panel
  void lvMessagePartsDblClick(); // open the selected attachment
  void lvMessagePartsClick();    // index check

  void CheckMailCycle();       // steps after the settings check: log in, list, process
  void DisconnectExecute();    // RSET, QUIT, stop polling; nothing when not connected
  void DeleteExecute();        // mark the selected message for deletion
  void DeleteAllExecute();     // mark every listed message
  void PurgeExecute();         // QUIT (commit the marks), then check again
  void Button1Click();         // save the attachments of the shown message
  void SendExecute();          // the message editor
  void ProtocolExecute();      // the protocol window
  void DeletedViewerExecute(); // the viewer of messages removed from the server
  void SentViewerExecute();    // the viewer of sent messages

signals:
  void Closed(); // the window was closed: the program ends

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;

private:
  void BuildMenus();
  void BuildToolBar();
  QWidget *BuildHeaderPanel();
  QWidget *BuildBody();
  void LoadSettings();
  Command MakeCommand(QMenu *menu, const char *caption, const char *menuHint, const char *toolHint,
                      void (TfrmMain::*handler)(), int icon = -1);

  // The commands that talk to the POP3 session; none may run during a cycle.
  void EnableSessionCommands(bool enabled);
  void ReportCycleProblems();

  MailSettings mailSettings_;
  std::unique_ptr<TdmMail> ownData_; // a protocol table of its own when the program has none
  std::unique_ptr<TDeskView> deskView_;
  std::unique_ptr<mv::Courier> courier_;
  THelpWindow *helpWindow_ = nullptr;
  bool busy_ = false;
  bool shown_ = false;
  bool showDone_ = false;
  bool activated_ = false;
  bool checkRunning_ = false;
};
