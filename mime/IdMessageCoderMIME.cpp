#include "mime/IdMessageCoderMIME.h"

#include "mime/IdCoderMIME.h"
#include "mime/IdCoderQuotedPrintable.h"
#include "mime/IdHeaderWords.h"
#include "mime/IdMessage.h"
#include "mime/IdMessageStrings.h"
#include "mime/MimeParameters.h"

#include <array>

using namespace mv::msg;

namespace {
bool IsBase64Char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
         c == '=';
}

// A multipart body is never transfer-encoded; a message that claims so is
// read by its boundaries, not decoded as one piece.
bool IsMultipart(const TIdMessage &message) {
  return StartsAscii(Trim(message.ContentType), "multipart/");
}

void AddPartHeaderLine(std::vector<std::string> &headers, const std::string &line) {
  std::string entry = line;
  size_t sep = entry.find(": ");
  if (sep != std::string::npos)
    entry.replace(sep, 2, "=");
  headers.push_back(entry);
}
} // namespace

namespace mv {
void Base64PartDecoder::DecodeLine(const std::string &line) {
  static const std::array<bool, 256> alphabet = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
      table[c] = IsBase64Char(static_cast<char>(c));
    return table;
  }();
  const size_t old = FPending.size();
  FPending.resize(old + line.size());
  char *out = FPending.data() + old;
  for (char c : line)
    if (alphabet[static_cast<unsigned char>(c)])
      *out++ = c;
  FPending.resize(out - FPending.data());
  if (FPending.size() >= PendingLimit)
    DecodeWholeGroups();
}

void Base64PartDecoder::DecodeWholeGroups() {
  const size_t whole = FPending.size() / 4 * 4;
  if (whole == 0)
    return;
  std::string rest = FPending.substr(whole);
  FPending.resize(whole);
  TIdDecoderMIME decoder;
  decoder.DecodeToStream(FPending, FDestination);
  FPending.swap(rest);
}

void Base64PartDecoder::Finish() {
  DecodeWholeGroups();
  // A last group of one character holds no byte; 2 or 3 hold 1 or 2.
  if (FPending.size() >= 2) {
    FPending.append(4 - FPending.size(), '=');
    DecodeWholeGroups();
  }
  FPending.clear();
}

int MatchBoundaryLine(const TIdMessage &message, const std::string &line, bool &closing) {
  closing = false;
  if (line.size() < 3 || line[0] != '-' || line[1] != '-')
    return -1;
  const std::string_view rest = std::string_view(line).substr(2);
  const TIdMIMEBoundary &stack = message.BoundaryStack;
  for (int i = stack.Count() - 1; i >= 0; --i) {
    const std::string b = stack.At(i);
    if (SameAscii(rest, b))
      return i;
    if (rest.size() == b.size() + 2 && SameAscii(rest.substr(0, b.size()), b) &&
        rest.substr(b.size()) == "--") {
      closing = true;
      return i;
    }
  }
  return -1;
}
} // namespace mv

TIdMessageDecoderMIME::TIdMessageDecoderMIME(TIdMessage &owner, const std::string &firstLine)
    : TIdMessageDecoder(owner), Boundary(owner.BoundaryStack.Current()), FirstLine(firstLine) {
  const std::string &cte = owner.ContentTransferEncoding;
  BodyEncoded = !cte.empty() && !SameAscii(cte, "7bit") && !SameAscii(cte, "8bit") &&
                !SameAscii(cte, "binary") && !IsMultipart(owner);
}

std::string TIdMessageDecoderMIME::PartHeaderValue(const std::string &name) const {
  for (const std::string &entry : PartHeaders) {
    size_t eq = entry.find('=');
    if (eq != std::string::npos && SameAscii(std::string_view(entry).substr(0, eq), name))
      return entry.substr(eq + 1);
  }
  return {};
}

void TIdMessageDecoderMIME::Classify(const std::string &contentType, const std::string &disposition) {
  const size_t semicolon = disposition.find(';');
  const std::string dispositionType = disposition.substr(0, semicolon);
  // Names are files on disk: a character without a Windows-1251 form becomes '_'.
  std::string name = mv::DecodedMimeParameter(disposition, "filename", '_');
  if (name.empty())
    name = mv::DecodedMimeParameter(contentType, "name", '_');
  if (SameAscii(Trim(dispositionType), "attachment") || !name.empty()) {
    PartKind = pkAttachment;
    Filename = name;
  } else if (StartsAscii(contentType, "text/") || StartsAscii(contentType, "multipart/")) {
    PartKind = pkText;
  } else {
    PartKind = pkAttachment;
    Filename.clear();
  }
}

void TIdMessageDecoderMIME::ReadPartHeader() {
  TIdMessage &message = Owner();
  if (BodyEncoded || WholeBody) {
    Classify(message.ContentType, message.ContentDisposition);
    return;
  }
  for (;;) {
    const std::string line = ReadLine();
    if (line == ".")
      return; // the message ended inside the part header: PartKind stays unknown
    if (line.empty()) {
      const std::string contentType = PartHeaderValue("Content-Type");
      const std::string nested = TIdMIMEBoundary::BoundaryOf(contentType);
      if (!nested.empty()) {
        message.BoundaryStack.Push(nested);
        Boundary = nested;
      }
      Classify(contentType, PartHeaderValue("Content-Disposition"));
      return;
    }
    if (line[0] == ' ' || line[0] == '\t') {
      if (PartHeaders.empty())
        AddPartHeaderLine(PartHeaders, line.substr(1));
      else
        PartHeaders.back() += " " + line.substr(1);
    } else {
      AddPartHeaderLine(PartHeaders, line);
    }
  }
}

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderMIME::ReadPartBody(TIdStream &destination, bool &ended) {
  ended = false;
  TIdMessage &message = Owner();
  const std::string encoding = BodyEncoded || WholeBody ? message.ContentTransferEncoding
                                                        : PartHeaderValue("Content-Transfer-Encoding");
  const bool base64 = SameAscii(Trim(encoding), "base64");
  const bool quotedPrintable = SameAscii(Trim(encoding), "quoted-printable");
  mv::Base64PartDecoder base64Decoder(destination);
  TIdDecoderQuotedPrintable qpDecoder;
  std::unique_ptr<TIdMessageDecoder> next;
  for (;;) {
    std::string line;
    if (!FirstLine.empty()) {
      line.swap(FirstLine);
    } else {
      line = ReadLine();
    }
    if (line == ".") {
      ended = true;
      break;
    }
    if (Boundary.empty() && !WholeBody)
      continue;
    // A boundary of this part or of any enclosing multipart ends the part, so
    // a missing closing line of an inner level loses nothing that follows.
    bool closing = false;
    const int level = mv::MatchBoundaryLine(message, line, closing);
    if (level >= 0) {
      message.BoundaryStack.PopAbove(level);
      if (closing)
        message.BoundaryStack.Pop();
      else
        next = std::make_unique<TIdMessageDecoderMIME>(message);
      break;
    }
    if (quotedPrintable) {
      // The literal '.' that quoted-printable allows arrives dot-stuffed.
      if (line.size() > 1 && line[0] == '.' && line[1] == '.')
        line.erase(0, 1);
      qpDecoder.DecodeToStream(line + "\r\n", destination);
    } else if (base64) {
      base64Decoder.DecodeLine(line);
    } else {
      if (!line.empty() && line[0] == '.')
        line.erase(0, 1);
      line += "\r\n";
      destination.WriteString(line);
    }
  }
  if (base64)
    base64Decoder.Finish();
  return next;
}

namespace {
// A message that is itself a file: its type or disposition makes it an
// attachment. Text, multipart and embedded messages stay in Body; so does a
// message without a content type (plain text by default).
bool IsSinglePartAttachment(TIdMessage &message) {
  const std::string type = Trim(message.ContentType);
  if (type.empty() || StartsAscii(type, "message/") || StartsAscii(type, "multipart/"))
    return false;
  TIdMessageDecoderMIME probe(message);
  probe.Classify(type, message.ContentDisposition);
  return probe.PartKind == pkAttachment;
}
} // namespace

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderInfoMIME::TryStart(TIdMessage &message,
                                                                       const std::string &line) const {
  const std::string current = message.BoundaryStack.Current();
  if (current.empty()) {
    if (!IsSinglePartAttachment(message))
      return nullptr;
    auto decoder = std::make_unique<TIdMessageDecoderMIME>(message, line);
    decoder->WholeBody = true;
    return decoder;
  }
  if (SameAscii(line, "--" + current))
    return std::make_unique<TIdMessageDecoderMIME>(message);
  const std::string &cte = message.ContentTransferEncoding;
  if ((SameAscii(cte, "base64") || SameAscii(cte, "quoted-printable")) && !IsMultipart(message))
    return std::make_unique<TIdMessageDecoderMIME>(message, line);
  return nullptr;
}
