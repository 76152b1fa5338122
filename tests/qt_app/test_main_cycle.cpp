// The check cycle driven through the main window, offscreen, against a real
// dovecot: the rows and status texts, the last row selected, the status
// restored, the views of the selected messages, and a tick during a running
// cycle dropped.
#include "RealServers.h"
#include "app/DeskView.h"
#include "app/Main.h"
#include "desk/Courier.h"
#include "htmlview/HtmlView.h"
#include "platform/Pump.h"
#include "settings/QtText.h"
#include "tests/desk/DeskTestKit.h"
#include "tests/qt_dialogs/QtTestSupport.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <QTreeWidget>

using mv::Ui;

namespace {
const char *const kDate = "Tue, 01 Dec 2026 10:00:00 +0000";

std::vector<std::string> Mailbox() {
  // "Привет" in KOI8-R.
  const std::string koi8 = "From: ivan@example.org\r\nSubject: Koi\r\nDate: " + std::string(kDate) +
                           "\r\nContent-Type: text/plain; charset=koi8-r\r\n\r\n\xF0\xD2\xC9\xD7\xC5\xD4\r\n";
  const std::string html =
      "From: web@example.org\r\nSubject: Html\r\nDate: " + std::string(kDate) +
      "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"alt\"\r\n\r\n"
      "--alt\r\nContent-Type: text/plain\r\n\r\nplain version\r\n"
      "--alt\r\nContent-Type: text/html\r\n\r\n<html><body><b>bold</b> text</body></html>\r\n"
      "--alt--\r\n";
  return {koi8, html,
          desktest::Message("Boss <boss@bank.example>", "Statement", kDate, {{"a.pdf", "%PDF-1.4 test"}})};
}

TEST(MainCycle, ACycleListsShowsAndFilesThroughTheWindow) {
  if (!DovecotServer::Available())
    GTEST_SKIP() << "dovecot is not installed";
  DovecotServer server(Mailbox());
  desktest::ScratchBase base;
  base.Account(server.Port(), false);
  base.Rules({{"*.pdf", "", base.Target("Bank"), 0}});
  TfrmMain w(base.Base());
  // Network waits let the window breathe, as in the program.
  mv::SetPumpHook([] { QCoreApplication::processEvents(); });
  struct Unhook {
    ~Unhook() { mv::SetPumpHook({}); }
  } unhook;

  // Samples the status text at every pass of the event loop the cycle makes,
  // and fires one extra tick inside the running cycle.
  QStringList statuses;
  bool tickTried = false;
  QTimer sampler;
  sampler.setInterval(0);
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    if (statuses.isEmpty() || statuses.last() != w.StatusText())
      statuses << w.StatusText();
    if (w.Desk().Running() && !tickTried) {
      tickTried = true;
      w.Timer1Timer();
    }
  });
  sampler.start();
  w.CheckMailExecute();
  sampler.stop();

  // A nested cycle would have shown the first message again and ended with
  // the connected status before the outer one went on.
  EXPECT_TRUE(tickTried);
  const qsizetype first = statuses.indexOf(Ui("Сообщение 1 of 3"));
  EXPECT_EQ(statuses.count(Ui("Сообщение 1 of 3")), 1) << statuses.join("|").toStdString();
  EXPECT_LT(first, statuses.indexOf(Ui("Сообщение 2 of 3")));
  EXPECT_LT(statuses.indexOf(Ui("Сообщение 2 of 3")), statuses.indexOf(Ui("Сообщение 3 of 3")));
  EXPECT_EQ(statuses.indexOf(Ui("Соединены с сервером"), first), -1) << statuses.join("|").toStdString();
  EXPECT_EQ(w.StatusText(), Ui("Соединены с сервером"));
  EXPECT_FALSE(w.ProgressBar1->isVisible());

  ASSERT_EQ(w.lvHeaders->topLevelItemCount(), 3);
  const QStringList captions = {"Koi", "Html", "Statement"};
  for (int i = 0; i < 3; ++i) {
    QTreeWidgetItem *row = w.lvHeaders->topLevelItem(i);
    EXPECT_EQ(row->text(0), captions[i]);
    EXPECT_EQ(row->data(0, kRowIconRole).toInt(), mv::kIconListed);
    EXPECT_EQ(row->text(3).toInt(), w.Desk().POP3.MessageSize(i + 1));
  }
  EXPECT_EQ(w.lvHeaders->topLevelItem(2)->text(1), QStringLiteral("Boss <boss@bank.example>"));
  EXPECT_EQ(w.lvHeaders->currentItem(), w.lvHeaders->topLevelItem(2));
  EXPECT_EQ(base.Files(base.Target("Bank")), std::vector<std::string>{"a.pdf"});

  // The retrieval view of the last message: its attachment and priority.
  EXPECT_EQ(w.Subject->text(), QStringLiteral("Statement"));
  EXPECT_EQ(w.Priority->text(), QStringLiteral("3"));
  ASSERT_EQ(w.lvMessageParts->topLevelItemCount(), 1);
  EXPECT_EQ(w.lvMessageParts->topLevelItem(0)->text(0), QStringLiteral("a.pdf"));

  // Click views: KOI8-R text converted, HTML rendered from the last text part.
  w.lvHeaders->setCurrentItem(w.lvHeaders->topLevelItem(0));
  EXPECT_EQ(w.Memo1->toPlainText(), Ui("Привет"));
  EXPECT_TRUE(w.htmlView1->isHidden());
  EXPECT_EQ(w.Priority->text(), QString());
  w.lvHeaders->setCurrentItem(w.lvHeaders->topLevelItem(1));
  EXPECT_TRUE(w.Memo1->isHidden());
  EXPECT_FALSE(w.htmlView1->isHidden());
  EXPECT_EQ(w.htmlView1->toPlainText(), QStringLiteral("bold text"));
  EXPECT_EQ(w.CTyp->text(), QStringLiteral("text/html"));
  EXPECT_TRUE(w.pnlAttachments->isHidden());
}
} // namespace
