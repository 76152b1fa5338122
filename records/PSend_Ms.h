#pragma once
// The viewer of the copies of sent messages (Send/). The texts of copies that
// cannot be read are shown once after the listing; the others stay listed.
#include "records/PStoredViewer.h"

class TSend_Msg : public TStoredViewer {
  Q_OBJECT
public:
  TSend_Msg(QWidget *parent, std::string sendDir, std::string attachDir, std::string tempAttDir);
};
