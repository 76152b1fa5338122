#pragma once
// The start of the process: the windows made before the message loop runs,
// in their fixed order, and the loop itself.
#include "app/Main.h"
#include "records/mData.h"

#include <memory>
#include <string>

namespace mv {
// What lives for the whole run. The data module outlives the main window.
struct ProgramWindows {
  std::unique_ptr<TdmMail> dmMail;
  std::unique_ptr<TfrmMain> frmMain;
};

// Makes the program's windows in the start order: the main window (which
// loads Mail.ini and creates the working directories), the protocol table's
// data module, the single-rule dialog, the splash window and the
// presentation prompt. The main window owns the windows made after it.
ProgramWindows CreateProgramWindows(const std::string &baseDir);

// The whole run: windows, message loop, end. Returns the exit code.
int RunProgram(int argc, char **argv);
} // namespace mv
