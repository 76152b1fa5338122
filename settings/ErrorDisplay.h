#pragma once
// The program's standard error display, and the entry guards that route every
// failure of a command, event handler or timer tick into it.
//
// A failure ends the command it happened in; the box shows its text (with the
// full stop rule of mv::ErrorDisplayText), the program's title and the error
// icon, and the program goes on. While a box is open the event loop keeps
// running, so timer ticks would otherwise open one box per tick on top of it
// (an unreachable server would bury the user): ticks are skipped while a box
// is open, and an error that still arrives then is not stacked on top.
#include <QString>
#include <functional>
#include <string>

namespace mv {
// The title of the program's message boxes.
QString ProgramTitle();

// Shows the box for a Windows-1251 error text; returns when it is closed.
void ShowErrorMessage(const std::string &message1251);
bool ErrorBoxOpen();

// How the box is presented: the default is a modal QMessageBox. Tests put a
// recorder here. Returns the previous presenter; an empty one restores the
// message box.
using ErrorPresenter = std::function<void(const QString &text)>;
ErrorPresenter SetErrorPresenter(ErrorPresenter presenter);

// Entry of a command or event handler: runs action, and a std::exception
// escaping it is shown in the error box.
void RunCommand(const std::function<void()> &action);
// Entry of a timer tick: like RunCommand, but the tick is skipped while an
// error box is open.
void RunTick(const std::function<void()> &action);
} // namespace mv
