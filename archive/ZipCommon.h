#pragma once
// Error, progress and name-translation settings shared by the components, and
// the report/raise error scheme.
#include "archive/ArchiveBase.h"
#include "archive/ArchiveErrors.h"
#include "archive/ExtractOutcome.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

  // The entries the last run could not write, and why (see ExtractOutcome.h).
  const std::vector<TFailedEntry> &FailedEntries() const { return failed_; }
  // The last run found no archive of this component's kind in the file.
  bool NotAnArchive() const { return notAnArchive_; }

protected:
  // Report: the error hook hears of it, and an entry's failure is noted in
  // FailedEntries (reports without an entry-level reason are only heard).
  void Report(int code, const std::string &fileName);
  // Notes a failure no report number tells apart (an encrypted entry).
  void NoteFailure(TEntryFailure reason, const std::string &fileName);
  // Raise: the same report, then E_RAISE with the message's text.
  [[noreturn]] void Raise(int code, const std::string &fileName);
  // Let the user interface breathe between data blocks; raises "User canceled"
  // once the cancel flag is set.
  void PumpBetweenBlocks(const std::string &fileName);
  void ShowError(const std::string &message);

  bool canceled_ = false;
  std::vector<TFailedEntry> failed_;
  bool notAnArchive_ = false;
};
