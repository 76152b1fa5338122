#pragma once
// Helpers for driving windows without a person: a recorder for the error box,
// a way to act on the next modal window, and the scratch directory.
#include "settings/ErrorDisplay.h"
#include "tests/support/ScratchDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace mvtest {
// Collects the texts the standard error display would have shown.
class ErrorRecorder {
public:
  ErrorRecorder() {
    previous_ = mv::SetErrorPresenter([this](const QString &text) { texts.push_back(text); });
  }
  ~ErrorRecorder() { mv::SetErrorPresenter(previous_); }
  QStringList texts;

private:
  mv::ErrorPresenter previous_;
};

// Runs act on the next modal window as soon as it is open (polled from the
// event loop the modal window runs). Fails the test when none opens in time;
// the caller's own wait then ends by itself because nothing blocks.
inline void WhenModal(std::function<void(QWidget *)> act, int timeoutMs = 5000) {
  auto *timer = new QTimer;
  auto *clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, act, timeoutMs] {
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal && clock->elapsed() < timeoutMs)
      return;
    timer->stop();
    timer->deleteLater();
    delete clock;
    if (!modal) {
      ADD_FAILURE() << "no modal window opened";
      return;
    }
    act(modal);
  });
  timer->start(10);
}

// Processes events for a while (lets timers fire).
inline void Spin(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms)
    QApplication::processEvents(QEventLoop::AllEvents, 10);
}
} // namespace mvtest

namespace mvtest {
// Fails the test when a modal window opens while it lives (and closes that
// window, so the test goes on instead of waiting for a person).
class ModalWatchdog {
public:
  ModalWatchdog() {
    QObject::connect(&timer_, &QTimer::timeout, [] {
      if (QWidget *modal = QApplication::activeModalWidget()) {
        ADD_FAILURE() << "unexpected modal window " << modal->metaObject()->className();
        modal->close();
      }
    });
    timer_.start(10);
  }

private:
  QTimer timer_;
};
} // namespace mvtest

namespace mvtest {
// Processes events until pred holds or timeoutMs have passed (a loaded
// machine may be slow to deliver timers); returns pred's last value.
inline bool WaitUntil(const std::function<bool()> &pred, int timeoutMs = 3000) {
  QElapsedTimer clock;
  clock.start();
  while (!pred() && clock.elapsed() < timeoutMs)
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  return pred();
}
} // namespace mvtest
