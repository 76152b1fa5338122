#pragma once
// The contents of the message view, computed from a message without any
// window: the header panel, the body rule (KOI8-R converted, HTML rendered)
// and the attachment list.
#include "desk/CourierObserver.h"
#include "mime/IdMessage.h"

namespace mv {

// The click view (retrieval false: the priority stays empty) or the
// retrieval view of the check cycle (the priority as "1" to "5").
MessageViewContents ViewOf(const TIdMessage &message, bool retrieval);

// "dd mmm yyyy hh:mm:ss" with the month abbreviation of the system locale.
std::string ViewDateText(TDateTime date);
// The short date of a message list row.
std::string RowDateText(TDateTime date);

// The row of the message list for a message whose headers were fetched.
MessageRow RowOf(const TIdMessage &message, int size);

} // namespace mv
