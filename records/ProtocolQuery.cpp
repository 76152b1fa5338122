#include "records/ProtocolQuery.h"

namespace mv {
void ApplyProtocolFilter(ProtocolTable &table, const std::string &name, int fromDay, int toDay) {
  table.SetFiltered(false);
  table.SetNameFilter(name);
  table.SetFiltered(true);
  if (fromDay > 0 && toDay > 0) {
    table.SetIndexFieldNames("FDate");
    table.SetRange({ProtocolTable::KeyValue(std::int64_t{fromDay})},
                   {ProtocolTable::KeyValue(std::int64_t{toDay})});
  } else {
    table.CancelRange();
  }
}

void SelectProtocolOrder(ProtocolTable &table, ProtocolOrder order) {
  table.SetIndexName(order == ProtocolOrder::Sender ? "T1ByFRom" : "T1ByFName");
}

std::vector<std::string> ProtocolReportLines(ProtocolTable &table) {
  table.Post(); // a row being changed is stored first, as walking the rows would
  const std::vector<ProtocolRecord> rows = table.VisibleRecords();
  std::vector<std::string> lines{"", kProtocolTitle, ""};
  lines.reserve(lines.size() + rows.size() * 4);
  const std::string gap(4, ' ');
  const std::string separator(kProtocolSeparatorLength, '_');
  int n = 0;
  for (const ProtocolRecord &r : rows) {
    lines.push_back(std::to_string(++n) + ".");
    lines.push_back((r.FDate ? ShortDateText(*r.FDate) : "") + gap + (r.FTime ? LongTimeText(*r.FTime) : "") +
                    gap + r.FFrom);
    lines.push_back(r.FName + gap + r.FDir);
    lines.push_back(separator);
  }
  if (!rows.empty())
    table.Last();
  return lines;
}
} // namespace mv
