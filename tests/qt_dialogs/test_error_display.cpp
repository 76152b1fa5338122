#include "QtTestSupport.h"
#include "platform/Errors.h"
#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QMessageBox>

namespace {
int VisibleMessageBoxes() {
  int n = 0;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (qobject_cast<QMessageBox *>(w) && w->isVisible())
      ++n;
  return n;
}
} // namespace

TEST(ErrorDisplay, ACommandFailureShowsItsTextWithTheFullStopRule) {
  mvtest::ErrorRecorder errors;
  mv::RunCommand([] { throw EConvertError("'x' is not a valid integer value"); });
  mv::RunCommand([] { throw Exception("Connection refused!"); });
  mv::RunCommand([] { throw std::runtime_error("\xCE\xF8\xE8\xE1\xEA\xE0"); }); // "Ошибка" in 1251
  bool ran = false;
  mv::RunCommand([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_EQ(errors.texts,
            (QStringList{"'x' is not a valid integer value.", "Connection refused!", mv::Ui("Ошибка.")}));
}

TEST(ErrorDisplay, TheBoxCarriesTheTitleAndTheErrorIcon) {
  mvtest::WhenModal([](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), mv::ProgramTitle());
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->text(), "Host not found.");
    EXPECT_TRUE(mv::ErrorBoxOpen());
    box->accept();
  });
  mv::RunCommand([] { throw Exception("Host not found"); });
  EXPECT_FALSE(mv::ErrorBoxOpen());
}

// An unreachable server fails every tick; with the box open the ticks keep
// coming through its event loop and must not pile up boxes on top of it.
TEST(ErrorDisplay, TicksDoNotStackBoxesWhileOneIsOpen) {
  int failures = 0;
  int mostBoxes = 0;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    mostBoxes = std::max(mostBoxes, VisibleMessageBoxes());
    mv::RunTick([&] {
      ++failures;
      throw Exception("Socket Error # 10061 Connection refused");
    });
  });
  bool closed = false;
  mvtest::WhenModal([&](QWidget *modal) {
    mvtest::Spin(300); // about 60 ticks while the box is open
    mostBoxes = std::max(mostBoxes, VisibleMessageBoxes());
    ticker.stop();
    closed = true;
    modal->close();
  });
  ticker.start();
  mvtest::Spin(100);
  while (!closed)
    mvtest::Spin(20);
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(mostBoxes, 1);
  EXPECT_FALSE(mv::ErrorBoxOpen());

  // Once the box is closed the next tick runs again.
  mvtest::ErrorRecorder errors;
  mv::RunTick([] { throw Exception("again"); });
  EXPECT_EQ(errors.texts, QStringList{"again."});
}
