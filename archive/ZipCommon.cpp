#include "archive/ZipCommon.h"

#include "platform/Pump.h"

void TZipCommon::Report(int code, const std::string &fileName) {
  if (OnError)
    OnError(fileName, code, ArchiveFile());
}

void TZipCommon::Raise(int code, const std::string &fileName) {
  Report(code, fileName);
  throw E_RAISE(code);
}

void TZipCommon::PumpBetweenBlocks(const std::string &fileName) {
  mv::PumpMessages();
  if (canceled_)
    Raise(aeUserCanceled, fileName);
}

void TZipCommon::ShowError(const std::string &message) {
  if (OnShowError)
    OnShowError(message);
}
