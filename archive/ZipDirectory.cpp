#include "archive/ZipDirectory.h"

#include "archive/ZipFormat.h"

#include <algorithm>

namespace mv::zip {
namespace {
constexpr std::uint32_t kAll32 = 0xFFFFFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kStrongEncryptionId = 0x0017;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;

bool SigAt(const ReadFile &file, std::int64_t pos, std::uint32_t sig) {
  unsigned char b[4];
  return pos >= 0 && file.ReadExact(pos, b, 4) && Le32(b) == sig;
}

struct DirectoryPlace {
  std::int64_t start = 0;      // where the first central header really is
  std::int64_t correction = 0; // added to every stored local-header offset
  std::uint64_t size = 0;
};

// Steps 1-3 of finding the directory: the end record, the ZIP64 records, and
// the directory at its stored offset or, failing that, right before the end
// records (then the difference corrects every stored offset).
bool LocateDirectory(const ReadFile &file, DirectoryPlace &place) {
  const std::int64_t endPos = FindEndRecord(file);
  if (endPos < 0)
    return false;
  unsigned char end[kEndSize];
  if (!file.ReadExact(endPos, end, sizeof end))
    return false;
  std::uint64_t size = Le32(end + 12);
  std::uint64_t offset = Le32(end + 16);
  std::int64_t recordsStart = endPos; // the first of the end records

  const std::int64_t locatorPos = endPos - static_cast<std::int64_t>(kZip64LocatorSize);
  unsigned char locator[kZip64LocatorSize];
  if (locatorPos >= 0 && file.ReadExact(locatorPos, locator, sizeof locator) &&
      Le32(locator) == kZip64LocatorSig) {
    // The ZIP64 end record right before the locator, or where the locator
    // says (which is off by any bytes in front of the archive).
    std::int64_t recordPos = locatorPos - static_cast<std::int64_t>(kZip64EndSize);
    if (!SigAt(file, recordPos, kZip64EndSig)) {
      const std::uint64_t stated = Le64(locator + 8);
      recordPos = stated < static_cast<std::uint64_t>(file.Size()) ? static_cast<std::int64_t>(stated) : -1;
    }
    unsigned char record[kZip64EndSize];
    if (recordPos >= 0 && file.ReadExact(recordPos, record, sizeof record) && Le32(record) == kZip64EndSig) {
      size = Le64(record + 40);
      offset = Le64(record + 48);
      recordsStart = recordPos;
    }
  }
  if (size > static_cast<std::uint64_t>(recordsStart))
    return false;
  if (offset < static_cast<std::uint64_t>(file.Size()) &&
      SigAt(file, static_cast<std::int64_t>(offset), kCentralSig)) {
    place = {static_cast<std::int64_t>(offset), 0, size};
    return true;
  }
  const std::int64_t actual = recordsStart - static_cast<std::int64_t>(size);
  if (SigAt(file, actual, kCentralSig)) {
    place = {actual, actual - static_cast<std::int64_t>(offset), size};
    return true;
  }
  return false;
}

// The distance from pos to the first local header within the search span
// after it, or -1.
std::int64_t SearchLocalHeader(const ReadFile &file, std::int64_t from, std::int64_t span) {
  std::vector<unsigned char> buf(static_cast<std::size_t>(std::max<std::int64_t>(span, 0)) + 3);
  buf.resize(file.ReadAt(from, buf.data(), buf.size()));
  for (std::size_t i = 0; i + 4 <= buf.size(); ++i) {
    if (Le32(&buf[i]) == kLocalSig)
      return static_cast<std::int64_t>(i);
  }
  return -1;
}
} // namespace

void ApplyExtraField(const unsigned char *extra, std::size_t length, ZipEntry &entry, bool central) {
  std::size_t p = 0;
  while (p + 4 <= length) {
    const std::uint16_t id = Le16(extra + p);
    const std::size_t dataLen = Le16(extra + p + 2);
    const unsigned char *data = extra + p + 4;
    const std::size_t avail = std::min(dataLen, length - p - 4);
    if (id == kZip64ExtraId) {
      // Only the fields whose 32-bit form is full are present, in this order.
      std::size_t q = 0;
      auto next = [&](std::uint64_t &field) {
        if (q + 8 <= avail)
          field = Le64(data + q);
        q += 8;
      };
      if (entry.size == kAll32)
        next(entry.size);
      if (entry.compressedSize == kAll32)
        next(entry.compressedSize);
      if (central && entry.localOffset == kAll32) {
        std::uint64_t offset = 0;
        next(offset);
        entry.localOffset = static_cast<std::int64_t>(std::min<std::uint64_t>(offset, INT64_MAX / 2));
      }
    } else if (id == kStrongEncryptionId) {
      entry.strongEncryption = true;
    }
    p += 4 + dataLen;
  }
}

bool ListCentralDirectory(const ReadFile &file, const ListingHooks &hooks, std::vector<ZipEntry> &entries) {
  DirectoryPlace place;
  if (!LocateDirectory(file, place))
    return false;
  std::vector<unsigned char> dir(static_cast<std::size_t>(place.size));
  if (!file.ReadExact(place.start, dir.data(), dir.size()))
    return false;
  std::int64_t correction = place.correction;
  bool first = true;
  std::size_t p = 0;
  while (p + kCentralSize <= dir.size() && Le32(&dir[p]) == kCentralSig) {
    const unsigned char *h = &dir[p];
    const std::size_t nameLen = Le16(h + 28), extraLen = Le16(h + 30), commentLen = Le16(h + 32);
    const std::size_t recordEnd = p + kCentralSize + nameLen + extraLen + commentLen;
    if (recordEnd > dir.size())
      break;
    ZipEntry e;
    e.versionMadeBy = Le16(h + 4);
    e.flags = Le16(h + 8);
    e.method = Le16(h + 10);
    e.dosDateTime = Le32(h + 12);
    e.crc = Le32(h + 16);
    e.compressedSize = Le32(h + 20);
    e.size = Le32(h + 24);
    e.externalAttr = Le32(h + 38);
    e.localOffset = Le32(h + 42);
    e.rawName.assign(reinterpret_cast<const char *>(h + kCentralSize), std::min(nameLen, kMaxNameBytes));
    ApplyExtraField(h + kCentralSize + nameLen, extraLen, e, true);
    e.strongEncryption = e.strongEncryption || (e.flags & kFlagStrongEncryption) != 0;
    p = recordEnd;
    const bool wasFirst = first;
    first = false;
    if (!hooks.select(e))
      continue;
    e.localOffset += correction;
    if (!SigAt(file, e.localOffset, kLocalSig)) {
      // Bytes in front of the archive that the directory does not account
      // for (a program stub): found from the first record, they move every
      // later entry by the same distance.
      const std::int64_t moved = wasFirst ? SearchLocalHeader(file, e.localOffset + 1, kLocalSearchSpan) : -1;
      if (moved < 0) {
        hooks.badOffset(e);
        continue;
      }
      correction += moved + 1;
      e.localOffset += moved + 1;
    }
    entries.push_back(std::move(e));
  }
  return true;
}

void ListLocalHeaders(const ReadFile &file, const ListingHooks &hooks, std::vector<ZipEntry> &entries) {
  // A leading spanning marker is passed over by the search.
  std::int64_t pos = SearchLocalHeader(file, 0, kHeadSearchSpan);
  if (pos < 0)
    return;
  unsigned char h[kLocalSize];
  while (file.ReadExact(pos, h, sizeof h) && Le32(h) == kLocalSig) {
    const std::size_t nameLen = Le16(h + 26), extraLen = Le16(h + 28);
    std::vector<unsigned char> varPart(nameLen + extraLen);
    if (!file.ReadExact(pos + static_cast<std::int64_t>(kLocalSize), varPart.data(), varPart.size()))
      break;
    ZipEntry e;
    e.flags = Le16(h + 6);
    e.method = Le16(h + 8);
    e.dosDateTime = Le32(h + 10);
    e.crc = Le32(h + 14);
    e.compressedSize = Le32(h + 18);
    e.size = Le32(h + 22);
    e.localOffset = pos;
    e.rawName.assign(reinterpret_cast<const char *>(varPart.data()), std::min(nameLen, kMaxNameBytes));
    ApplyExtraField(varPart.data() + nameLen, extraLen, e, false);
    e.strongEncryption = (e.flags & kFlagStrongEncryption) != 0;
    // Local headers carry no attributes; a name ending in '/' is a directory.
    if (!e.rawName.empty() && (e.rawName.back() == '/' || e.rawName.back() == '\\'))
      e.externalAttr = 0x10;
    const std::int64_t next =
        pos + static_cast<std::int64_t>(kLocalSize + nameLen + extraLen) +
        static_cast<std::int64_t>(std::min<std::uint64_t>(e.compressedSize, INT64_MAX / 4));
    if (hooks.select(e))
      entries.push_back(std::move(e));
    if (next <= pos)
      break;
    pos = next;
  }
}
} // namespace mv::zip
