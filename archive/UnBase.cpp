#include "archive/UnBase.h"

#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <chrono>

namespace {
std::string FilePart(const std::string &name) {
  return name.substr(name.find_last_of('/') + 1);
}

std::string DirPart(const std::string &path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool WildMatch(const std::string &text, const std::string &mask) {
  return MatchMask(mv::UpperCase1251(text), mv::UpperCase1251(mask));
}

// One mask against one entry name; see IsSelected.
bool MaskSelects(const std::string &name, const std::string &mask, bool recurseDirs) {
  if (mv::SameText1251(mask, name))
    return true;
  std::string subject = name;
  if (mask.find('/') == std::string::npos) {
    if (recurseDirs)
      subject = FilePart(name);
    else if (name.find('/') != std::string::npos)
      return false;
  }
  if (WildMatch(subject, mask))
    return true;
  // "*.*" must also select names without an extension.
  if (subject.find('.') != std::string::npos)
    return false;
  return WildMatch(subject + ".", mask.find('.') == std::string::npos ? mask + "." : mask);
}

bool IsDriveComponent(const std::string &part) {
  return part.size() == 2 && part[1] == ':' &&
         ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}
} // namespace

void TUnBase::SetExtractDir(const std::string &path) {
  if (path.empty()) {
    extractDir_ = DirPart(ArchiveFile());
    return;
  }
  extractDir_ = path;
  std::replace(extractDir_.begin(), extractDir_.end(), '\\', '/');
  if (extractDir_.back() != '/')
    extractDir_ += '/';
}

std::string TUnBase::TargetDir() const {
  if (!extractDir_.empty())
    return extractDir_;
  const std::string archiveDir = DirPart(ArchiveFile());
  return archiveDir.empty() ? "./" : archiveDir;
}

std::string TUnBase::ConvertName(const std::string &raw) const {
  std::string name = raw.substr(0, raw.find('\0')); // a NUL ends a name on every platform
  if (TranslateOemChar)
    name = *mv::CharsetToWin1251(name, "cp866", '_'); // box-drawing letters have no Windows-1251 form
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

bool TUnBase::IsSelected(const std::string &name) {
  for (const std::string &mask : ExcludeSpec) {
    if (!mask.empty() && MaskSelects(name, mask, RecurseDirs)) {
      if (OnExcludeFile)
        OnExcludeFile(name);
      return false;
    }
  }
  return std::any_of(FileSpec.begin(), FileSpec.end(), [&](const std::string &mask) {
    return !mask.empty() && MaskSelects(name, mask, RecurseDirs);
  });
}

// Stored names may be absolute, carry a drive, or climb with "..": every such
// component is dropped, so the file lands below the target directory whatever
// the archive says.
std::string TUnBase::BuildOutputPath(const std::string &storedName) const {
  std::string name = storedName;
  if (name.size() >= 2 && IsDriveComponent(name.substr(0, 2)))
    name.erase(0, 2);
  std::string path = TargetDir();
  if (UseStoredDirs) {
    const std::string dirs = DirPart(name);
    std::size_t start = 0;
    while (start < dirs.size()) {
      const std::size_t slash = dirs.find('/', start);
      const std::string part = dirs.substr(start, slash - start);
      start = slash + 1;
      if (!part.empty() && part != "." && part != "..")
        path += part + '/';
    }
  }
  const std::string fileName = FilePart(name);
  if (fileName == "." || fileName == "..")
    return path; // no file name of its own: handled like a directory entry
  return path + fileName;
}

int TUnBase::Extract() {
  const auto started = std::chrono::steady_clock::now();
  ResetRun();
  try {
    if (OnActivate)
      OnActivate();
    if (ArchiveFile().empty() || !mv::FileExists(ArchiveFile()))
      Report(aeFileNotFound, ArchiveFile());
    else
      DoExtract();
  } catch (...) {
    // Extract never raises: a raised error has been reported and ends the run.
  }
  try {
    if (OnElapsedTime)
      OnElapsedTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    if (OnDeactivate)
      OnDeactivate();
  } catch (...) {
  }
  return count_;
}
