#pragma once
// Error, progress and name-translation settings shared by the components, and
// the report/raise error scheme.
#include "archive/ArchiveBase.h"
#include "archive/ArchiveErrors.h"

#include <cstdint>
#include <functional>
#include <string>

class TZipCommon : public TArchiveBase {
public:
  // Convert entry names from the OEM code page (866) to Windows-1251.
  bool TranslateOemChar = true;

  // Hooks; this system assigns none of them (except OnShowError, below).
  std::function<void(const std::string &fileName, int messageNumber, const std::string &archiveName)> OnError;
  std::function<void(std::int64_t bytesDone, std::int64_t bytesTotal)> OnProgress;
  std::function<void(double seconds)> OnElapsedTime;
  std::function<void()> OnActivate;
  std::function<void()> OnDeactivate;
  // Raised errors caught for one entry are shown to the user in a message box;
  // the program installs the box here (the archive library has no UI).
  std::function<void(const std::string &message)> OnShowError;

  // Asks a running extraction to stop at the next data block ("User canceled").
  void Cancel() { canceled_ = true; }
  bool Canceled() const { return canceled_; }

protected:
  // Report: the error hook hears of it; nothing else happens.
  void Report(int code, const std::string &fileName);
  // Raise: the same report, then E_RAISE with the message's text.
  [[noreturn]] void Raise(int code, const std::string &fileName);
  // Let the user interface breathe between data blocks; raises "User canceled"
  // once the cancel flag is set.
  void PumpBetweenBlocks(const std::string &fileName);
  void ShowError(const std::string &message);

  bool canceled_ = false;
};
