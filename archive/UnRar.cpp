#include "archive/UnRar.h"

#include "archive/DosTime.h"
#include "archive/UnRarLibrary.h"
#include "archive/Utf8.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

using mv::rar::RarEntry;
using mv::zip::EntryWriter;
using mv::zip::WriteFailure;

namespace {
// The comment buffer offered to the library with both records.
constexpr std::size_t kCommentBuffer = 16384;
// The wide archive name buffer of the open record, in characters.
constexpr std::size_t kWideNameBuffer = 1024;
// The volume name buffer the library passes with a volume message.
constexpr std::size_t kVolumeNameBuffer = 1024;

// The message of a library result code (aeNone: the code has no text).
int ResultMessage(int code) {
  switch (code) {
  case ERAR_END_ARCHIVE:
    return aeEofNotFound;
  case ERAR_NO_MEMORY:
    return aeOutOfMemory;
  case ERAR_BAD_DATA:
    return aeBadBlock;
  case ERAR_BAD_ARCHIVE:
  case ERAR_UNKNOWN_FORMAT:
    return aeUnsupportedArchive;
  case ERAR_EOPEN:
    return aeOpenFile;
  case ERAR_ECREATE:
  case ERAR_EWRITE:
    return aeWriteFile;
  case ERAR_ECLOSE:
    return aeCloseFile;
  case ERAR_EREAD:
    return aeReadFile;
  case ERAR_UNKNOWN:
    return aeBrokenVolumeChain;
  case ERAR_MISSING_PASSWORD:
    return aeInvalidPassword;
  default:
    return aeNone;
  }
}

std::string DirectoryOf(const std::string &path) {
  return path.substr(0, path.find_last_of('/') + 1);
}

bool IsDirectoryHeader(const RARHeaderDataEx &h) {
  return h.HostOS == mv::rar::kHostUnix ? (h.FileAttr & 0xF000) == 0x4000 : (h.FileAttr & 0x10) != 0;
}

// An existing output file is replaced even when it is read-only: made
// writable and deleted before the entry is written.
void RemoveExistingFile(const std::string &path) {
  const std::string disk = mv::ToDiskPath(path);
  struct stat st {};
  if (::lstat(disk.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
    return;
  if (S_ISREG(st.st_mode))
    ::chmod(disk.c_str(), (st.st_mode & 07777) | S_IWUSR);
  ::unlink(disk.c_str());
}

// Closes the library's archive however the run ends.
struct ArchiveCloser {
  void *handle;
  ~ArchiveCloser() { mv::rar::RarLibrary().CloseArchive(handle); }
};
} // namespace

TUnRar::TUnRar() {
  mv::rar::RarLibrary();
}

void TUnRar::DoExtract() {
  const mv::rar::RarLibraryBinding &lib = mv::rar::RarLibrary();
  if (!lib.present)
    Raise(aeRarLibraryNotFound, ArchiveFile());
  const std::string diskArchive = mv::ToDiskPath(ArchiveFile());
  mv::rar::RarFormat format = mv::rar::RarFormat::None;
  if (!IsRarFamily(ArcType()) && mv::rar::FindRarMarker(diskArchive, format) < 0) {
    notAnArchive_ = true; // no RAR data (type detection does not look past a long stub)
    return;
  }
  if (::access(diskArchive.c_str(), R_OK) != 0)
    Raise(aeOpenFile, ArchiveFile());

  // The preliminary scan decides how many entries are processed and supplies
  // the Unicode names.
  mv::rar::RarListing listing = mv::rar::ScanRarFile(diskArchive, [this] { return canceled_; });
  if (listing.damaged && listing.entries.empty())
    Report(aeReadFile, ArchiveFile());
  if (listing.headersEncrypted) {
    // Nothing can be listed without the password, and none is supplied.
    NoteFailure(TEntryFailure::Encrypted, ArchiveFile());
    return;
  }
  records_ = std::move(listing.entries);
  index_ = 0;
  newestTime_ = 0;
  for (const RarEntry &e : records_) {
    bytesTotal_ += static_cast<std::int64_t>(std::min<std::uint64_t>(e.unpSize, INT64_MAX / 4));
    newestTime_ = std::max(newestTime_, mv::UnixFromDosTime(e.dosTime));
  }

  comment_.assign(kCommentBuffer, '\0');
  std::wstring wideName = mv::WideFromUtf8(diskArchive);
  wideName.resize(std::min(wideName.size(), kWideNameBuffer - 1));
  std::vector<wchar_t> wideBuffer(kWideNameBuffer, L'\0');
  std::copy(wideName.begin(), wideName.end(), wideBuffer.begin());

  RAROpenArchiveDataEx open{};
  open.ArcName = nullptr;
  open.ArcNameW = wideBuffer.data();
  open.OpenMode = RAR_OM_EXTRACT;
  open.CmtBuf = comment_.data();
  open.CmtBufSize = kCommentBuffer;
  void *handle = lib.OpenArchiveEx(&open);
  if (!handle)
    Raise(ResultMessage(open.OpenResult != ERAR_SUCCESS ? int(open.OpenResult) : ERAR_EOPEN), ArchiveFile());
  ArchiveCloser closer{handle};
  if (open.OpenResult != ERAR_SUCCESS)
    Raise(ResultMessage(int(open.OpenResult)), ArchiveFile());
  lib.SetCallback(handle, &TUnRar::LibraryCallback, static_cast<long>(reinterpret_cast<std::intptr_t>(this)));
  RunLibrary(handle);
}

void TUnRar::RunLibrary(void *handle) {
  const mv::rar::RarLibraryBinding &lib = mv::rar::RarLibrary();
  auto header = std::make_unique<RARHeaderDataEx>();
  std::memset(header.get(), 0, sizeof *header);
  header->CmtBuf = comment_.data();
  header->CmtBufSize = kCommentBuffer;

  int r = lib.ReadHeaderEx(handle, header.get());
  if (callbackError_)
    std::rethrow_exception(std::exchange(callbackError_, nullptr));
  if (r != ERAR_SUCCESS) {
    Report(aeBadFileHeader, ArchiveFile());
    return;
  }
  // One library header per scanned record: an archive whose scan found
  // fewer file blocks than the library reports extracts only those.
  while (r == ERAR_SUCCESS && index_ < records_.size() && !canceled_) {
    const RarEntry &record = records_[index_];
    const std::string name = EntryName(*header, record);
    std::string storedName = name;
    if (OnRenameFile)
      OnRenameFile(storedName);
    const std::string outputPath = BuildOutputPath(storedName);
    outputPath_ = outputPath;
    int result = ERAR_SUCCESS;
    if (IsDirectoryHeader(*header) || record.directory) {
      if (CreateStoredDirs) {
        mv::ForceDirectories(outputPath.back() == '/' ? outputPath : outputPath + '/');
        result = lib.ProcessFile(handle, RAR_SKIP, nullptr, nullptr);
      }
      // Otherwise no call: reading the next header steps over it.
    } else if (record.special ||
               IsSpecialUnixEntry(header->FileAttr << 16, header->HostOS == mv::rar::kHostUnix) ||
               !IsSelected(name)) {
      result = lib.ProcessFile(handle, RAR_SKIP, nullptr, nullptr); // links and devices are never created
    } else if (ExtractEntry(handle, *header, record, name, outputPath) == EntryEnd::Stop) {
      break;
    }
    if (result != ERAR_SUCCESS) {
      Report(ResultMessage(result), name);
      break;
    }
    ++index_;
    r = lib.ReadHeaderEx(handle, header.get());
    if (callbackError_)
      std::rethrow_exception(std::exchange(callbackError_, nullptr));
  }
}

// The Unicode name from the scan when the block has one (RAR 5 always),
// otherwise the single-byte name the library reports, from the OEM code page.
std::string TUnRar::EntryName(const RARHeaderDataEx &header, const RarEntry &record) const {
  if (!record.unicodeName.empty()) {
    std::string name = mv::Utf8ToWin1251Name(record.unicodeName);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
  }
  std::string raw(header.FileName, strnlen(header.FileName, sizeof header.FileName));
  raw.erase(raw.find_last_not_of(' ') + 1);
  // Packers on Unix store names in their locale's encoding, UTF-8 these days,
  // not in a DOS code page.
  if (record.hostOS == mv::rar::kHostUnix && mv::IsNonAsciiUtf8(raw)) {
    std::string name = mv::Utf8ToWin1251Name(raw);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
  }
  return ConvertName(raw);
}

TUnRar::EntryEnd TUnRar::ExtractEntry(void *handle, const RARHeaderDataEx &header, const RarEntry &record,
                                      const std::string &name, const std::string &outputPath) {
  const mv::rar::RarLibraryBinding &lib = mv::rar::RarLibrary();
  auto skip = [&] {
    const int r = lib.ProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    if (r == ERAR_SUCCESS)
      return EntryEnd::Next;
    Report(ResultMessage(r), name);
    return EntryEnd::Stop;
  };
  // Output is capped at the declared size; an entry of unknown size may take
  // what the disk reserve leaves.
  std::uint64_t declared = std::uint64_t(header.UnpSizeHigh) << 32 | header.UnpSize;
  if (!record.unpSizeKnown) {
    const std::int64_t free =
        mv::FreeDiskSpace(DirectoryOf(outputPath).empty() ? "." : DirectoryOf(outputPath));
    declared = free > kDiskReserve ? std::uint64_t(free - kDiskReserve) : 0;
  }
  bool wanted = true;
  if (OnBegin)
    OnBegin(name, wanted);
  if (!wanted || !FitsOnDisk(outputPath, record.unpSizeKnown ? declared : 0) ||
      !WithinUnpackLimits(name, record.unpSizeKnown ? declared : 0) || !OverwriteDecision(outputPath))
    return skip();

  mv::ForceDirectories(DirectoryOf(outputPath));
  RemoveExistingFile(outputPath);
  EntryWriter writer(declared, [this] {
    if (OnProgress)
      OnProgress(std::min(bytesDone_, bytesTotal_), bytesTotal_);
    PumpBetweenBlocks(entryName_);
  });
  writer.SetBudget(UnpackBudgetLeft());
  if (!writer.Create(outputPath)) {
    Report(aeOpenFile, outputPath);
    Uncount();
    return skip();
  }
  entryName_ = name;
  writer_ = &writer;
  mode_ = 2;
  const int r = lib.ProcessFile(handle, RAR_TEST, nullptr, nullptr);
  mode_ = 0;
  writer_ = nullptr;
  CountUnpacked(writer.Written());

  if (writer.Failure() != WriteFailure::None)
    return EndAfterWriteFailure(writer, outputPath);
  if (callbackError_) { // canceled, or a hook raised: the run ends
    writer.Discard();
    Uncount();
    std::rethrow_exception(std::exchange(callbackError_, nullptr));
  }
  if (r != ERAR_SUCCESS) {
    // The library could not unpack it (damaged data, a missing password):
    // the partial file is no copy of the entry, and the run ends here.
    writer.Discard();
    Uncount();
    Report(ResultMessage(r), name);
    return EntryEnd::Stop;
  }

  const std::int64_t stamp = DateAttribute == daFileDate      ? mv::UnixFromDosTime(header.FileTime)
                             : DateAttribute == daMaxFileDate ? newestTime_
                                                              : 0; // daSysDate: the time of writing
  if (!writer.Close(stamp))
    Report(aeCloseFile, outputPath);
  const bool hostUnix = header.HostOS == mv::rar::kHostUnix;
  RestoreAttributes(outputPath, hostUnix ? header.FileAttr << 16 : header.FileAttr, hostUnix);
  if (!record.hasCrc)
    return EntryEnd::Next; // a RAR 5 entry checked by its BLAKE2 hash inside the library
  const bool crcPassed = writer.Crc().Matches(header.FileCRC);
  if (OnEnd)
    OnEnd(name, crcPassed);
  if (!crcPassed) {
    Report(aeCrcFailed, name);
    Uncount();
  }
  return EntryEnd::Next;
}

// Output past the declared size, a full disk or a failed write: the partial
// file is removed, the entry is not counted, and the library has been told to
// abort the entry, which ends the run.
TUnRar::EntryEnd TUnRar::EndAfterWriteFailure(EntryWriter &writer, const std::string &outputPath) {
  writer.Discard();
  callbackError_ = nullptr;
  if (writer.Failure() == WriteFailure::DiskFull) {
    Report(aeDiskFull, outputPath);
    ResetCount();
    ShowError(ArchiveErrorText(aeDiskFull));
  } else if (writer.Failure() == WriteFailure::OverLimit) {
    Report(aeUnpackLimit, outputPath);
    Uncount();
  } else {
    Report(aeWriteFile, outputPath);
    Uncount();
  }
  return EntryEnd::Stop;
}

int TUnRar::LibraryCallback(unsigned int msg, long userData, long p1, long p2) {
  auto *self = reinterpret_cast<TUnRar *>(static_cast<std::intptr_t>(userData));
  // Nothing may unwind through the library.
  try {
    return self->OnLibraryMessage(msg, p1, p2);
  } catch (...) {
    self->callbackError_ = std::current_exception();
    return -1;
  }
}

int TUnRar::OnLibraryMessage(unsigned int msg, long p1, long p2) {
  switch (msg) {
  case UCM_CHANGEVOLUME:
    return NextVolume(reinterpret_cast<char *>(static_cast<std::intptr_t>(p1)), p2 == RAR_VOL_NOTIFY);
  case UCM_PROCESSDATA:
    return TakeData(reinterpret_cast<const unsigned char *>(static_cast<std::intptr_t>(p1)),
                    static_cast<std::size_t>(p2));
  case UCM_NEEDPASSWORD:
    SupplyPassword(reinterpret_cast<char *>(static_cast<std::intptr_t>(p1)), p2);
    return 0;
  default:
    return 0;
  }
}

int TUnRar::TakeData(const unsigned char *data, std::size_t size) {
  if (canceled_)
    return -1;
  if (mode_ != 2 || !writer_)
    return 0;
  bytesDone_ += static_cast<std::int64_t>(size);
  try {
    writer_->Write(data, size); // updates the running CRC-32
  } catch (const mv::zip::WriteStopped &) {
    return -1;
  }
  return 0;
}

// The library needs the next volume of a set: a volume that exists is
// scanned like the first, its entries appended to the list.
int TUnRar::NextVolume(char *nameBuffer, bool found) {
  std::string volume = mv::FromDiskPath(nameBuffer);
  if (!found && !mv::FileExists(volume)) {
    bool supplied = false;
    if (!OnNextVolume) {
      Report(aeEventNotAssigned, volume);
      return -1;
    }
    OnNextVolume(volume, supplied);
    if (!supplied || !mv::FileExists(volume))
      return -1;
    const std::string disk = mv::ToDiskPath(volume);
    if (disk.size() >= kVolumeNameBuffer)
      return -1;
    std::memcpy(nameBuffer, disk.c_str(), disk.size() + 1);
  }
  AddArchiveBytes(mv::FileSize(volume));
  mv::rar::RarListing next = mv::rar::ScanRarFile(mv::ToDiskPath(volume), [this] { return canceled_; });
  mv::rar::AppendVolume(records_, next);
  return 0;
}

// Only through the password hook; the copy is cut to the buffer the library
// offers.
void TUnRar::SupplyPassword(char *buffer, long size) {
  if (!OnGetPassword) {
    Report(aeInvalidPassword, entryName_);
    return;
  }
  if (Password.empty()) {
    bool tryAgain = false;
    OnGetPassword(entryName_, Password, tryAgain);
  }
  if (size <= 0)
    return;
  const std::size_t n = std::min(Password.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, Password.data(), n);
  buffer[n] = '\0';
}
