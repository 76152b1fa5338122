#include "desk/AttachmentLookup.h"

#include "mime/Koi8.h"
#include "platform/CodePage.h"

namespace mv {
std::string AttachmentName(const TIdAttachment &attachment) {
  return DecodeKoi8Word(attachment.FileName);
}

int FindAttachment(const TIdMessage &message, const std::string &name) {
  const std::string wanted = UpperAscii(name);
  for (int i = 0; i < message.Parts.Count(); ++i) {
    const auto *attachment = dynamic_cast<const TIdAttachment *>(&message.Parts[i]);
    if (attachment && UpperAscii(AttachmentName(*attachment)) == wanted)
      return i;
  }
  return -1;
}

} // namespace mv
