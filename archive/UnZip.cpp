#include "archive/UnZip.h"

#include "archive/DosTime.h"
#include "archive/EntryWriter.h"
#include "archive/Inflate.h"
#include "archive/ReadFile.h"
#include "archive/Utf8.h"
#include "archive/ZipDecoders.h"
#include "archive/ZipFormat.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace {
using mv::zip::ZipEntry;

constexpr std::size_t kBlock = 32768; // data moves in blocks of this size
constexpr std::uint32_t kDirectoryAttr = 0x10;

enum Method : std::uint16_t {
  kStored = 0,
  kShrunk = 1,
  kReduced1 = 2,
  kReduced4 = 5,
  kImploded = 6,
  kTokenized = 7, // reserved by the format, never built by any packer we know
  kDeflated = 8,
  kDeflate64 = 9,
};

bool IsDecodable(std::uint16_t method) {
  return method <= kDeflate64 && method != kTokenized;
}

// The compressed bytes of one entry, read from the archive in blocks.
class EntrySource : public mv::zip::ByteSource {
public:
  EntrySource(const mv::ReadFile &file, std::int64_t start, std::uint64_t length)
      : file_(file), pos_(start), left_(length) {}
  std::size_t Read(unsigned char *buffer, std::size_t size) override {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, left_));
    const std::size_t got = file_.ReadAt(pos_, buffer, want);
    pos_ += static_cast<std::int64_t>(got);
    left_ -= got;
    if (got < want)
      left_ = 0; // the archive ends early
    return got;
  }

private:
  const mv::ReadFile &file_;
  std::int64_t pos_;
  std::uint64_t left_;
};

constexpr std::uint16_t kFlagUtf8 = 0x0800;

bool IsDirectoryEntry(const ZipEntry &e) {
  return (e.externalAttr & kDirectoryAttr) != 0 || (e.HostUnix() && S_ISDIR(e.externalAttr >> 16));
}

void CopyStored(mv::zip::ByteSource &in, mv::zip::ByteSink &out) {
  std::vector<unsigned char> buf(kBlock);
  while (const std::size_t got = in.Read(buf.data(), buf.size()))
    out.Write(buf.data(), got);
}
} // namespace

std::string TUnZip::EntryName(const std::string &raw, std::uint16_t flags,
                              std::uint16_t versionMadeBy) const {
  const bool hostUnix = (versionMadeBy >> 8) == 3;
  if ((flags & kFlagUtf8) == 0 && !(hostUnix && mv::IsNonAsciiUtf8(raw)))
    return ConvertName(raw);
  std::string name = mv::Utf8ToWin1251Name(raw.substr(0, raw.find('\0')));
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

TUnZip::TUnZip() = default;
TUnZip::~TUnZip() = default;

void TUnZip::DoExtract() {
  inflater_.reset();
  mv::ReadFile file;
  if (!file.Open(mv::ToDiskPath(ArchiveFile()))) {
    Report(aeOpenFile, ArchiveFile());
    return;
  }
  if (!IsZipFamily(ArcType())) {
    notAnArchive_ = true;
    return;
  }
  mv::zip::ListingHooks hooks;
  hooks.select = [this](const ZipEntry &e) {
    return IsSelected(EntryName(e.rawName, e.flags, e.versionMadeBy));
  };
  hooks.badOffset = [this](const ZipEntry &e) {
    Report(aeBadLocalOffset, EntryName(e.rawName, e.flags, e.versionMadeBy));
  };
  std::vector<ZipEntry> entries;
  if (!mv::zip::ListCentralDirectory(file, hooks, entries))
    mv::zip::ListLocalHeaders(file, hooks, entries);

  std::int64_t newest = 0;
  for (const ZipEntry &e : entries) {
    bytesTotal_ += static_cast<std::int64_t>(std::min<std::uint64_t>(e.size, INT64_MAX / 4));
    newest = std::max(newest, mv::UnixFromDosTime(e.dosDateTime));
  }
  for (const ZipEntry &e : entries) {
    if (canceled_)
      Raise(aeUserCanceled, ArchiveFile());
    ExtractEntry(file, e, newest);
  }
}

// The local header gives the output name and the time stamp; the directory
// record gives everything else.
bool TUnZip::ReadLocalHeader(const mv::ReadFile &file, const ZipEntry &entry, LocalHeader &local) {
  unsigned char h[mv::zip::kLocalSize];
  if (!file.ReadExact(entry.localOffset, h, sizeof h) || mv::Le32(h) != mv::zip::kLocalSig) {
    Report(aeBadLocalOffset, EntryName(entry.rawName, entry.flags, entry.versionMadeBy));
    return false;
  }
  const std::size_t nameLen = mv::Le16(h + 26), extraLen = mv::Le16(h + 28);
  std::string rawName(std::min(nameLen, mv::zip::kMaxNameBytes), '\0');
  if (!file.ReadExact(entry.localOffset + static_cast<std::int64_t>(mv::zip::kLocalSize), rawName.data(),
                      rawName.size())) {
    Report(aeReadFile, EntryName(entry.rawName, entry.flags, entry.versionMadeBy));
    return false;
  }
  local.name = EntryName(rawName, entry.flags | mv::Le16(h + 6), entry.versionMadeBy);
  local.dosDateTime = mv::Le32(h + 10);
  local.dataStart = entry.localOffset + static_cast<std::int64_t>(mv::zip::kLocalSize + nameLen + extraLen);
  local.nameDiffers = rawName != entry.rawName;
  return true;
}

void TUnZip::ExtractEntry(const mv::ReadFile &file, const ZipEntry &entry, std::int64_t newestTime) {
  LocalHeader local;
  if (!ReadLocalHeader(file, entry, local))
    return;
  if (local.nameDiffers) {
    // The local header names another file than the directory does: a
    // damaged or doctored archive. The name of the local header is used.
    bool extract = true;
    if (OnCorruptZipHeader)
      OnCorruptZipHeader(local.name, extract);
    if (!extract)
      return;
  }
  std::string storedName = local.name;
  if (OnRenameFile)
    OnRenameFile(storedName);
  const std::string outputPath = BuildOutputPath(storedName);
  outputPath_ = outputPath;
  if (!ShouldWrite(entry, local.name, outputPath))
    return;

  mv::ForceDirectories(outputPath.substr(0, outputPath.find_last_of('/') + 1));
  mv::zip::EntryWriter writer(entry.size, [this, &local] {
    bytesDone_ += static_cast<std::int64_t>(kBlock);
    if (OnProgress)
      OnProgress(std::min(bytesDone_, bytesTotal_), bytesTotal_);
    PumpBetweenBlocks(local.name);
  });
  writer.SetBudget(UnpackBudgetLeft());
  if (!writer.Create(outputPath)) {
    Report(aeOpenFile, outputPath);
    Uncount();
    return;
  }
  const bool written = WriteData(file, entry, local, writer, outputPath);
  CountUnpacked(writer.Written());
  if (written)
    FinishEntry(entry, local, writer, outputPath, newestTime);
}

// Directories, links and encrypted entries are never written as files; the
// hooks, the unpack limits, the free space and the overwrite rule may veto
// the rest. True when the entry's data is to be written (and it is counted).
bool TUnZip::ShouldWrite(const ZipEntry &entry, const std::string &name, const std::string &outputPath) {
  if (IsDirectoryEntry(entry)) {
    if (CreateStoredDirs)
      mv::ForceDirectories(outputPath.substr(0, outputPath.find_last_of('/') + 1));
    return false;
  }
  // A symbolic link is never created, and its data (the link's target) is no
  // document. Other special modes are never created either: their data (a
  // pipe's, as when a packer read stdin) is written as a regular file.
  if (entry.HostUnix() && S_ISLNK(entry.externalAttr >> 16))
    return false;
  if (entry.Encrypted()) {
    // No decryption is built: this system supplies no passwords, so no
    // password could verify and the entry is skipped.
    NoteFailure(TEntryFailure::Encrypted, name);
    if (!OnGetPassword)
      Report(aeEventNotAssigned, name);
    return false;
  }
  bool wanted = true;
  if (OnBegin)
    OnBegin(name, wanted);
  return wanted && FitsOnDisk(outputPath, entry.size) && WithinUnpackLimits(name, entry.size) &&
         OverwriteDecision(outputPath);
}

// Decodes into the writer. False when the entry ended early: the partial
// file is removed (or, for corrupt shrunk data, left without time stamp and
// CRC check) and the failure graded.
bool TUnZip::WriteData(const mv::ReadFile &file, const ZipEntry &entry, const LocalHeader &local,
                       mv::zip::EntryWriter &writer, const std::string &outputPath) {
  try {
    return Decompress(file, entry, local.dataStart, writer, local.name);
  } catch (const mv::zip::WriteStopped &) {
    writer.Discard(); // an incomplete file must not pass for the entry
    GradeWriteFailure(entry, writer.Failure(), outputPath);
    return false;
  } catch (const E_RAISE &) {
    writer.Discard(); // canceled: the run ends here
    Uncount();
    throw;
  }
}

void TUnZip::GradeWriteFailure(const ZipEntry &entry, mv::zip::WriteFailure failure,
                               const std::string &outputPath) {
  switch (failure) {
  case mv::zip::WriteFailure::DiskFull:
    Report(aeDiskFull, outputPath);
    ResetCount();
    ShowError(ArchiveErrorText(aeDiskFull));
    break;
  case mv::zip::WriteFailure::OverLimit:
    Report(aeUnpackLimit, outputPath);
    Uncount();
    break;
  case mv::zip::WriteFailure::Nothing:
    Report(aeWriteFile, outputPath);
    Uncount();
    if (entry.method == kDeflated || entry.method == kShrunk ||
        (entry.method >= kReduced1 && entry.method <= kReduced4))
      ShowError(ArchiveErrorText(aeWriteFile));
    break;
  default: // cut at the declared size, or a short write
    Report(aeWriteFile, outputPath);
    Uncount();
    break;
  }
}

// The time stamp, the attributes and the CRC verdict of a written entry.
void TUnZip::FinishEntry(const ZipEntry &entry, const LocalHeader &local, mv::zip::EntryWriter &writer,
                         const std::string &outputPath, std::int64_t newestTime) {
  const std::int64_t stamp = DateAttribute == daFileDate      ? mv::UnixFromDosTime(local.dosDateTime)
                             : DateAttribute == daMaxFileDate ? newestTime
                                                              : 0;
  if (!writer.Close(stamp))
    Report(aeCloseFile, outputPath);
  RestoreAttributes(outputPath, entry.externalAttr, entry.HostUnix());
  if (!IsDecodable(entry.method))
    return; // unsupported: the empty file stays, counted
  const bool crcPassed = writer.Crc().Matches(entry.crc);
  if (OnEnd)
    OnEnd(local.name, crcPassed);
  else if (!crcPassed)
    Report(aeCrcFailed, local.name);
}

bool TUnZip::Decompress(const mv::ReadFile &file, const ZipEntry &entry, std::int64_t dataStart,
                        mv::zip::ByteSink &out, const std::string &name) {
  EntrySource in(file, dataStart, entry.compressedSize);
  mv::zip::DecodeOutcome outcome = mv::zip::DecodeOutcome::Done;
  switch (entry.method) {
  case kStored:
    CopyStored(in, out);
    break;
  case kDeflated:
    if (!inflater_)
      inflater_ = std::make_unique<mv::zip::Inflater>();
    inflater_->Inflate(in, out, entry.compressedSize, entry.size);
    break;
  case kDeflate64:
    mv::zip::Inflate64(in, out);
    break;
  case kImploded:
    mv::zip::Explode(in, out, entry.flags, entry.size);
    break;
  case kShrunk:
    outcome = mv::zip::Unshrink(in, out, entry.size);
    break;
  default:
    if (entry.method >= kReduced1 && entry.method <= kReduced4) {
      mv::zip::Unreduce(in, out, entry.method - kReduced1 + 1, entry.size);
    } else {
      Report(aeUnsupportedMethod, name);
    }
    break;
  }
  // Corrupt shrunk data is raised: its message reaches the user, and the
  // entry ends without its time stamp and CRC check.
  if (outcome == mv::zip::DecodeOutcome::BadBlock || outcome == mv::zip::DecodeOutcome::StackOverflow) {
    const int code = outcome == mv::zip::DecodeOutcome::BadBlock ? aeBadBlock : aeStackOverflow;
    Report(code, name);
    ShowError(ArchiveErrorText(code));
    return false;
  }
  return true;
}
