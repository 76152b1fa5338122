#pragma once
// The data module: owns the protocol table for the whole run. Created once,
// right after the main window has fixed the program directory.
#include "records/ProtocolTable.h"

#include <string>

class TdmMail {
public:
  // DataModuleCreate: creates BaseDir + "Protocol/" (with missing parents)
  // and, when it is not there yet, the table "Protocol.db" in it, then opens
  // the table. A failure does not escape: it leaves the table closed and its
  // text in StartupError() for the caller's standard error box; later users
  // open the table themselves.
  explicit TdmMail(const std::string &baseDir);
  // DataModuleDestroy: closes the table; with the table object its log is
  // carried into the file.
  ~TdmMail();
  TdmMail(const TdmMail &) = delete;
  TdmMail &operator=(const TdmMail &) = delete;

  const std::string &ProtocolDir() const { return protocolDir_; }   // BaseDir + "Protocol/"
  const std::string &ProtocolPath() const { return protocolPath_; } // ... + "Protocol.db"
  const std::string &StartupError() const { return startupError_; }

  ProtocolTable Table1;

private:
  std::string protocolDir_;
  std::string protocolPath_;
  std::string startupError_;
};

// The program-wide instance: set while a TdmMail exists (the latest one).
extern TdmMail *dmMail;
