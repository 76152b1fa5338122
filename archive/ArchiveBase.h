#pragma once
// The root of the archive components: the archive file and its detected type.
#include <cstdint>
#include <string>

enum TArcType {
  atNA,
  atZip,
  atZipExe, // self-extracting: a program stub in front of the ZIP data
  atJar,
  atJarExe,
  atZipDS, // spanned set (starts with the spanning marker)
  atZipMV, // multi-volume set (the end record names another disk)
  atRar,   // RAR 1.5 to 4.x block format
  atRarExe,
  atRar5, // RAR 5 block format
  atRar5Exe,
};

bool IsZipFamily(TArcType type);
bool IsRarFamily(TArcType type);

class TArchiveBase {
public:
  virtual ~TArchiveBase() = default;

  // Setting the archive detects its type at once. A missing file leaves the
  // name empty and the type atNA. Backslashes become '/'.
  void SetArchiveFile(const std::string &path);
  const std::string &ArchiveFile() const { return archiveFile_; }
  TArcType ArcType() const { return arcType_; }
  // Where the archive's own data begins in the file (after a program stub or
  // junk in front): the first local header of a ZIP, the marker block of a RAR.
  std::int64_t ArcStart() const { return arcStart_; }

protected:
  // Called after detection, so a component can prepare for its type.
  virtual void ArchiveFileChanged() {}

private:
  void DetectType();

  std::string archiveFile_;
  TArcType arcType_ = atNA;
  std::int64_t arcStart_ = 0;
};
