// The main window's commands for the protocol window, the viewers of kept
// messages and the message editor. Each runs its window inside the paused
// poll timer, so no check writes rows or copies while the user works on them.
#include "app/Main.h"

#include "compose/MessageEditor.h"
#include "records/PDel_Msg.h"
#include "records/PProtcl.h"
#include "records/PSend_Ms.h"
#include "records/mData.h"
#include "settings/ErrorDisplay.h"

void TfrmMain::CreateMessageEditor() {
  if (!frmMessageEditor)
    frmMessageEditor = new TfrmMessageEditor(this, mailSettings_, Dirs.SendDir);
}

void TfrmMain::SendExecute() {
  CreateMessageEditor();
  ShowModalPaused([this] { frmMessageEditor->exec(); });
}

// The table lives in the data module; without one (a test of the window
// alone) there is nothing to show.
void TfrmMain::ProtocolExecute() {
  if (!dmMail)
    throw EDatabaseError("Cannot perform this operation on a closed dataset");
  ShowModalPaused([this] {
    TfProtcl window(this, dmMail->Table1, Dirs.TempDir);
    window.exec();
  });
}

void TfrmMain::DeletedViewerExecute() {
  ShowModalPaused([this] {
    TDel_Msg viewer(this, Dirs.DeleteDir, Dirs.AttachDir, Dirs.TempAttDir);
    viewer.exec();
  });
}

void TfrmMain::SentViewerExecute() {
  ShowModalPaused([this] {
    TSend_Msg viewer(this, Dirs.SendDir, Dirs.AttachDir, Dirs.TempAttDir);
    viewer.exec();
  });
}
