#include "mime/ForwardedMessages.h"

#include "mime/IdMessage.h"
#include "mime/IdMessageClient.h"
#include "mime/IdMessageStrings.h"
#include "mime/IdStream.h"

using namespace mv::msg;

namespace mv {
bool IsForwardedMessage(const TIdAttachment &part) {
  const std::string type = Trim(part.ContentType());
  return StartsAscii(type, "message/rfc822") &&
         (type.size() == 14 || type[14] == ';' || static_cast<unsigned char>(type[14]) <= ' ');
}

void ReadForwardedMessages(TIdMessage &message, int depth) {
  if (depth >= kMaxForwardedDepth)
    return;
  for (int i = 0; i < message.Parts.Count(); ++i) {
    auto *part = dynamic_cast<TIdAttachment *>(&message.Parts[i]);
    if (!part || !IsForwardedMessage(*part) || part->StoredPath.empty())
      continue;
    auto inner = std::make_unique<TIdMessage>();
    inner->DeleteTempFiles = message.DeleteTempFiles;
    try {
      TIdFileStream file(part->StoredPath, TIdFileMode::fmOpenRead);
      TIdMessageClient client;
      client.FForwardDepth = depth + 1;
      client.ReadMessageFromStream(*inner, file);
      part->InnerMessage = std::move(inner);
    } catch (const std::exception &) {
      // The forwarded message stays a plain attachment; the outer message
      // and its other parts are read all the same.
    }
  }
}

namespace {
void CollectForRouting(const TIdMessage &message, std::vector<const TIdAttachment *> &out) {
  for (int i = 0; i < message.Parts.Count(); ++i) {
    const auto *part = dynamic_cast<const TIdAttachment *>(&message.Parts[i]);
    if (!part)
      continue;
    out.push_back(part);
    if (part->InnerMessage)
      CollectForRouting(*part->InnerMessage, out);
  }
}
} // namespace

std::vector<const TIdAttachment *> AttachmentsForRouting(const TIdMessage &message) {
  std::vector<const TIdAttachment *> out;
  CollectForRouting(message, out);
  return out;
}
} // namespace mv
