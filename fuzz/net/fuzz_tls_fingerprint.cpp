// Reads arbitrary text as a pinned fingerprint; what it accepts must print
// and read back to the same 32 bytes.
#include "net/IdTLSFingerprint.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char *>(data), size);
  TIdSha256 digest{};
  if (!ParseFingerprint(text, digest))
    return 0;
  TIdSha256 again{};
  if (!ParseFingerprint(FormatFingerprint(digest.data(), digest.size()), again) || again != digest)
    __builtin_trap();
  return 0;
}
