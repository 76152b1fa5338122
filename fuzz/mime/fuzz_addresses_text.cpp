// Parses arbitrary text as an address list and writes it back.
#include "mime/IdEMailAddress.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TIdEMailAddressList list;
  try {
    list.SetAddressesText(std::string(reinterpret_cast<const char *>(data), size));
  } catch (const EIdEmailParseError &) {
  }
  const std::string text = list.AddressesText();
  try {
    TIdEMailAddressList again;
    again.SetAddressesText(text);
  } catch (const EIdEmailParseError &) {
  }
  return 0;
}
