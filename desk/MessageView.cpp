#include "desk/MessageView.h"

#include "desk/AttachmentLookup.h"
#include "mime/BodyText.h"
#include "mime/IdDateTime.h"
#include "mime/Koi8.h"
#include "platform/CodePage.h"
#include "records/ProtocolTable.h"

#include <cstdio>
#include <ctime>

namespace mv {
namespace {

// The body rule: the content type shown in the header panel decides whether
// the lines are KOI8-R text to convert and whether they are HTML.
void ApplyBodyRule(MessageViewContents &view, std::vector<std::string> lines) {
  const std::string type = UpperAscii(view.CTyp);
  view.Html = type.find("TEXT/HTML") != std::string::npos;
  view.BodyUtf8 = BodyTextAsUtf8(lines, view.CTyp);
  if (type.find("KOI8-R") != std::string::npos)
    for (std::string &line : lines)
      line = Koi8ToWin(line);
  view.BodyLines = std::move(lines);
}

std::string MonthAbbreviation(int month) {
  std::tm tm{};
  tm.tm_mon = month - 1;
  tm.tm_mday = 1;
  tm.tm_year = 100;
  char buffer[64];
  const std::size_t n = std::strftime(buffer, sizeof buffer, "%b", &tm);
  return Utf8ToWin1251(std::string_view(buffer, n));
}

} // namespace

std::string ViewDateText(TDateTime date) {
  const DateTimeFields f = DecodeDateTime(date);
  char text[64];
  std::snprintf(text, sizeof text, "%02d %s %04d %02d:%02d:%02d", f.Day, MonthAbbreviation(f.Month).c_str(),
                f.Year, f.Hour, f.Minute, f.Second);
  return text;
}

std::string RowDateText(TDateTime date) {
  return ShortDateText(DayOf(date));
}

MessageRow RowOf(const TIdMessage &message, int size) {
  MessageRow row;
  row.Caption = DecodeKoi8Word(message.Subject);
  row.From = DecodeKoi8Word(message.From.Text());
  row.Date = RowDateText(message.Date);
  row.Size = std::to_string(size);
  return row;
}

MessageViewContents ViewOf(const TIdMessage &message, bool retrieval) {
  MessageViewContents view;
  view.From = DecodeKoi8Word(message.From.Text());
  view.Recipients = DecodeKoi8Word(message.Recipients.AddressesText());
  view.Cc = message.CCList.AddressesText();
  view.Subject = DecodeKoi8Word(message.Subject);
  view.Date = ViewDateText(message.Date);
  view.Receipt = message.ReceiptRecipient.Text();
  view.Organization = DecodeKoi8Word(message.Organization);
  if (retrieval)
    view.Priority = std::to_string(static_cast<int>(message.Priority) + 1);
  view.CTyp = message.ContentType;
  view.C_encode = message.ContentTransferEncoding;
  view.PaperClip = message.Parts.Count() > 0;
  ApplyBodyRule(view, {message.Body.begin(), message.Body.end()});
  // With several text parts the last one decides what is shown.
  for (int i = 0; i < message.Parts.Count(); ++i) {
    const TIdMessagePart &part = message.Parts[i];
    if (const auto *attachment = dynamic_cast<const TIdAttachment *>(&part)) {
      view.Attachments.push_back({AttachmentName(*attachment), attachment->ContentType()});
    } else if (const auto *text = dynamic_cast<const TIdText *>(&part)) {
      view.CTyp = text->ContentType();
      view.C_encode = text->ContentTransfer();
      ApplyBodyRule(view, {text->Body.begin(), text->Body.end()});
    }
  }
  return view;
}

} // namespace mv
