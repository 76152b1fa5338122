// The writing half of the message client.
#include "mime/DotStuffingStream.h"
#include "mime/ForwardedMessages.h"
#include "mime/IdCoderQuotedPrintable.h"
#include "mime/IdMessageClient.h"
#include "mime/IdMessageEncoder.h"
#include "mime/IdMessageStrings.h"
#include "mime/IdTCPStream.h"
#include "mime/MimeParameters.h"
#include "net/DotStuffing.h"

using namespace mv::msg;

namespace {
const char Preamble[] = "This is a multi-part message in MIME format";

using mv::DotStuffed;

bool HasHighBytes(const TIdLines &lines) {
  for (std::string_view line : lines)
    for (char c : line)
      if (static_cast<unsigned char>(c) > 127)
        return true;
  return false;
}

// A read multipart container keeps its preamble as a text part; written with
// its multipart type it would swallow the parts after it when read again.
bool IsMultipartType(const std::string &contentType) {
  return StartsAscii(Trim(contentType), "multipart/");
}

// The text parts that are written: container preambles without lines are
// left out.
std::vector<TIdText *> WrittenTextParts(const TIdMessageParts &parts) {
  std::vector<TIdText *> result;
  for (int i = 0; i < parts.Count(); ++i)
    if (auto *text = dynamic_cast<TIdText *>(&parts[i]))
      if (!(IsMultipartType(text->ContentType()) && text->Body.empty()))
        result.push_back(text);
  return result;
}

// The name written for an attachment: the last path component, except for
// a name of encoded words (kept as read), whose base64 text may hold a '/'.
std::string AttachmentName(const std::string &name) {
  if (name.find("=?") != std::string::npos)
    return name;
  const size_t slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}
} // namespace

void TIdMessageClient::WriteMessage(TIdMessage &message, bool headersOnly) {
  if (message.NoEncode) {
    WriteLines(message.HeaderLines.Lines());
    WriteLine();
    if (!headersOnly)
      for (std::string_view line : message.Body)
        WriteLine(line);
    return;
  }
  WriteMessageHeader(message);
  WriteLine();
  if (!headersOnly)
    WriteMessageBody(message);
}

void TIdMessageClient::WriteMessageHeader(TIdMessage &message) {
  std::unique_ptr<TIdHeaderList> headers = message.BuildHeaderLines();
  WriteLines(headers->Lines());
}

void TIdMessageClient::WriteBodyLines(TIdMessage &message) {
  for (std::string_view line : message.Body)
    WriteLine(DotStuffed(line));
}

void TIdMessageClient::WriteTextPart(TIdText &part) {
  if (part.ContentType().empty())
    part.SetContentType("text/plain");
  if (part.ContentTransfer().empty())
    part.SetContentTransfer("quoted-printable");
  const std::string transfer = part.ContentTransfer();
  // Lines of a part read with another transfer encoding (base64, ...) are
  // already decoded: they go out quoted-printable, labelled as such.
  const bool verbatim =
      SameAscii(transfer, "7bit") || SameAscii(transfer, "8bit") || SameAscii(transfer, "binary");
  const std::string contentType = IsMultipartType(part.ContentType()) ? "text/plain" : part.ContentType();
  WriteLine("Content-Type: " + contentType);
  WriteLine("Content-Transfer-Encoding: " + (verbatim ? transfer : std::string("quoted-printable")));
  if (!part.ContentID().empty())
    WriteLine("Content-Id: " + part.ContentID());
  WriteLines(part.ExtraHeaders.Lines());
  WriteLine();
  TTransfer headerTransfer;
  char letter;
  std::string charset;
  DefaultHeaderCharset(headerTransfer, letter, charset);
  // The text ends where the next delimiter's line break begins: the last
  // line gets a break of its own only when it was read (or made) with one.
  for (size_t i = 0; i < part.Body.size(); ++i) {
    const bool lineBreak = i + 1 < part.Body.size() || part.FinalLineBreak;
    const std::string_view line = part.Body[i];
    if (verbatim) {
      WriteText(DotStuffed(line) + (lineBreak ? "\r\n" : ""));
      continue;
    }
    std::string encoded =
        TIdEncoderQuotedPrintable::EncodeString(std::string(line) + (lineBreak ? "\r\n" : ""));
    if (headerTransfer == trIso2022Jp)
      encoded = ShiftJisToJis(encoded);
    WriteText(encoded);
  }
}

void TIdMessageClient::WriteAttachmentHeader(TIdAttachment &part) {
  // The data is what the message's encoder writes; for the "MIME" encoder
  // that is base64 whatever the part was labelled when it was read. A
  // forwarded message may not be encoded at all: it goes out as its lines.
  if (mv::IsForwardedMessage(part))
    part.SetContentTransfer("8bit");
  else if (part.ContentTransfer().empty() ||
           (SameAscii(part.Collection()->AttachmentEncoding(), "MIME") && part.ContentTransfer() != "base64"))
    part.SetContentTransfer("base64");
  if (part.ContentDisposition().empty())
    part.SetContentDisposition("attachment");
  if (part.ContentTransfer() == "base64" && part.ContentType().empty())
    part.SetContentType("application/octet-stream");
  const std::string name = AttachmentName(part.FileName);
  // A part read with a message keeps the name parameters it came with (RFC
  // 2231, encoded words, UTF-8): written again from FileName they would lose
  // what Windows-1251 cannot hold.
  const bool typeNamed = !mv::DecodedMimeParameter(part.ContentType(), "name", '_').empty();
  const bool dispositionNamed = !mv::DecodedMimeParameter(part.ContentDisposition(), "filename", '_').empty();
  WriteLine("Content-Type: " + part.ContentType() + (typeNamed ? "" : ";"));
  if (!typeNamed)
    WriteLine("        name=\"" + name + "\"");
  WriteLine("Content-Transfer-Encoding: " + part.ContentTransfer());
  WriteLine("Content-Disposition: " + part.ContentDisposition() + (dispositionNamed ? "" : ";"));
  if (!dispositionNamed)
    WriteLine("        filename=\"" + name + "\"");
  if (!part.ContentID().empty())
    WriteLine("Content-Id: " + part.ContentID());
  WriteLines(part.ExtraHeaders.Lines());
}

void TIdMessageClient::WriteAttachment(TIdAttachment &part) {
  TIdTCPStream connection(*this);
  mv::DotStuffingStream stream(connection);
  part.EncodeTo(stream);
}

void TIdMessageClient::WriteForwardedMessage(TIdAttachment &part) {
  // Its bytes as stored, every line ended by CR LF whatever ended it there:
  // a bare CR or LF is no line break in mail. The delimiter that follows
  // brings its own line break.
  TIdTCPStream connection(*this);
  mv::DotStuffingStream stream(connection);
  TIdFileStream file(part.StoredPath, TIdFileMode::fmOpenRead);
  std::string block(64 * 1024, '\0');
  std::string out;
  bool afterCR = false;
  for (std::int64_t got; (got = file.Read(block.data(), static_cast<std::int64_t>(block.size()))) > 0;) {
    out.clear();
    for (std::int64_t i = 0; i < got; ++i) {
      const char c = block[static_cast<size_t>(i)];
      if (c == '\n' && !afterCR)
        out += '\r';
      else if (c != '\n' && afterCR)
        out += '\n';
      out += c;
      afterCR = c == '\r';
    }
    stream.WriteString(out);
  }
  if (afterCR)
    stream.WriteString("\n");
}

void TIdMessageClient::WriteDelimiter(const std::string &boundary, bool closing) {
  // The line break in front belongs to the delimiter, not to the part before.
  WriteText("\r\n--" + boundary + (closing ? "--\r\n" : "\r\n"));
}

void TIdMessageClient::WriteTextParts(const std::vector<TIdText *> &texts, const std::string &boundary) {
  for (TIdText *text : texts) {
    WriteDelimiter(boundary, false);
    DoStatus("Encoding text");
    WriteTextPart(*text);
  }
  WriteDelimiter(boundary, true);
}

void TIdMessageClient::WritePlainBody(TIdMessage &message) {
  TTransfer transfer;
  char letter;
  std::string charset;
  DefaultHeaderCharset(transfer, letter, charset);
  DoStatus("Encoding text");
  if (transfer == trIso2022Jp) {
    for (std::string_view line : message.Body)
      WriteLine(DotStuffed(ShiftJisToJis(line)));
  } else {
    WriteBodyLines(message);
  }
}

void TIdMessageClient::WriteUUBody(TIdMessage &message, const std::vector<TIdAttachment *> &attachments) {
  DoStatus("Encoding text");
  WriteBodyLines(message);
  WriteLine();
  for (TIdAttachment *a : attachments) {
    DoStatus("Encoding attachment");
    WriteAttachment(*a);
    WriteLine();
  }
}

void TIdMessageClient::WriteMimeBody(TIdMessage &message, const std::vector<TIdText *> &texts,
                                     const std::vector<TIdAttachment *> &attachments) {
  const std::string boundary = message.Parts.RelatedPartTotal > 0 ? mv::RelatedBoundary : mv::MixedBoundary;
  WriteLine(Preamble);
  WriteDelimiter(boundary, false);
  if (texts.size() > 1) {
    WriteLine("Content-Type: multipart/alternative; ");
    WriteLine(std::string("        boundary=\"") + mv::AlternativeBoundary + "\"");
    WriteLine();
    WriteTextParts(texts, mv::AlternativeBoundary);
  } else if (texts.size() == 1) {
    DoStatus("Encoding text");
    WriteTextPart(*texts.front());
  } else {
    TTransfer transfer;
    char letter;
    std::string charset;
    DefaultHeaderCharset(transfer, letter, charset);
    DoStatus("Encoding text");
    WriteLine("Content-Type: text/plain;");
    WriteLine("    charset=\"" + charset + "\"");
    // Cyrillic text is 8-bit; a 7bit label invites gateways to mangle it.
    WriteLine(std::string("Content-Transfer-Encoding: ") + (HasHighBytes(message.Body) ? "8bit" : "7bit"));
    WriteLine();
    WriteBodyLines(message);
  }
  for (TIdAttachment *a : attachments) {
    WriteDelimiter(boundary, false);
    DoStatus("Encoding attachment");
    WriteAttachmentHeader(*a);
    WriteLine();
    mv::IsForwardedMessage(*a) ? WriteForwardedMessage(*a) : WriteAttachment(*a);
  }
  WriteDelimiter(boundary, true);
}

void TIdMessageClient::WriteMessageBody(TIdMessage &message) {
  TIdWorkScope work(*this, wmWrite);
  const TIdMessageParts &parts = message.Parts;
  std::vector<TIdAttachment *> attachments;
  for (int i = 0; i < parts.Count(); ++i)
    if (auto *a = dynamic_cast<TIdAttachment *>(&parts[i]))
      attachments.push_back(a);
  // A read message keeps its preamble in Body and its text in text parts:
  // when there are text parts they are the text, and Body is not written.
  const std::vector<TIdText *> texts = WrittenTextParts(parts);
  if (!attachments.empty())
    message.Encoding() == meUU ? WriteUUBody(message, attachments)
                               : WriteMimeBody(message, texts, attachments);
  else if (!texts.empty()) {
    WriteLine(Preamble);
    WriteTextParts(texts, mv::MixedBoundary);
  } else
    WritePlainBody(message);
}
