#include "mime/IdMessage.h"

#include "mime/HeaderText.h"
#include "mime/IdMessageEncoder.h"
#include "mime/IdMessageStrings.h"
#include "mime/MimeParameters.h"

#include <charconv>
#include <limits>

using namespace mv::msg;

namespace mv {
TIdMessagePriority PriorityFromHeader(const std::string &value) {
  const std::string lower = LowerAscii(value);
  if (lower.find("urgent") != std::string::npos)
    return mpHigh;
  if (lower.find("non-priority") != std::string::npos)
    return mpLow;
  std::string first = Trim(value);
  first = Trim(first.substr(0, first.find(' ')));
  int n = 3;
  auto [end, ec] = std::from_chars(first.data(), first.data() + first.size(), n);
  // The lowest number has no predecessor to hold it by.
  if (ec != std::errc() || end != first.data() + first.size() || first.empty() ||
      n == std::numeric_limits<int>::min())
    n = 3;
  return static_cast<TIdMessagePriority>(n - 1);
}

std::string CharSetOf(const std::string &contentType) {
  return UpperAscii(MimeParameterValue(contentType, "charset"));
}

void SetDecodedAddress(TIdEMailAddressItem &item, const std::string &value) {
  item.SetText(value);
  item.Name = DecodeHeaderText(item.Name);
  item.Address = DecodeHeaderText(item.Address);
}

void SetDecodedAddresses(TIdEMailAddressList &list, const std::string &value) {
  list.SetAddressesText(value);
  for (int i = 0; i < list.Count(); ++i) {
    list.Items(i).Name = DecodeHeaderText(list.Items(i).Name);
    list.Items(i).Address = DecodeHeaderText(list.Items(i).Address);
  }
}

bool ReadSubjectUnchanged(const TIdHeaderList &read, const std::string &subject) {
  return read.FindHeader("Subject") >= 0 && DecodeHeaderText(read.ValueOf("Subject")) == subject;
}

bool ReadAddressUnchanged(const TIdHeaderList &read, const std::string &name,
                          const TIdEMailAddressItem &item) {
  if (read.FindHeader(name) < 0)
    return false;
  TIdEMailAddressItem asRead;
  try {
    SetDecodedAddress(asRead, read.ValueOf(name));
  } catch (const std::exception &) {
    return false;
  }
  return asRead.Name == item.Name && asRead.Address == item.Address;
}

bool ReadAddressesUnchanged(const TIdHeaderList &read, const std::string &name,
                            const TIdEMailAddressList &list) {
  if (read.FindHeader(name) < 0)
    return false;
  TIdEMailAddressList asRead;
  try {
    SetDecodedAddresses(asRead, read.ValueOf(name));
  } catch (const std::exception &) {
    return false;
  }
  if (asRead.Count() != list.Count())
    return false;
  for (int i = 0; i < list.Count(); ++i)
    if (asRead.Items(i).Name != list.Items(i).Name || asRead.Items(i).Address != list.Items(i).Address)
      return false;
  return true;
}

std::string CommaText(const std::vector<std::string> &entries) {
  std::string out;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i)
      out += ',';
    const std::string &e = entries[i];
    if (e.find_first_of(" ,\"") == std::string::npos) {
      out += e;
      continue;
    }
    out += '"';
    for (char c : e) {
      if (c == '"')
        out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}
} // namespace mv

TIdMessage::TIdMessage() {
  ResetMessage();
  FEncoding = meMIME; // the parts collection already chose "MIME"
}

TIdMessage::~TIdMessage() = default;

void TIdMessage::SetEncoding(TIdMessageEncoding encoding) {
  SetAttachmentEncoding(encoding == meMIME ? "MIME" : "UUE");
  FEncoding = encoding;
}

void TIdMessage::SetUseNowForDate(bool useNow) {
  if (useNow == UseNowForDate())
    return;
  Date = useNow ? 0 : mv::Now();
}

void TIdMessage::ResetMessage() {
  ResetHeaderFields();
  ResetContent();
}

void TIdMessage::ResetHeaderFields() {
  CCList.Clear();
  BccList.Clear();
  Recipients.Clear();
  ReplyTo.Clear();
  NewsGroups.clear();
  HeaderLines.Clear();
  ExtraHeaders.Clear();
  BoundaryStack.Clear();
  Date = 0;
  From.SetText("");
  ReceiptRecipient.SetText("");
  Sender.SetText("");
  Organization.clear();
  References.clear();
  Subject.clear();
  ContentType.clear();
  CharSet.clear();
  ContentTransferEncoding.clear();
  ContentDisposition.clear();
  MessageId.clear();
  Priority = mpNormal;
}

void TIdMessage::ResetContent() {
  Parts.Clear();
  Body.clear();
}

void TIdMessage::ChooseHeaderCharset(TTransfer &transfer, char &headerEncoding, std::string &charSet) {
  if (OnInitializeISO)
    OnInitializeISO(transfer, headerEncoding, charSet);
}

void TIdMessage::ApplyHeaderLines() {
  const TIdHeaderList &h = HeaderLines;
  ContentType = h.ValueOf("Content-Type");
  CharSet = mv::CharSetOf(ContentType);
  ContentTransferEncoding = h.ValueOf("Content-Transfer-Encoding");
  ContentDisposition = h.ValueOf("Content-Disposition");
  Subject = mv::DecodeHeaderText(h.ValueOf("Subject"));
  mv::SetDecodedAddress(From, h.ValueOf("From"));
  MessageId = h.ValueOf("Message-Id");
  SplitCommaList(h.ValueOf("Newsgroups"), NewsGroups);
  mv::SetDecodedAddresses(Recipients, h.ValueOf("To"));
  mv::SetDecodedAddresses(CCList, h.ValueOf("Cc"));
  mv::SetDecodedAddresses(BccList, h.ValueOf("Bcc"));
  Organization = h.ValueOf("Organization");
  ReceiptRecipient.SetText(h.ValueOf("Disposition-Notification-To"));
  if (ReceiptRecipient.Text().empty())
    ReceiptRecipient.SetText(h.ValueOf("Return-Receipt-To"));
  References = h.ValueOf("References");
  ReplyTo.SetAddressesText(h.ValueOf("Reply-To"));
  Date = ParseMessageDate(h.ValueOf("Date"));
  Sender.SetText(h.ValueOf("Sender"));
  std::string priority = h.ValueOf("Priority");
  if (priority.empty())
    priority = h.ValueOf("X-Priority");
  Priority = mv::PriorityFromHeader(priority);
  BoundaryStack.Push(TIdMIMEBoundary::BoundaryOf(ContentType));
}

std::unique_ptr<TIdHeaderList> TIdMessage::BuildHeaderLines() {
  Parts.CountParts();
  if (FEncoding == meUU) {
    if (Parts.RelatedPartTotal > 0 || Parts.TextPartTotal > 0)
      throw EIdMessageException("Invalid Encoding. UU only allows Body and Attachments");
  } else {
    Parts.EncoderInfo().PrepareHeaders(*this);
    // A message built again (the editor keeps one for the whole run) must not
    // collect a second charset parameter.
    if (!CharSet.empty() && FindAscii(ContentType, "charset=") == std::string::npos) {
      const std::string parameter = "charset=\"" + CharSet + "\"";
      ContentType = ContentType.empty() ? parameter : ContentType + ";\r\n\t" + parameter;
    }
  }

  TTransfer transfer;
  char letter;
  std::string charset;
  DefaultHeaderCharset(transfer, letter, charset);
  ChooseHeaderCharset(transfer, letter, charset);

  auto result = std::make_unique<TIdHeaderList>();
  result->AddStrings(HeaderLines);
  TIdHeaderList &h = *result;
  // A header read with the message stays as read while its property still
  // says what it said: encoding it again would turn UTF-8 words into
  // Windows-1251 ones and lose what that code page cannot hold.
  if (!mv::ReadAddressUnchanged(HeaderLines, "From", From))
    h.SetValue("From", EncodeAddressForHeader(From, letter, transfer, charset));
  if (!mv::ReadSubjectUnchanged(HeaderLines, Subject))
    h.SetValue("Subject", EncodeHeaderWords(Subject, "", letter, transfer, charset));
  if (!mv::ReadAddressesUnchanged(HeaderLines, "To", Recipients))
    h.SetValue("To", EncodeAddressListForHeader(Recipients, letter, transfer, charset));
  if (!mv::ReadAddressesUnchanged(HeaderLines, "Cc", CCList))
    h.SetValue("Cc", EncodeAddressListForHeader(CCList, letter, transfer, charset));
  h.SetValue("Newsgroups", mv::CommaText(NewsGroups));
  if (FEncoding == meMIME) {
    h.SetValue("Content-Type", ContentType);
    if (Parts.Count() > 0)
      h.SetValue("MIME-Version", "1.0");
    h.SetValue("Content-Transfer-Encoding", ContentTransferEncoding);
    if (StartsAscii(Trim(ContentType), "multipart/")) {
      // A message read as one file (a scanner's PDF) is written as a
      // multipart: its own transfer encoding and file name described that
      // file, and would make the container unreadable or a second copy of it.
      const std::string cte = Trim(ContentTransferEncoding);
      if (!SameAscii(cte, "7bit") && !SameAscii(cte, "8bit") && !SameAscii(cte, "binary"))
        h.SetValue("Content-Transfer-Encoding", "");
      h.SetValue("Content-Disposition", "");
    }
  }
  h.SetValue("Sender", Sender.Text());
  h.SetValue("Reply-To", EncodeAddressListForHeader(ReplyTo, letter, transfer, charset));
  h.SetValue("Organization", EncodeHeaderWords(Organization, "", letter, transfer, charset));
  h.SetValue("Disposition-Notification-To",
             EncodeAddressForHeader(ReceiptRecipient, letter, transfer, charset));
  h.SetValue("References", References);
  h.SetValue("Date", FormatMessageDate(Date == 0 ? mv::Now() : Date));
  if (Priority != mpNormal)
    h.SetValue("X-Priority", std::to_string(static_cast<int>(Priority) + 1));
  h.AddStrings(ExtraHeaders);
  return result;
}
