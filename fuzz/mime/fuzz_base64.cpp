// Decodes arbitrary text as a base64 line; encodes the input and decodes it back.
#include "mime/IdCoderMIME.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  try {
    TIdDecoderMIME::DecodeString(bytes);
  } catch (const EIdException &) { // uneven size
  }
  TIdMemoryStream source(bytes);
  TIdMemoryStream decoded;
  TIdEncoderMIME encoder;
  for (std::string line; !(line = encoder.Encode(source, 57)).empty();)
    TIdDecoderMIME().DecodeToStream(line, decoded);
  if (decoded.DataString() != bytes)
    __builtin_trap();
  return 0;
}
