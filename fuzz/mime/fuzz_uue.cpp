// Decodes arbitrary text as a UUE line; encodes the input in 45-byte lines
// and decodes it back.
#include "mime/IdCoderUUE.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  try {
    TIdDecoderUUE::DecodeString(bytes);
  } catch (const EIdException &) {
  }
  TIdMemoryStream source(bytes);
  TIdMemoryStream decoded;
  TIdEncoderUUE encoder;
  while (source.Position() < source.Size())
    TIdDecoderUUE().DecodeToStream(encoder.Encode(source, 45), decoded);
  if (decoded.DataString() != bytes)
    __builtin_trap();
  return 0;
}
