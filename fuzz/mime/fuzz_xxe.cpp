// Decodes arbitrary text as a XXE line; encodes the input in 45-byte lines
// and decodes it back.
#include "mime/IdCoderUUE.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  try {
    TIdDecoderXXE::DecodeString(bytes);
  } catch (const EIdException &) {
  }
  TIdMemoryStream source(bytes);
  TIdMemoryStream decoded;
  TIdEncoderXXE encoder;
  while (source.Position() < source.Size())
    TIdDecoderXXE().DecodeToStream(encoder.Encode(source, 45), decoded);
  if (decoded.DataString() != bytes)
    __builtin_trap();
  return 0;
}
