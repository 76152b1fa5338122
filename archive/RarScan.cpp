#include "archive/RarScan.h"

#include "archive/Crc32.h"
#include "archive/DosTime.h"
#include "archive/ReadFile.h"
#include "archive/Utf8.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace mv::rar {
namespace {

const std::uint8_t kMarkerPrefix[] = {'R', 'a', 'r', '!', 0x1A, 0x07};
constexpr std::size_t kRar4MarkerSize = 7; // prefix + 0x00
constexpr std::size_t kRar5MarkerSize = 8; // prefix + 0x01 0x00

// A self-extracting stub or other data in front of the marker is at most
// this long.
constexpr std::size_t kSfxSearchLimit = 4 * 1024 * 1024;
// The RAR 5 format caps a block header at 2 MB; a larger size is damage.
constexpr std::uint64_t kRar5MaxHeaderSize = 2 * 1024 * 1024;
// Longest decoded wide name kept (the extraction interface offers 1024
// characters; stored names are limited further by every packer).
constexpr std::size_t kMaxWideNameUnits = 4096;

constexpr std::uint8_t kBlockComment = 0x75;
constexpr std::uint8_t kBlockFile = 0x74;
constexpr std::uint8_t kBlockMain = 0x73;
constexpr std::uint8_t kBlockEnd = 0x7B;
constexpr std::uint16_t kMainVolume = 0x0001;
constexpr std::uint16_t kMainNewNaming = 0x0010;
constexpr std::uint16_t kEndNextVolume = 0x0001;
constexpr std::uint16_t kMainHeadersEncrypted = 0x0080;
// Fixed part of a RAR 1.5 to 4.x file block, and the high size fields after it.
constexpr std::size_t kRar4FileFixed = 32;
constexpr std::size_t kRar4HighSizes = 8;

enum : std::uint64_t { kRar5Main = 1, kRar5File = 2, kRar5Service = 3, kRar5Crypt = 4, kRar5End = 5 };

std::string Utf16ToUtf8(const std::u16string &units) {
  std::string out;
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::uint32_t u = units[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      u = 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u < 0xE000) {
      u = 0xFFFD; // a lone surrogate
    }
    AppendUtf8(out, u);
  }
  return out;
}

// The archive file read at unsigned positions, as the headers count them.
class FileReader {
public:
  explicit FileReader(const std::string &diskPath) { file_.Open(diskPath); }
  bool IsOpen() const { return file_.IsOpen(); }
  std::uint64_t Size() const { return std::uint64_t(file_.Size()); }
  std::size_t ReadAt(std::uint64_t pos, void *buf, std::size_t n) const {
    return pos > std::uint64_t(INT64_MAX) ? 0 : file_.ReadAt(std::int64_t(pos), buf, n);
  }

private:
  mv::ReadFile file_;
};

std::uint32_t HeaderCrc(const std::uint8_t *data, std::size_t size) {
  mv::Crc32 crc;
  crc.Update(data, size);
  return crc.Value();
}

// Bounds-checked cursor over one RAR 5 header.
class Cursor {
public:
  Cursor(const std::uint8_t *p, std::size_t n) : p_(p), end_(p + n) {}
  bool Ok() const { return ok_; }
  std::size_t Left() const { return std::size_t(end_ - p_); }
  const std::uint8_t *Here() const { return p_; }
  std::uint64_t Vint() {
    std::uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (p_ >= end_)
        return Fail();
      std::uint8_t b = *p_++;
      v |= std::uint64_t(b & 0x7F) << shift;
      if (!(b & 0x80))
        return v;
    }
    return Fail();
  }
  std::uint32_t U32() {
    if (Left() < 4)
      return std::uint32_t(Fail());
    std::uint32_t v = Le32(p_);
    p_ += 4;
    return v;
  }
  std::uint64_t U64() {
    if (Left() < 8)
      return Fail();
    std::uint64_t v = Le64(p_);
    p_ += 8;
    return v;
  }
  void Skip(std::uint64_t n) {
    if (n > Left())
      Fail();
    else
      p_ += n;
  }

private:
  std::uint64_t Fail() {
    ok_ = false;
    p_ = end_;
    return 0;
  }
  const std::uint8_t *p_;
  const std::uint8_t *end_;
  bool ok_ = true;
};

bool IsUnixLikeHost(std::uint8_t host) {
  return host == kHostUnix;
}

// Links, devices and pipes stored by Unix packers; reparse points by Windows ones.
bool IsSpecialMode(std::uint8_t host, std::uint32_t attributes) {
  if (IsUnixLikeHost(host)) {
    std::uint32_t type = attributes & 0xF000;
    return type != 0 && type != 0x8000 && type != 0x4000;
  }
  return (attributes & 0x400) != 0;
}

bool IsDirectoryAttr(std::uint8_t host, std::uint32_t attributes) {
  return IsUnixLikeHost(host) ? (attributes & 0xF000) == 0x4000 : (attributes & 0x10) != 0;
}

// The main block after the marker: volume flags, and whether the headers
// are encrypted. Returns the position of the first block after it, or 0
// when the walk cannot go on.
std::uint64_t ReadRar4Main(const FileReader &in, RarListing &out) {
  const std::uint64_t pos = out.markerOffset + kRar4MarkerSize;
  std::uint8_t main[7];
  if (in.ReadAt(pos, main, sizeof main) < sizeof main || main[2] != kBlockMain || Le16(main + 5) < 7) {
    out.damaged = true;
    return 0;
  }
  const std::uint16_t mainFlags = Le16(main + 3);
  out.volume = (mainFlags & kMainVolume) != 0;
  out.newVolumeNaming = (mainFlags & kMainNewNaming) != 0;
  if (mainFlags & kMainHeadersEncrypted) {
    out.headersEncrypted = true;
    return 0;
  }
  return pos + Le16(main + 5);
}

// A file block whose fixed part is in head (got bytes of it read); the name
// field is read from the file. False when the block is cut or inconsistent.
bool ReadRar4File(const FileReader &in, std::uint64_t pos, const std::uint8_t *head, std::size_t got,
                  RarEntry &e) {
  const std::uint16_t flags = Le16(head + 3);
  const std::uint16_t headSize = Le16(head + 5);
  const std::size_t fixed = kRar4FileFixed + ((flags & kFileLargeSizes) ? kRar4HighSizes : 0);
  const std::uint16_t nameSize = headSize >= kRar4FileFixed ? Le16(head + 26) : 0;
  if (got < fixed || headSize < fixed + nameSize)
    return false;
  e.flags = flags;
  e.packSize = Le32(head + 7);
  e.unpSize = Le32(head + 11);
  if (flags & kFileLargeSizes) {
    e.packSize |= std::uint64_t(Le32(head + 32)) << 32;
    e.unpSize |= std::uint64_t(Le32(head + 36)) << 32;
  }
  e.hostOS = head[15];
  e.crc = Le32(head + 16);
  e.hasCrc = (flags & kFileSplitAfter) == 0; // a part's header holds the CRC of the part only
  e.dosTime = Le32(head + 20);
  e.unpVer = head[24];
  e.method = head[25];
  e.attributes = Le32(head + 28);
  std::string field(nameSize, '\0');
  if (in.ReadAt(pos + fixed, field.data(), nameSize) < nameSize)
    return false;
  e.name = field.substr(0, field.find('\0'));
  if (flags & kFileUnicodeName)
    e.unicodeName = DecodeRarUnicodeName(reinterpret_cast<const std::uint8_t *>(field.data()), field.size());
  e.directory =
      (flags & kFileDirectoryWindow) == kFileDirectoryWindow || IsDirectoryAttr(e.hostOS, e.attributes);
  e.encrypted = (flags & kFileEncrypted) != 0;
  e.special = !e.directory && IsSpecialMode(e.hostOS, e.attributes);
  return true;
}

// A file block's entry goes to the listing, to the continuation parts, or
// nowhere (a block the packer marked as skippable).
void AddRar4Entry(RarListing &out, RarEntry &&e) {
  // Old volumes have no end block: an entry cut at the end says more follows.
  out.moreVolumes = out.volume && (e.flags & kFileSplitAfter) != 0;
  if (e.flags & kFileSplitBefore)
    out.continued.push_back(std::move(e));
  else if (!(e.flags & kBlockSkipIfUnknown))
    out.entries.push_back(std::move(e));
}

void ScanRar4(const FileReader &in, RarListing &out, const std::function<bool()> &cancelled) {
  std::uint64_t pos = ReadRar4Main(in, out);
  if (pos == 0)
    return;
  std::uint8_t head[kRar4FileFixed + kRar4HighSizes];
  while (!(cancelled && cancelled())) {
    const std::size_t got = in.ReadAt(pos, head, sizeof head);
    if (got < 7)
      break; // the end of the file, with or without an end block
    const std::uint8_t type = head[2];
    const std::uint16_t flags = Le16(head + 3);
    const std::uint16_t headSize = Le16(head + 5);
    if (headSize < 7) {
      out.damaged = headSize != 0;
      break;
    }
    if (type == kBlockComment) {
      pos += headSize;
      continue;
    }
    if (type == kBlockEnd && (flags & kEndNextVolume))
      out.moreVolumes = true;
    if (!(flags & kBlockHasDataSize))
      break; // the end-of-archive block, or a block the walk cannot step over
    if (got < 11 || headSize < 11) {
      out.damaged = true;
      break;
    }
    std::uint64_t dataSize = Le32(head + 7);
    if (type == kBlockFile) {
      RarEntry e;
      if (!ReadRar4File(in, pos, head, got, e)) {
        out.damaged = true;
        break;
      }
      dataSize = e.packSize;
      AddRar4Entry(out, std::move(e));
    }
    const std::uint64_t next = pos + headSize + dataSize;
    if (next <= pos || next > in.Size())
      break; // data runs past the end: a cut archive or the first of several volumes
    pos = next;
  }
}

std::uint32_t DosTimeFromFileTime(std::uint64_t fileTime) {
  // 100-ns ticks since 1601-01-01 UTC
  constexpr std::uint64_t kEpochDelta = 11644473600ULL;
  std::uint64_t seconds = fileTime / 10000000ULL;
  return seconds < kEpochDelta ? DosTimeFromUnix(0) : DosTimeFromUnix(std::int64_t(seconds - kEpochDelta));
}

void ReadRar5FileExtra(Cursor extra, RarEntry &e) {
  while (extra.Ok() && extra.Left() > 0) {
    std::uint64_t size = extra.Vint();
    if (!extra.Ok() || size == 0 || size > extra.Left())
      return;
    Cursor record(extra.Here(), std::size_t(size));
    extra.Skip(size);
    std::uint64_t type = record.Vint();
    if (type == 1) { // encryption
      e.encrypted = true;
    } else if (type == 3) { // high-precision times
      std::uint64_t timeFlags = record.Vint();
      if (timeFlags & 0x0002) { // modification time present
        std::uint64_t mtime = (timeFlags & 0x0001) ? record.U32() : record.U64();
        if (record.Ok())
          e.dosTime =
              (timeFlags & 0x0001) ? DosTimeFromUnix(std::int64_t(mtime)) : DosTimeFromFileTime(mtime);
      }
    } else if (type == 4) { // file version: extracted beside the current one as "name;N"
      record.Vint();
      const std::uint64_t version = record.Vint();
      if (record.Ok()) {
        e.name += ";" + std::to_string(version);
        e.unicodeName = e.name;
      }
    } else if (type == 5) { // redirection: symbolic link, junction, hard link or file copy
      e.special = true;
    }
  }
}

bool ReadRar5File(Cursor c, std::uint64_t headerFlags, std::uint64_t extraSize, std::uint64_t dataSize,
                  RarEntry &e) {
  std::uint64_t fileFlags = c.Vint();
  e.unpSize = c.Vint();
  e.attributes = std::uint32_t(c.Vint());
  if (fileFlags & 0x0002)
    e.dosTime = DosTimeFromUnix(c.U32());
  if (fileFlags & 0x0004) {
    e.crc = c.U32();
    e.hasCrc = true;
  }
  std::uint64_t compression = c.Vint();
  std::uint64_t host = c.Vint();
  std::uint64_t nameSize = c.Vint();
  if (!c.Ok() || nameSize > c.Left() || extraSize > c.Left() - nameSize)
    return false;
  e.name.assign(reinterpret_cast<const char *>(c.Here()), std::size_t(nameSize));
  c.Skip(nameSize);
  e.unicodeName = e.name;
  e.packSize = dataSize;
  e.unpSizeKnown = !(fileFlags & 0x0008);
  e.hostOS = host == 1 ? kHostUnix : kHostWindows;
  e.unpVer = std::uint8_t(compression & 0x3F);
  e.method = std::uint8_t(0x30 + ((compression >> 7) & 7));
  e.directory = (fileFlags & 0x0001) != 0;
  e.flags = kFileUnicodeName | kBlockHasDataSize;
  if (compression & 0x40)
    e.flags |= kFileSolid;
  if (headerFlags & 0x0008)
    e.flags |= kFileSplitBefore;
  if (headerFlags & 0x0010)
    e.flags |= kFileSplitAfter;
  if (e.directory)
    e.flags |= kFileDirectoryWindow;
  if (extraSize)
    ReadRar5FileExtra(Cursor(c.Here() + (c.Left() - extraSize), std::size_t(extraSize)), e);
  if (e.encrypted)
    e.flags |= kFileEncrypted;
  e.special = e.special || (!e.directory && IsSpecialMode(e.hostOS, e.attributes));
  return true;
}

void ScanRar5(const FileReader &in, RarListing &out, const std::function<bool()> &cancelled) {
  std::uint64_t pos = out.markerOffset + kRar5MarkerSize;
  out.newVolumeNaming = true;
  std::vector<std::uint8_t> header;
  while (!(cancelled && cancelled())) {
    std::uint8_t start[4 + 10];
    std::size_t got = in.ReadAt(pos, start, sizeof start);
    if (got == 0)
      break;
    Cursor sizeField(start + 4, got >= 4 ? got - 4 : 0);
    std::uint64_t headerSize = sizeField.Vint();
    std::size_t sizeLength = std::size_t(sizeField.Here() - (start + 4));
    std::uint64_t total = 4 + sizeLength + headerSize;
    if (!sizeField.Ok() || headerSize == 0 || headerSize > kRar5MaxHeaderSize || pos + total > in.Size()) {
      out.damaged = true;
      break;
    }
    header.resize(std::size_t(total));
    if (in.ReadAt(pos, header.data(), header.size()) < header.size() ||
        HeaderCrc(header.data() + 4, header.size() - 4) != Le32(header.data())) {
      out.damaged = true;
      break;
    }
    Cursor c(header.data() + 4 + sizeLength, std::size_t(headerSize));
    std::uint64_t type = c.Vint();
    std::uint64_t flags = c.Vint();
    std::uint64_t extraSize = (flags & 0x0001) ? c.Vint() : 0;
    std::uint64_t dataSize = (flags & 0x0002) ? c.Vint() : 0;
    if (!c.Ok()) {
      out.damaged = true;
      break;
    }
    if (type == kRar5Crypt) {
      out.headersEncrypted = true;
      out.entries.clear();
      break;
    }
    if (type == kRar5End) {
      out.moreVolumes = (c.Vint() & 0x0001) != 0;
      break;
    }
    if (type == kRar5Main) {
      out.volume = (c.Vint() & 0x0001) != 0;
    } else if (type == kRar5File) {
      RarEntry e;
      if (!ReadRar5File(c, flags, extraSize, dataSize, e)) {
        out.damaged = true;
        break;
      }
      if (flags & 0x0010)
        e.hasCrc = false; // the CRC of the whole file is in its last part
      if (flags & 0x0008) // the continuation of an entry from the previous volume
        out.continued.push_back(std::move(e));
      else
        out.entries.push_back(std::move(e));
    }
    // Service headers (comments, recovery records, access lists) are stepped over.
    std::uint64_t next = pos + total + dataSize;
    if (next < pos + total || next > in.Size())
      break;
    pos = next;
  }
}

} // namespace

std::int64_t FindRarMarker(const std::string &diskPath, RarFormat &format) {
  format = RarFormat::None;
  FileReader in(diskPath);
  if (!in.IsOpen())
    return -1;
  std::vector<std::uint8_t> buf(std::size_t(std::min<std::uint64_t>(in.Size(), kSfxSearchLimit)));
  buf.resize(in.ReadAt(0, buf.data(), buf.size()));
  auto markerAt = [&](std::size_t at) {
    if (at + kRar5MarkerSize <= buf.size() && std::memcmp(&buf[at], kMarkerPrefix, 6) == 0 &&
        buf[at + 6] == 0x01 && buf[at + 7] == 0x00)
      return RarFormat::Rar5;
    if (at + kRar4MarkerSize <= buf.size() && std::memcmp(&buf[at], kMarkerPrefix, 6) == 0 &&
        buf[at + 6] == 0)
      return RarFormat::Rar4;
    return RarFormat::None;
  };
  // A marker further in: behind the stub of a self-extracting archive, or
  // behind other data (a picture with an archive appended).
  for (std::size_t at = 0; at < buf.size(); ++at) {
    if (buf[at] != 'R')
      continue;
    if ((format = markerAt(at)) != RarFormat::None)
      return std::int64_t(at);
  }
  return -1;
}

RarListing ScanRarFile(const std::string &diskPath, const std::function<bool()> &cancelled) {
  RarListing out;
  std::int64_t marker = FindRarMarker(diskPath, out.format);
  if (marker < 0)
    return out;
  out.markerOffset = std::uint64_t(marker);
  FileReader in(diskPath);
  if (!in.IsOpen()) {
    out.format = RarFormat::None;
    return out;
  }
  if (out.format == RarFormat::Rar5)
    ScanRar5(in, out, cancelled);
  else
    ScanRar4(in, out, cancelled);
  return out;
}

void AppendVolume(std::vector<RarEntry> &entries, const RarListing &volume) {
  for (const RarEntry &part : volume.continued) {
    auto begun = std::find_if(entries.rbegin(), entries.rend(), [&](const RarEntry &e) {
      return e.name == part.name && e.unicodeName == part.unicodeName;
    });
    if (begun == entries.rend() || !(begun->flags & kFileSplitAfter))
      continue;
    if (!(part.flags & kFileSplitAfter)) { // the last part
      begun->flags = std::uint16_t(begun->flags & ~kFileSplitAfter);
      begun->crc = part.crc;
      begun->hasCrc = part.hasCrc;
    }
  }
  entries.insert(entries.end(), volume.entries.begin(), volume.entries.end());
}

std::string NextVolumeName(const std::string &path, bool newNaming) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < nameStart)
    dot = path.size();
  std::string next = path;
  if (newNaming) {
    // "name.part07.rar" -> "name.part08.rar": the last run of digits before
    // the extension counts up, keeping its width while it can.
    std::size_t end = dot;
    while (end > nameStart && !std::isdigit(static_cast<unsigned char>(next[end - 1])))
      --end;
    std::size_t begin = end;
    while (begin > nameStart && std::isdigit(static_cast<unsigned char>(next[begin - 1])))
      --begin;
    if (begin < end) {
      std::size_t i = end;
      while (i > begin && next[i - 1] == '9')
        next[--i] = '0';
      if (i > begin)
        ++next[i - 1];
      else
        next.insert(begin, 1, '1');
      return next;
    }
  }
  // "name.rar" -> "name.r00" -> "name.r01" ... "name.r99" -> "name.s00"
  std::string ext = path.substr(dot);
  if (ext.size() == 4 && std::isdigit(static_cast<unsigned char>(ext[2])) &&
      std::isdigit(static_cast<unsigned char>(ext[3]))) {
    int n = (ext[2] - '0') * 10 + (ext[3] - '0') + 1;
    if (n == 100) {
      n = 0;
      ++ext[1];
    }
    ext[2] = char('0' + n / 10);
    ext[3] = char('0' + n % 10);
  } else {
    ext = (ext.size() > 1 && std::isupper(static_cast<unsigned char>(ext[1]))) ? ".R00" : ".r00";
  }
  return path.substr(0, dot) + ext;
}

std::string DecodeRarUnicodeName(const std::uint8_t *field, std::size_t size) {
  const std::uint8_t *zero = static_cast<const std::uint8_t *>(std::memchr(field, 0, size));
  if (!zero) // newer packers store the name as UTF-8 without the compact part
    return std::string(reinterpret_cast<const char *>(field), size);
  const std::size_t nameLen = std::size_t(zero - field);
  const std::uint8_t *enc = zero + 1;
  const std::uint8_t *end = field + size;
  std::u16string out;
  if (enc >= end) {
    for (std::size_t i = 0; i < nameLen; ++i)
      out += char16_t(field[i]);
    return Utf16ToUtf8(out);
  }
  // The first byte is the high byte shared by the characters of mode 1 and 3;
  // then every flag byte gives four 2-bit modes, each consuming its own data:
  // 0 one low byte, 1 a low byte with the shared high byte, 2 a full 16-bit
  // character, 3 a run copied from the single-byte name (with a correction
  // added to its bytes when the run length has its top bit set).
  const std::uint16_t high = std::uint16_t(*enc++) << 8;
  std::uint8_t modes = 0;
  int modesLeft = 0;
  while (enc < end && out.size() < kMaxWideNameUnits) {
    if (modesLeft == 0) {
      modes = *enc++;
      modesLeft = 4;
      if (enc >= end)
        break;
    }
    switch (modes >> 6) {
    case 0:
      out += char16_t(*enc++);
      break;
    case 1:
      out += char16_t(high | *enc++);
      break;
    case 2:
      if (end - enc < 2) {
        enc = end;
        break;
      }
      out += char16_t(enc[0] | enc[1] << 8);
      enc += 2;
      break;
    default: {
      std::uint8_t length = *enc++;
      bool corrected = (length & 0x80) != 0;
      std::uint8_t correction = 0;
      if (corrected) {
        if (enc >= end)
          break;
        correction = *enc++;
      }
      for (int n = (length & 0x7F) + 2; n > 0 && out.size() < nameLen; --n) {
        std::uint8_t b = field[out.size()];
        out += corrected ? char16_t(high | std::uint8_t(b + correction)) : char16_t(b);
      }
      break;
    }
    }
    modes = std::uint8_t(modes << 2);
    --modesLeft;
  }
  std::size_t stop = out.find(char16_t(0));
  if (stop != std::u16string::npos)
    out.resize(stop);
  return Utf16ToUtf8(out);
}

} // namespace mv::rar
