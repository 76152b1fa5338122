#pragma once
// The start of the process: the windows made before the message loop runs,
// in their fixed order, and the loop itself.
#include <memory>
#include <string>

class TfrmMain;

namespace mv {
// Makes the program's windows in the start order: the main window (which
// loads Mail.ini and creates the working directories), the single-rule
// dialog, the splash window and the presentation prompt. The main window owns
// the others.
std::unique_ptr<TfrmMain> CreateProgramWindows(const std::string &baseDir);

// The whole run: windows, message loop, end. Returns the exit code.
int RunProgram(int argc, char **argv);
} // namespace mv
