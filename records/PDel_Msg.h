#pragma once
// The viewer of the copies of messages the mail check removed from the server
// (Delete/). A copy that cannot be read is left out without a word.
#include "records/PStoredViewer.h"

class TDel_Msg : public TStoredViewer {
  Q_OBJECT
public:
  TDel_Msg(QWidget *parent, std::string deleteDir, std::string attachDir, std::string tempAttDir);
};
