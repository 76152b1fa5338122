// The RAR block scan on an arbitrary file: every header field is untrusted.
// The listing must come back (no read outside a buffer, no endless walk),
// and what it lists must be consistent with the file it came from.
#include "archive/RarScan.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {
const std::string &Path() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("fuzz-rar-" + std::to_string(::getpid()) + ".rar")).string();
  return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  {
    std::ofstream(Path(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
  }
  mv::rar::RarListing listing = mv::rar::ScanRarFile(Path());
  if (listing.format != mv::rar::RarFormat::None && listing.markerOffset >= size)
    __builtin_trap(); // a marker outside the file
  if (listing.headersEncrypted && !listing.entries.empty())
    __builtin_trap(); // nothing can be listed behind encrypted headers
  // The listing as a next volume of itself: continuation parts meet entries.
  std::vector<mv::rar::RarEntry> entries = listing.entries;
  mv::rar::AppendVolume(entries, listing);
  if (entries.size() != 2 * listing.entries.size())
    __builtin_trap();
  // The compact wide-name encoding straight from the input as well.
  mv::rar::DecodeRarUnicodeName(data, size);
  return 0;
}
