#pragma once
// What an extraction run could not do, kept for the caller after Extract(),
// and the limits that keep one archive from filling the disk.
//
// After Extract() returns, FailedEntries() lists every entry that was not
// written whole, each with one reason (the first one met: a full disk that
// then fails the write is DiskFull), and NotAnArchive() says the file held
// no archive of the component's kind at all. Both are cleared when the next
// run starts. Reasons come from the same reports the OnError hook hears, so
// the hook and the list never disagree.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class TEntryFailure {
  Encrypted,         // no password can be supplied
  Damaged,           // broken data, headers or CRC
  UnsupportedMethod, // a compression method no decoder is built for
  UnpackLimit,       // past the archive's unpack limits (see TUnpackLimits)
  DiskFull,          // the target file system or its reserve is full
  WriteError,        // the output file could not be created or written
};

struct TFailedEntry {
  // As the report names it: the entry name; the output path for a fault in
  // creating or writing the file (and for the disk reserve); the archive's
  // name for a fault of the whole archive (encrypted headers, unreadable).
  std::string fileName;
  TEntryFailure reason;
};

// The user's text of a reason, Windows-1251: "зашифрованный архив",
// "повреждённый архив", "неподдерживаемый метод сжатия", "превышен предел
// распаковки", "недостаточно места на диске", "ошибка записи файла".
std::string EntryFailureText(TEntryFailure reason);

// Any sender's archive is unpacked unasked, so a small archive that unpacks
// to gigabytes (or to a million files) must not fill the disk. One run may
// write at most max(floorBytes, ratio × the archive's bytes, volumes
// included); real data packs 2-10×, so 100× only stops bombs, and the floor
// lets small archives of very compressible data (logs, zeros) through. An
// entry that does not fit in what is left is skipped; one whose data runs
// past it is cut there and removed. Entries past maxEntries are skipped.
struct TUnpackLimits {
  static constexpr std::uint64_t kRatio = 100;
  static constexpr std::uint64_t kFloorBytes = 256ULL * 1024 * 1024;
  static constexpr std::size_t kMaxEntries = 10000;

  std::uint64_t ratio = kRatio;
  std::uint64_t floorBytes = kFloorBytes;
  std::size_t maxEntries = kMaxEntries;
};
