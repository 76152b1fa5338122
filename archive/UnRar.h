#pragma once
// The RAR extraction component. It lists the archive from its block headers
// itself (RAR 1.5 to 4.x and RAR 5), drives the extraction library entry by
// entry, writes the unpacked data it receives through the library's callback
// into the output files, and checks each entry's CRC. After Extract(),
// FailedEntries() lists each entry not written whole with its reason (an
// encrypted entry, or the whole archive when its headers are encrypted) and
// NotAnArchive() tells a file with no RAR data (see ExtractOutcome.h);
// SetUnpackLimits() bounds what one archive (all its volumes) may unpack.
// A failure inside the library's data (damaged data, a missing password, a
// full disk, output past the budget) ends the run: the entries after it are
// neither written nor listed, so the last record names the cause.
#include "archive/EntryWriter.h"
#include "archive/RarScan.h"
#include "archive/UnBase.h"

#include <exception>
#include <memory>
#include <vector>

struct RARHeaderDataEx;

class TUnRar : public TUnBase {
public:
  // Binds the extraction library (once per process) so that a missing one is
  // known from the start.
  TUnRar();

  // Offered to the library when an entry asks for a password (through
  // OnGetPassword only; this system assigns no hook and supplies none).
  std::string Password;

protected:
  void DoExtract() override;

private:
  enum class EntryEnd { Next, Stop };

  void RunLibrary(void *handle);
  EntryEnd ExtractEntry(void *handle, const RARHeaderDataEx &header, const mv::rar::RarEntry &record,
                        const std::string &name, const std::string &outputPath);
  EntryEnd EndAfterWriteFailure(mv::zip::EntryWriter &writer, const std::string &outputPath);
  std::string EntryName(const RARHeaderDataEx &header, const mv::rar::RarEntry &record) const;

  static int LibraryCallback(unsigned int msg, long userData, long p1, long p2);
  int OnLibraryMessage(unsigned int msg, long p1, long p2);
  int NextVolume(char *nameBuffer, bool found);
  void SupplyPassword(char *buffer, long size);
  int TakeData(const unsigned char *data, std::size_t size);

  // Per-run state.
  std::vector<mv::rar::RarEntry> records_; // the preliminary scan, volumes appended
  std::size_t index_ = 0;
  std::int64_t newestTime_ = 0; // the newest time stamp of the entries, for daMaxFileDate
  int mode_ = 0;                // 0: the current entry is not written, 2: its data goes to writer_
  mv::zip::EntryWriter *writer_ = nullptr;
  std::string entryName_;
  std::exception_ptr callbackError_; // raised inside the callback, rethrown after the library returns
  std::vector<char> comment_;
};
