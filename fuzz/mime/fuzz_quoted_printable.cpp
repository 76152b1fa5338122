// Decodes arbitrary text as a quoted-printable line; encodes the input, with
// its line breaks taken out, as one line and decodes it back line by line.
#include "mime/IdCoderQuotedPrintable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::string line(reinterpret_cast<const char *>(data), size);
  TIdDecoderQuotedPrintable::DecodeString(line);

  std::erase_if(line, [](char c) { return c == '\r' || c == '\n'; });
  const std::string encoded = TIdEncoderQuotedPrintable::EncodeString(line + "\r\n");
  TIdMemoryStream decoded;
  std::size_t start = 0;
  for (std::size_t end; (end = encoded.find("\r\n", start)) != std::string::npos; start = end + 2) {
    if (end - start > 76)
      __builtin_trap();
    TIdDecoderQuotedPrintable().DecodeToStream(encoded.substr(start, end - start + 2), decoded);
  }
  if (start != encoded.size() || decoded.DataString() != line + "\r\n")
    __builtin_trap();
  return 0;
}
