#include "QtTestSupport.h"
#include "platform/Errors.h"
#include "settings/ErrorDisplay.h"
#include "settings/QtText.h"

#include <QMessageBox>

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

// An unreachable server fails every tick. While a box is open its event loop
// keeps the poll timer going, and each failing tick would put one more box on
// top of it: ticks are skipped until the box is closed.
TEST(ErrorDisplay, TicksDoNotStackBoxesWhileOneIsOpen) {
  int failures = 0;
  int mostBoxes = 0;
  QTimer ticker;
  ticker.setInterval(5);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    mv::RunTick([&] {
      ++failures;
      throw Exception("Socket Error # 10061 Connection refused");
    });
  });
  // Watches the boxes; closes any box beyond the first so that a broken gate
  // fails the test instead of hanging it.
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    QList<QMessageBox *> boxes;
    for (QWidget *w : QApplication::topLevelWidgets())
      if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
        boxes << box;
    mostBoxes = std::max(mostBoxes, int(boxes.size()));
    if (boxes.size() > 1)
      QApplication::activeModalWidget()->close();
  });
  watcher.start(2);
  mvtest::WhenModal([&](QWidget *modal) {
    ticker.start();
    mvtest::Spin(300); // about 60 ticks while the box is open
    ticker.stop();
    modal->close();
  });
  mv::RunCommand([] { throw Exception("Host not found"); });
  watcher.stop();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(mostBoxes, 1);
  EXPECT_FALSE(mv::ErrorBoxOpen());

  // Once the box is closed the next tick runs again.
  mvtest::ErrorRecorder errors;
  mv::RunTick([] { throw Exception("again"); });
  EXPECT_EQ(errors.texts, QStringList{"again."});
}
