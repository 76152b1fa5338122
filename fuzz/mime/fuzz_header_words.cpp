// Decodes arbitrary header values; and for values that hold no encoded-word
// opening and no NUL, encoding then decoding must give the value back.
#include "mime/IdHeaderWords.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string value(reinterpret_cast<const char *>(data), size);
  try {
    DecodeHeaderWords(value);
  } catch (const EConvertError &) { // a Q word with a non-hexadecimal escape
  }
  if (value.find("=?") != std::string::npos || value.find('\0') != std::string::npos)
    return 0;
  for (char letter : {'Q', 'B'}) {
    const std::string encoded = EncodeHeaderWords(value, "", letter, trEightBit, "Windows-1251");
    if (DecodeHeaderWords(encoded) != value)
      __builtin_trap();
  }
  return 0;
}
