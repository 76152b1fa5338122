#pragma once
// Extraction settings and the per-run state shared by the extracting
// components: the overwrite decision, the count, output path confinement,
// attributes and the disk reserve.
#include "archive/ZipCommon.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum TOverwriteMode { omOverwrite, omSkip };
enum TDateAttribute { daFileDate, daSysDate, daMaxFileDate };

class TCustomDClass : public TZipCommon {
public:
  bool UseStoredDirs = true;
  bool CreateStoredDirs = false;
  TOverwriteMode OverwriteMode = omOverwrite;
  bool ConfirmOverwrites = false;
  bool RestoreFileAttr = true;
  TDateAttribute DateAttribute = daFileDate;
  std::vector<std::string> Passwords;
  std::int32_t PasswordAttempts = 3;

  // Before each entry; setting extract false vetoes it.
  std::function<void(const std::string &fileName, bool &extract)> OnBegin;
  // After each entry, with the CRC verdict.
  std::function<void(const std::string &fileName, bool crcPassed)> OnEnd;
  std::function<void(const std::string &fileName, std::string &password, bool &tryAgain)> OnGetPassword;
  std::function<void(const std::string &fileName, bool &overwrite)> OnFileExists;
  // May change an entry's name before its output path is built from it (the
  // result stays confined to the target directory like any stored name).
  std::function<void(std::string &fileName)> OnRenameFile;
  // A local header that disagrees with the directory; extract false skips it.
  std::function<void(const std::string &fileName, bool &extract)> OnCorruptZipHeader;
  // Spanned sets and RAR volumes: supply the next volume's path; found false
  // when there is none.
  std::function<void(std::string &volumeName, bool &found)> OnNextVolume;

  // Entries written by the last (or running) Extract.
  int Count() const { return count_; }

  // The limits on what one run may unpack; the defaults suit the courier,
  // tests set small ones.
  void SetUnpackLimits(const TUnpackLimits &limits) { limits_ = limits; }
  const TUnpackLimits &UnpackLimits() const { return limits_; }

  // A reserve left free on the target file system: an entry whose declared
  // size does not fit beside it is skipped with "Disk full".
  static constexpr std::int64_t kDiskReserve = 64LL * 1024 * 1024;

protected:
  // Resets the count, the cancel flag, the failures and the per-run totals,
  // and starts the unpack budget from the archive file's size.
  void ResetRun();

  // A further volume of the set widens the budget like the first one.
  void AddArchiveBytes(std::int64_t bytes);
  // False, after reporting aeUnpackLimit, when the entry is past the entry
  // cap or its declared size does not fit in what the run may still write.
  // Counts the entry otherwise.
  bool WithinUnpackLimits(const std::string &name, std::uint64_t declaredSize);
  // What the run may still write, and the bytes an entry did write.
  std::uint64_t UnpackBudgetLeft() const;
  void CountUnpacked(std::uint64_t bytes) { unpacked_ += bytes; }

  // The overwrite decision for an existing or new output file. True means
  // extract, and the entry is counted; false means skip.
  bool OverwriteDecision(const std::string &outputPath);
  void Uncount() { --count_; }
  void ResetCount() { count_ = 0; }

  // False (after reporting "Disk full") when declaredSize bytes do not fit on
  // the file system of outputPath beside the reserve.
  bool FitsOnDisk(const std::string &outputPath, std::uint64_t declaredSize);

  // Gives a written file the stored attributes: only the read-only bit is
  // restored (as a mode without write permission). hostUnix says the upper
  // 16 bits of externalAttr hold a Unix mode.
  void RestoreAttributes(const std::string &path, std::uint32_t externalAttr, bool hostUnix);

  int count_ = 0;
  std::int64_t bytesDone_ = 0;
  std::int64_t bytesTotal_ = 0;
  std::string outputPath_; // the current entry's output path

private:
  TUnpackLimits limits_;
  std::uint64_t archiveBytes_ = 0;
  std::uint64_t unpacked_ = 0;
  std::size_t entriesStarted_ = 0;
};

// Unix file types that must never be created from an archive entry
// (symbolic links, devices, pipes, sockets).
bool IsSpecialUnixEntry(std::uint32_t externalAttr, bool hostUnix);
