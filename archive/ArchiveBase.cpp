#include "archive/ArchiveBase.h"

#include "archive/ReadFile.h"
#include "archive/ZipFormat.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
// Type detection reads at most this much of the head of the file.
constexpr std::size_t kDetectSpan = 32767;
// Files this small hold no archive of any kind.
constexpr std::int64_t kMinArchiveSize = 20;

const unsigned char kRar4Marker[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
const unsigned char kRar5Marker[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
constexpr std::uint16_t kJarExtraId = 0xCAFE;

bool At(const std::vector<unsigned char> &buf, std::size_t pos, const unsigned char *sig, std::size_t len) {
  return pos + len <= buf.size() && std::memcmp(&buf[pos], sig, len) == 0;
}

bool Sig32At(const std::vector<unsigned char> &buf, std::size_t pos, std::uint32_t sig) {
  return pos + 4 <= buf.size() && mv::Le32(&buf[pos]) == sig;
}

// A local header whose extra field carries the JAR marker.
bool IsJarHeader(const std::vector<unsigned char> &buf, std::size_t pos) {
  if (pos + mv::zip::kLocalSize > buf.size())
    return false;
  const std::size_t nameLen = mv::Le16(&buf[pos + 26]);
  const std::size_t extraLen = mv::Le16(&buf[pos + 28]);
  std::size_t p = pos + mv::zip::kLocalSize + nameLen;
  const std::size_t end = std::min(buf.size(), p + extraLen);
  while (p + 4 <= end) {
    if (mv::Le16(&buf[p]) == kJarExtraId)
      return true;
    p += 4 + mv::Le16(&buf[p + 2]);
  }
  return false;
}
} // namespace

bool IsZipFamily(TArcType type) {
  return type == atZip || type == atZipExe || type == atJar || type == atJarExe || type == atZipDS ||
         type == atZipMV;
}

bool IsRarFamily(TArcType type) {
  return type == atRar || type == atRarExe || type == atRar5 || type == atRar5Exe;
}

void TArchiveBase::SetArchiveFile(const std::string &path) {
  std::string name = path;
  std::replace(name.begin(), name.end(), '\\', '/');
  arcType_ = atNA;
  arcStart_ = 0;
  if (name.empty() || !mv::FileExists(name)) {
    archiveFile_.clear();
  } else {
    archiveFile_ = name;
    DetectType();
  }
  ArchiveFileChanged();
}

// The first signature in the head of the file decides the type; a program
// stub ("MZ") or other junk may stand in front of it. A ZIP whose head holds
// no signature (junk longer than the detection span) is still recognised by
// its end record.
void TArchiveBase::DetectType() {
  mv::ReadFile file;
  if (!file.Open(mv::ToDiskPath(archiveFile_)) || file.Size() < kMinArchiveSize)
    return;
  std::vector<unsigned char> head(static_cast<std::size_t>(std::min<std::int64_t>(file.Size(), kDetectSpan)));
  head.resize(file.ReadAt(0, head.data(), head.size()));
  const bool exe = head.size() >= 2 && head[0] == 'M' && head[1] == 'Z';

  for (std::size_t pos = 0; pos + 4 <= head.size(); ++pos) {
    if (head[pos] == 'P' && head[pos + 1] == 'K') {
      if (Sig32At(head, pos, mv::zip::kLocalSig)) {
        arcStart_ = static_cast<std::int64_t>(pos);
        if (IsJarHeader(head, pos))
          arcType_ = exe ? atJarExe : atJar;
        else
          arcType_ = exe ? atZipExe : atZip;
        return;
      }
      if (pos == 0 && Sig32At(head, pos, mv::zip::kSpanningSig)) {
        arcType_ = atZipDS;
        return;
      }
      if (Sig32At(head, pos, mv::zip::kEndSig)) { // an archive with no entries
        arcStart_ = static_cast<std::int64_t>(pos);
        arcType_ = exe ? atZipExe : atZip;
        return;
      }
    } else if (head[pos] == 'R') {
      if (At(head, pos, kRar5Marker, sizeof kRar5Marker)) {
        arcStart_ = static_cast<std::int64_t>(pos);
        arcType_ = exe || pos > 0 ? atRar5Exe : atRar5;
        return;
      }
      if (At(head, pos, kRar4Marker, sizeof kRar4Marker)) {
        arcStart_ = static_cast<std::int64_t>(pos);
        arcType_ = exe || pos > 0 ? atRarExe : atRar;
        return;
      }
    }
  }
  if (mv::zip::FindEndRecord(file) >= 0)
    arcType_ = exe ? atZipExe : atZip;
}
