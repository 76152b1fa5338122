#pragma once
// Finding an attachment of a message by the name the window lists it under.
#include "mime/IdMessage.h"

#include <string>

namespace mv {

// The name an attachment is listed, saved, opened and filed under: its
// FileName with KOI8-R encoded words decoded.
std::string AttachmentName(const TIdAttachment &attachment);

// The index among all parts (text parts count in the numbering but are never
// returned) of the first attachment whose name equals `name`, letters a to z
// compared without regard to case; -1 when there is none. An attachment
// standing first has index 0, which is a valid answer.
int FindAttachment(const TIdMessage &message, const std::string &name);

} // namespace mv
