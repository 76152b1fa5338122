#include "records/mData.h"

#include "platform/FileSystem.h"

TdmMail *dmMail = nullptr;

TdmMail::TdmMail(const std::string &baseDir)
    : protocolDir_(baseDir + "Protocol/"), protocolPath_(protocolDir_ + "Protocol.db") {
  dmMail = this;
  try {
    if (!mv::DirectoryExists(protocolDir_) && !mv::ForceDirectories(protocolDir_))
      throw EInOutError("Cannot create directory " + protocolDir_);
    Table1.SetTableName(protocolPath_);
    if (!mv::FileExists(protocolPath_))
      Table1.CreateTable();
    Table1.Open();
  } catch (const Exception &e) {
    startupError_ = e.Message();
  }
}

TdmMail::~TdmMail() {
  Table1.Close();
  if (dmMail == this)
    dmMail = nullptr;
}
