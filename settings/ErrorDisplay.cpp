#include "settings/ErrorDisplay.h"

#include "platform/Errors.h"
#include "settings/QtText.h"

#include <QApplication>
#include <QMessageBox>

namespace mv {
namespace {
bool boxOpen = false;

ErrorPresenter &Presenter() {
  static ErrorPresenter presenter;
  return presenter;
}

void ShowMessageBox(const QString &text) {
  QWidget *parent = QApplication::activeModalWidget();
  if (!parent)
    parent = QApplication::activeWindow();
  QMessageBox box(QMessageBox::Critical, ProgramTitle(), text, QMessageBox::Ok, parent);
  box.exec();
}

struct BoxOpenScope {
  BoxOpenScope() { boxOpen = true; }
  ~BoxOpenScope() { boxOpen = false; }
};
} // namespace

QString ProgramTitle() {
  return QStringLiteral("MailVornex");
}

bool ErrorBoxOpen() {
  return boxOpen;
}

void ShowErrorMessage(const std::string &message1251) {
  if (boxOpen)
    return; // never a second box on top of the first
  BoxOpenScope scope;
  const QString text = ToQt(ErrorDisplayText(message1251));
  if (Presenter())
    Presenter()(text);
  else
    ShowMessageBox(text);
}

ErrorPresenter SetErrorPresenter(ErrorPresenter presenter) {
  ErrorPresenter previous = std::move(Presenter());
  Presenter() = std::move(presenter);
  return previous;
}

void RunCommand(const std::function<void()> &action) {
  try {
    action();
  } catch (const std::exception &e) {
    ShowErrorMessage(e.what());
  }
}

void RunTick(const std::function<void()> &action) {
  if (boxOpen)
    return;
  RunCommand(action);
}
} // namespace mv
