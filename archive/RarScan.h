#pragma once
// Preliminary listing of a RAR archive, read straight from its block headers
// (the RAR 1.5 to 4.x block format and the RAR 5 format). The RAR component
// uses it for the names, sizes and flags of the entries; our extraction
// library compiles it too, for the header fields libarchive does not expose
// (stored CRC, host system, raw attributes). So it, and the archive helpers
// it uses, are plain standard C++ with no dependency on the rest of the
// program.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mv::rar {

enum class RarFormat { None, Rar4, Rar5 };

// File block flags of the RAR 1.5 to 4.x format; RAR 5 entries get the same
// bits synthesised from their own fields so that one reading serves both.
constexpr std::uint16_t kFileSplitBefore = 0x0001;
constexpr std::uint16_t kFileSplitAfter = 0x0002;
constexpr std::uint16_t kFileEncrypted = 0x0004;
constexpr std::uint16_t kFileSolid = 0x0010;
constexpr std::uint16_t kFileDirectoryWindow = 0x00E0; // all three window bits: a directory
constexpr std::uint16_t kFileLargeSizes = 0x0100;
constexpr std::uint16_t kFileUnicodeName = 0x0200;
constexpr std::uint16_t kBlockSkipIfUnknown = 0x4000;
constexpr std::uint16_t kBlockHasDataSize = 0x8000;

// Host systems as the RAR 1.5 to 4.x format numbers them.
constexpr std::uint8_t kHostMsDos = 0;
constexpr std::uint8_t kHostWindows = 2;
constexpr std::uint8_t kHostUnix = 3;

struct RarEntry {
  std::uint16_t flags = 0;
  std::uint8_t hostOS = kHostMsDos;
  std::uint64_t packSize = 0;
  std::uint64_t unpSize = 0;
  bool unpSizeKnown = true;
  bool hasCrc = false;
  std::uint32_t crc = 0;
  std::uint32_t dosTime = 0;    // MS-DOS date (high word) and time (low word), local time
  std::uint32_t attributes = 0; // MS-DOS/Windows attribute bits, or the Unix mode for Unix hosts
  std::uint8_t unpVer = 0;
  std::uint8_t method = 0;
  std::string name;        // bytes as stored: OEM code page (RAR 1.5 to 4.x), UTF-8 (RAR 5)
  std::string unicodeName; // UTF-8, when the block carries a Unicode name (always for RAR 5)
  bool directory = false;
  bool encrypted = false;
  bool special = false; // a link, device or pipe: never created on disk
};

struct RarListing {
  RarFormat format = RarFormat::None;
  std::uint64_t markerOffset = 0;
  bool headersEncrypted = false;   // the block headers themselves are encrypted: nothing listed
  bool volume = false;             // part of a multi-volume set
  bool newVolumeNaming = false;    // volumes named "name.partN.rar" rather than ".rar", ".r00", ...
  bool moreVolumes = false;        // the set goes on in a next volume
  bool damaged = false;            // the walk stopped at a header it could not read
  std::vector<RarEntry> entries;   // file blocks in archive order, continuation parts left out
  std::vector<RarEntry> continued; // continuation parts of entries begun in an earlier volume
};

// Start of the RAR marker: 0 for a plain archive, past the stub of a
// self-extracting one or other data in front (within the first 4 MiB), -1
// when none.
std::int64_t FindRarMarker(const std::string &diskPath, RarFormat &format);

// Walks the block headers. `cancelled` is polled between blocks. Continuation
// parts of entries split across volumes are kept apart, so one listing entry
// stands for one entry that an extractor reports. An entry that goes on in a
// next volume has no CRC until AppendVolume finds its last part.
RarListing ScanRarFile(const std::string &diskPath, const std::function<bool()> &cancelled = {});

// Appends the listing of the next volume of a set to `entries`: a
// continuation part completes the entry it continues (the last part of a
// split entry carries the CRC of the whole file), new entries are added.
void AppendVolume(std::vector<RarEntry> &entries, const RarListing &volume);

// RAR's compact encoding of a wide name stored after the single-byte name
// and a zero byte; a field without a zero byte holds UTF-8. Returns UTF-8.
std::string DecodeRarUnicodeName(const std::uint8_t *field, std::size_t size);

// The name of the volume after `path` in a multi-volume set.
std::string NextVolumeName(const std::string &path, bool newNaming);

} // namespace mv::rar
