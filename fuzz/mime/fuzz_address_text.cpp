// Parses arbitrary text as one address item; the text it builds must parse
// again without running outside any buffer.
#include "mime/IdEMailAddress.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TIdEMailAddressItem item;
  try {
    item.SetText(std::string(reinterpret_cast<const char *>(data), size));
  } catch (const EIdEmailParseError &) {
  }
  TIdEMailAddressItem again;
  try {
    again.SetText(item.Text());
  } catch (const EIdEmailParseError &) {
  }
  return 0;
}
