#pragma once
// The listing of a ZIP archive: through its central directory, or, when there
// is none, by walking its local headers.
#include "archive/ReadFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mv::zip {
// Entry names longer than this are cut.
constexpr std::size_t kMaxNameBytes = 255;

struct ZipEntry {
  std::string rawName;          // as stored (at most kMaxNameBytes)
  std::int64_t localOffset = 0; // with the offset correction applied
  std::uint16_t versionMadeBy = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t dosDateTime = 0; // date in the high half
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  std::uint32_t externalAttr = 0;
  bool strongEncryption = false;

  bool HostUnix() const { return (versionMadeBy >> 8) == 3; }
  bool Utf8Name() const { return (flags & 0x0800) != 0; }
  bool Encrypted() const { return (flags & 0x0001) != 0; }
};

// How the listing asks about entries: select decides whether an entry is
// wanted, badOffset is told of an entry whose local header is not where the
// directory says.
struct ListingHooks {
  std::function<bool(const ZipEntry &entry)> select;
  std::function<void(const ZipEntry &entry)> badOffset;
};

// Lists the selected entries through the central directory. False when the
// archive has no usable end record or central directory.
bool ListCentralDirectory(const ReadFile &file, const ListingHooks &hooks, std::vector<ZipEntry> &entries);

// Lists the selected entries by walking the local headers from the first one
// found in the head of the file.
void ListLocalHeaders(const ReadFile &file, const ListingHooks &hooks, std::vector<ZipEntry> &entries);

// Applies a ZIP64 extra field (id 0x0001) to the sizes and offset that hold
// 0xFFFFFFFF, and notes strong encryption (0x0017).
void ApplyExtraField(const unsigned char *extra, std::size_t length, ZipEntry &entry, bool central);
} // namespace mv::zip
