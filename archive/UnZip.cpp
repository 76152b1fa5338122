#include "archive/UnZip.h"

#include "archive/EntryWriter.h"
#include "archive/ReadFile.h"
#include "archive/ZipDecoders.h"
#include "archive/ZipFormat.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
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
  kDeflated = 8,
  kDeflate64 = 9,
};

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

// MS-DOS date (high half) and time to seconds since the epoch, local time;
// 0 when there is no date.
std::int64_t DosToUnixTime(std::uint32_t dosDateTime) {
  const std::uint32_t date = dosDateTime >> 16, time = dosDateTime & 0xFFFF;
  if (date == 0)
    return 0;
  std::tm tm{};
  tm.tm_year = static_cast<int>((date >> 9) + 80);
  tm.tm_mon = static_cast<int>((date >> 5) & 15) - 1;
  tm.tm_mday = static_cast<int>(date & 31);
  tm.tm_hour = static_cast<int>(time >> 11);
  tm.tm_min = static_cast<int>((time >> 5) & 63);
  tm.tm_sec = static_cast<int>((time & 31) * 2);
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  return t == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(t);
}

constexpr std::uint16_t kFlagUtf8 = 0x0800;

// Valid UTF-8 with at least one multi-byte sequence: what Unix packers store
// for non-ASCII names without setting the UTF-8 flag.
bool IsMultiByteUtf8(const std::string &s) {
  bool multi = false;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size() || (len == 2 && c < 0xC2))
      return false;
    for (std::size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
        return false;
    multi = multi || len > 1;
    i += len;
  }
  return multi;
}

bool IsDirectoryEntry(const ZipEntry &e) {
  return (e.externalAttr & kDirectoryAttr) != 0 || (e.HostUnix() && S_ISDIR(e.externalAttr >> 16));
}

// Raw deflate through zlib; stops where the data breaks.
void InflateStream(mv::zip::ByteSource &in, mv::zip::ByteSink &out) {
  z_stream zs{};
  if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
    return;
  std::vector<unsigned char> inBuf(kBlock), outBuf(kBlock);
  bool inputEnded = false;
  try {
    for (;;) {
      if (zs.avail_in == 0 && !inputEnded) {
        zs.avail_in = static_cast<uInt>(in.Read(inBuf.data(), inBuf.size()));
        zs.next_in = inBuf.data();
        inputEnded = zs.avail_in == 0;
      }
      zs.next_out = outBuf.data();
      zs.avail_out = static_cast<uInt>(outBuf.size());
      const int ret = inflate(&zs, Z_NO_FLUSH);
      const std::size_t produced = outBuf.size() - zs.avail_out;
      if (produced > 0)
        out.Write(outBuf.data(), produced);
      if (ret == Z_STREAM_END || (ret != Z_OK && ret != Z_BUF_ERROR))
        break; // the end, or corrupt data
      if (produced == 0 && inputEnded)
        break; // truncated: nothing more can come out
    }
  } catch (...) {
    inflateEnd(&zs);
    throw;
  }
  inflateEnd(&zs);
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
  if ((flags & kFlagUtf8) == 0 && !(hostUnix && IsMultiByteUtf8(raw)))
    return ConvertName(raw);
  std::string name = mv::Utf8ToWin1251Name(raw.substr(0, raw.find('\0')));
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

void TUnZip::DoExtract() {
  mv::ReadFile file;
  if (!file.Open(ArchiveFile())) {
    Report(aeOpenFile, ArchiveFile());
    return;
  }
  if (!IsZipFamily(ArcType()))
    return;
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
    newest = std::max(newest, DosToUnixTime(e.dosDateTime));
  }
  for (const ZipEntry &e : entries) {
    if (canceled_)
      Raise(aeUserCanceled, ArchiveFile());
    ExtractEntry(file, e, newest);
  }
}

void TUnZip::ExtractEntry(const mv::ReadFile &file, const ZipEntry &entry, std::int64_t newestTime) {
  // The local header gives the output name and the time stamp; the directory
  // record gives everything else.
  unsigned char h[mv::zip::kLocalSize];
  if (!file.ReadExact(entry.localOffset, h, sizeof h) || mv::Le32(h) != mv::zip::kLocalSig) {
    Report(aeBadLocalOffset, EntryName(entry.rawName, entry.flags, entry.versionMadeBy));
    return;
  }
  const std::size_t nameLen = mv::Le16(h + 26), extraLen = mv::Le16(h + 28);
  std::string rawName(std::min(nameLen, mv::zip::kMaxNameBytes), '\0');
  if (!file.ReadExact(entry.localOffset + static_cast<std::int64_t>(mv::zip::kLocalSize), rawName.data(),
                      rawName.size())) {
    Report(aeReadFile, EntryName(entry.rawName, entry.flags, entry.versionMadeBy));
    return;
  }
  const std::uint16_t localFlags = mv::Le16(h + 6);
  const std::string name = EntryName(rawName, entry.flags | localFlags, entry.versionMadeBy);
  const std::uint32_t localTime = mv::Le32(h + 10);
  const std::int64_t dataStart =
      entry.localOffset + static_cast<std::int64_t>(mv::zip::kLocalSize + nameLen + extraLen);
  if (rawName != entry.rawName) {
    // The local header names another file than the directory does: a
    // damaged or doctored archive. The name of the local header is used.
    bool extract = true;
    if (OnCorruptZipHeader)
      OnCorruptZipHeader(name, extract);
    if (!extract)
      return;
  }
  std::string storedName = name;
  if (OnRenameFile)
    OnRenameFile(storedName);
  const std::string outputPath = BuildOutputPath(storedName);
  outputPath_ = outputPath;

  if (IsDirectoryEntry(entry)) {
    if (CreateStoredDirs)
      mv::ForceDirectories(outputPath.substr(0, outputPath.find_last_of('/') + 1));
    return;
  }
  // A symbolic link is never created, and its data (the link's target) is no
  // document. Other special modes are never created either: their data (a
  // pipe's, as when a packer read stdin) is written as a regular file.
  if (entry.HostUnix() && S_ISLNK(entry.externalAttr >> 16))
    return;
  if (entry.Encrypted()) {
    // No decryption is built: this system supplies no passwords, so no
    // password could verify and the entry is skipped.
    if (!OnGetPassword)
      Report(aeEventNotAssigned, name);
    return;
  }
  bool wanted = true;
  if (OnBegin)
    OnBegin(name, wanted);
  if (!wanted || !FitsOnDisk(outputPath, entry.size) || !OverwriteDecision(outputPath))
    return;

  mv::ForceDirectories(outputPath.substr(0, outputPath.find_last_of('/') + 1));
  mv::zip::EntryWriter writer(entry.size, [this, &name] {
    bytesDone_ += static_cast<std::int64_t>(kBlock);
    if (OnProgress)
      OnProgress(std::min(bytesDone_, bytesTotal_), bytesTotal_);
    PumpBetweenBlocks(name);
  });
  if (!writer.Create(outputPath)) {
    Report(aeOpenFile, outputPath);
    Uncount();
    return;
  }
  try {
    if (!Decompress(file, entry, dataStart, writer, name))
      return;
  } catch (const mv::zip::WriteStopped &) {
    writer.Discard(); // an incomplete file must not pass for the entry
    switch (writer.Failure()) {
    case mv::zip::WriteFailure::DiskFull:
      Report(aeDiskFull, outputPath);
      ResetCount();
      ShowError(ArchiveErrorText(aeDiskFull));
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
    return;
  } catch (const E_RAISE &) {
    writer.Discard(); // canceled: the run ends here
    Uncount();
    throw;
  }

  const std::int64_t stamp = DateAttribute == daFileDate      ? DosToUnixTime(localTime)
                             : DateAttribute == daMaxFileDate ? newestTime
                                                              : 0;
  if (!writer.Close(stamp))
    Report(aeCloseFile, outputPath);
  RestoreAttributes(outputPath, entry.externalAttr, entry.HostUnix());
  if (entry.method > kDeflate64 || entry.method == 7)
    return; // unsupported: the empty file stays, counted
  const bool crcPassed = writer.Crc().Matches(entry.crc);
  if (OnEnd)
    OnEnd(name, crcPassed);
  else if (!crcPassed)
    Report(aeCrcFailed, name);
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
    InflateStream(in, out);
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
