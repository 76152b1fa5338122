// Decodes arbitrary header values holding KOI8-R encoded words; the routine
// must never fail, whatever the words hold.
#include "mime/Koi8.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  DecodeKoi8Word(text);
  DecodeKoi8Word("=?koi8-r?B?" + text + "?=");
  DecodeKoi8Word("=?KOI8-R?q?" + text + "?=");
  return 0;
}
