#include "archive/CustomDClass.h"

#include "platform/FileSystem.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>

namespace {
constexpr std::uint32_t kDosReadOnly = 0x01;
constexpr std::uint32_t kDosArchive = 0x20;

bool StatPath(const std::string &path, struct stat &st) {
  return ::lstat(mv::ToDiskPath(path).c_str(), &st) == 0;
}
} // namespace

bool IsSpecialUnixEntry(std::uint32_t externalAttr, bool hostUnix) {
  if (!hostUnix)
    return false;
  const std::uint32_t type = (externalAttr >> 16) & S_IFMT;
  return type != 0 && type != S_IFREG && type != S_IFDIR;
}

void TCustomDClass::ResetRun() {
  count_ = 0;
  canceled_ = false;
  bytesDone_ = 0;
  bytesTotal_ = 0;
  outputPath_.clear();
  failed_.clear();
  notAnArchive_ = false;
  archiveBytes_ = 0;
  unpacked_ = 0;
  entriesStarted_ = 0;
  if (!ArchiveFile().empty())
    AddArchiveBytes(mv::FileSize(ArchiveFile()));
}

void TCustomDClass::AddArchiveBytes(std::int64_t bytes) {
  if (bytes > 0)
    archiveBytes_ += static_cast<std::uint64_t>(bytes);
}

std::uint64_t TCustomDClass::UnpackBudgetLeft() const {
  const std::uint64_t byRatio = limits_.ratio != 0 && archiveBytes_ > UINT64_MAX / limits_.ratio
                                    ? UINT64_MAX
                                    : archiveBytes_ * limits_.ratio;
  const std::uint64_t budget = std::max(limits_.floorBytes, byRatio);
  return unpacked_ < budget ? budget - unpacked_ : 0;
}

bool TCustomDClass::WithinUnpackLimits(const std::string &name, std::uint64_t declaredSize) {
  if (entriesStarted_ >= limits_.maxEntries || declaredSize > UnpackBudgetLeft()) {
    Report(aeUnpackLimit, name);
    return false;
  }
  ++entriesStarted_;
  return true;
}

bool TCustomDClass::OverwriteDecision(const std::string &outputPath) {
  struct stat st {};
  const bool exists = StatPath(outputPath, st);
  bool extract = true;
  if (exists) {
    if (ConfirmOverwrites) {
      if (OnFileExists)
        OnFileExists(outputPath, extract);
      else
        extract = OverwriteMode == omOverwrite;
      const bool readOnly = S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
      if (extract && (readOnly || S_ISDIR(st.st_mode))) {
        // A read-only file is made writable first; a directory cannot be
        // replaced by a file.
        if (S_ISDIR(st.st_mode)) {
          Report(aeWriteFile, outputPath);
          return false;
        }
        ::chmod(mv::ToDiskPath(outputPath).c_str(), st.st_mode | S_IWUSR);
      }
    } else {
      extract = OverwriteMode == omOverwrite;
    }
  }
  if (extract)
    ++count_;
  return extract;
}

bool TCustomDClass::FitsOnDisk(const std::string &outputPath, std::uint64_t declaredSize) {
  // The file system is asked about the nearest existing directory.
  std::string dir = outputPath.substr(0, outputPath.find_last_of('/') + 1);
  while (!dir.empty() && !mv::DirectoryExists(dir)) {
    dir.pop_back();
    dir.erase(dir.find_last_of('/') + 1);
  }
  const std::int64_t free = mv::FreeDiskSpace(dir.empty() ? "." : dir);
  if (free < 0)
    return true; // unknown: the write itself will tell
  const std::uint64_t usable = free > kDiskReserve ? static_cast<std::uint64_t>(free - kDiskReserve) : 0;
  if (declaredSize <= usable)
    return true;
  Report(aeDiskFull, outputPath);
  return false;
}

void TCustomDClass::RestoreAttributes(const std::string &path, std::uint32_t externalAttr, bool hostUnix) {
  if (!RestoreFileAttr || externalAttr == kDosArchive)
    return;
  bool readOnly = (externalAttr & kDosReadOnly) != 0;
  if (hostUnix && (externalAttr >> 16) != 0)
    readOnly = ((externalAttr >> 16) & S_IWUSR) == 0;
  if (!readOnly)
    return;
  // Only the write permission is taken away: the owner can always read, and
  // no stored mode sets setuid, setgid or sticky bits.
  struct stat st {};
  const std::string disk = mv::ToDiskPath(path);
  if (::stat(disk.c_str(), &st) == 0 && S_ISREG(st.st_mode))
    ::chmod(disk.c_str(), (st.st_mode & 0777 & ~(S_IWUSR | S_IWGRP | S_IWOTH)) | S_IRUSR);
}
