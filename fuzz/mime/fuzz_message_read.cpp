// Reads arbitrary bytes as a message file, as the courier reads every
// received message: headers, boundaries, nested and forwarded parts, UUE and
// XXE blocks and the decoders. Then writes the message again and routes its
// attachments. Temporary files go with the message.
#include "mime/ForwardedMessages.h"
#include "mime/IdMessage.h"
#include "mime/IdStream.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TIdMemoryStream input(std::string(reinterpret_cast<const char *>(data), size));
  TIdMessage message;
  message.DeleteTempFiles = true;
  try {
    message.ReadFromStream(input);
  } catch (const std::exception &) {
    return 0;
  }
  for (const TIdAttachment *a : mv::AttachmentsForRouting(message))
    if (a->StoredPath.empty())
      __builtin_trap();
  TIdMemoryStream copy;
  try {
    message.WriteToStream(copy);
  } catch (const std::exception &) {
  }
  return 0;
}
