#pragma once
// Forwarded messages. Office mail forwards documents as attached messages
// (a message/rfc822 part, often named *.eml). The reader keeps such a part a
// named attachment, which a rule may file as it is, and also reads it as a
// message of its own, so that the documents inside reach routing like the
// outer message's attachments.
#include <vector>

class TIdAttachment;
class TIdMessage;

namespace mv {
// A forward of a forward of a forward is as deep as real mail goes; deeper
// messages stay plain attachments, so a message built to nest without end
// costs no more than three readings of its bytes.
constexpr int kMaxForwardedDepth = 3;

// A part labelled message/rfc822.
bool IsForwardedMessage(const TIdAttachment &part);

// Reads the inner message of every forwarded-message attachment of
// `message`, which lies `depth` forwards inside the received message (0 for
// the received message itself), into the attachment's InnerMessage. An inner
// message that cannot be read is left unread; the attachment stays as it is.
void ReadForwardedMessages(TIdMessage &message, int depth);

// Every attachment to route, in order: each attachment of the message and,
// right after a forwarded-message attachment, the attachments of its inner
// message (recursively). The courier files them all under the received
// message's sender, subject and date.
std::vector<const TIdAttachment *> AttachmentsForRouting(const TIdMessage &message);
} // namespace mv
