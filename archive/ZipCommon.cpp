#include "archive/ZipCommon.h"

#include "platform/Pump.h"

#include <optional>

namespace {
std::optional<TEntryFailure> FailureOf(int code) {
  switch (code) {
  case aeBadLocalOffset:
  case aeBadBlock:
  case aeStackOverflow:
  case aeCrcFailed:
  case aeReadFile:
  case aeEofNotFound:
  case aeUnsupportedArchive:
  case aeBrokenVolumeChain:
  case aeBadFileHeader:
    return TEntryFailure::Damaged;
  case aeInvalidPassword:
    return TEntryFailure::Encrypted;
  case aeUnsupportedMethod:
    return TEntryFailure::UnsupportedMethod;
  case aeUnpackLimit:
    return TEntryFailure::UnpackLimit;
  case aeDiskFull:
    return TEntryFailure::DiskFull;
  case aeOpenFile:
  case aeWriteFile:
  case aeCloseFile:
  case aeOutOfMemory:
    return TEntryFailure::WriteError;
  default: // canceled, a hook not assigned, no library: no fault of an entry
    return std::nullopt;
  }
}
} // namespace

void TZipCommon::Report(int code, const std::string &fileName) {
  if (auto reason = FailureOf(code)) {
    // The archive itself cannot be opened: it is no archive we can read.
    if (code == aeOpenFile && fileName == ArchiveFile())
      reason = TEntryFailure::Damaged;
    NoteFailure(*reason, fileName);
  }
  if (OnError)
    OnError(fileName, code, ArchiveFile());
}

// An entry keeps the first reason: later reports of the same entry are
// consequences (a full disk, then the failed write).
void TZipCommon::NoteFailure(TEntryFailure reason, const std::string &fileName) {
  if (failed_.empty() || failed_.back().fileName != fileName)
    failed_.push_back({fileName, reason});
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
