#pragma once
// What the protocol window does to the shared table besides browsing it: the
// "Обновить" filter, the two sort orders, and the text of the printed
// protocol. The headless tool runs the same functions, so its report shows
// the same rows in the same order as the window's.
#include "records/ProtocolTable.h"

#include <string>
#include <vector>

namespace mv {
// The printed title (ten leading spaces), Windows-1251.
inline constexpr const char *kProtocolTitle =
    "          \xCF\xD0\xCE\xD2\xCE\xCA\xCE\xCB \xD0\xC0\xC7\xCE\xC1\xD0\xC0\xCD\xCD\xDB\xD5 "
    "\xC2\xCB\xCE\xC6\xC5\xCD\xC8\xC9";
inline constexpr std::size_t kProtocolSeparatorLength = 47;

// "Обновить": the name filter (empty: every name; a trailing '*' after at
// least one character matches the names beginning with the text before it)
// is switched on; with both days above 0 the rows are limited to those days
// (both included) in date order, otherwise any range is lifted. A day of 0 or
// less stands for an empty date picker.
void ApplyProtocolFilter(ProtocolTable &table, const std::string &name, int fromDay, int toDay);

enum class ProtocolOrder { DateTime, Sender };
// The sort buttons: date, time and name, or sender (letter case ignored),
// date and time. Drops a date range; the name filter stays.
void SelectProtocolOrder(ProtocolTable &table, ProtocolOrder order);

// The paragraphs of the printed protocol: an empty one, the title, an empty
// one, then four per visible row in the current order ("n.", date, time and
// sender, name and directory, the separator). Like walking the rows, it first
// stores a row being changed and leaves the current row on the last row.
std::vector<std::string> ProtocolReportLines(ProtocolTable &table);
} // namespace mv
