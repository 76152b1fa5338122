#include "mime/IdMessageCoderMIME.h"

#include "mime/IdCoderMIME.h"
#include "mime/IdCoderQuotedPrintable.h"
#include "mime/IdHeaderWords.h"
#include "mime/IdMessage.h"
#include "mime/IdMessageCoderUUE.h"
#include "mime/IdMessageStrings.h"
#include "mime/MessageReadContext.h"
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

// A content type this reader understands: "type/subtype" made of token
// characters, parameters after a ';'. Anything else is plain text.
bool IsReadableContentType(const std::string &contentType) {
  const std::string type = Trim(std::string_view(contentType).substr(0, contentType.find(';')));
  const size_t slash = type.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == type.size())
    return false;
  for (size_t i = 0; i < type.size(); ++i) {
    const auto c = static_cast<unsigned char>(type[i]);
    if (i != slash &&
        (c <= ' ' || c >= 127 || std::string_view("()<>@,;:\\\"/[]?=").find(c) != std::string_view::npos))
      return false;
  }
  return true;
}

enum class PartEncoding { None, Base64, QuotedPrintable, Uue };

PartEncoding EncodingOf(const std::string &transferEncoding) {
  const std::string e = Trim(transferEncoding);
  if (SameAscii(e, "base64"))
    return PartEncoding::Base64;
  if (SameAscii(e, "quoted-printable"))
    return PartEncoding::QuotedPrintable;
  if (SameAscii(e, "x-uuencode") || SameAscii(e, "uuencode") || SameAscii(e, "x-uue"))
    return PartEncoding::Uue;
  return PartEncoding::None;
}

// The lines of a part body into its destination, decoded. The line break
// before a boundary line belongs to the boundary, not to the part: a break
// is written only when another line follows it, or when the part runs to
// the message's end (whose own break ends the last line).
class PartBodyWriter {
public:
  PartBodyWriter(TIdStream &destination, PartEncoding encoding)
      : FDestination(destination), FEncoding(encoding), FBase64(destination) {
    if (encoding == PartEncoding::Uue)
      FUue = std::make_unique<mv::UuBlockDecoder>(destination, true);
  }

  void Line(std::string_view line) {
    switch (FEncoding) {
    case PartEncoding::Base64:
      FBase64.DecodeLine(line);
      return;
    case PartEncoding::Uue:
      FUue->DecodeLine(line);
      return;
    case PartEncoding::QuotedPrintable: {
      WritePendingBreak();
      // A line ending in '=' continues on the next one (a soft break).
      const std::string_view trimmed = mv::idtext::TrimRightView(line);
      FQuotedPrintable.DecodeToStream(line, FDestination);
      FBreakPending = trimmed.empty() || trimmed.back() != '=';
      return;
    }
    case PartEncoding::None:
      WritePendingBreak();
      FDestination.WriteString(line);
      FBreakPending = true;
      return;
    }
  }

  // Whole lines as they stand, each ended by CR LF: the same as passing
  // them to Line one by one. Unencoded text keeps its breaks as they are and
  // base64 skips them, so both take the lines in one piece.
  void Lines(std::string_view lines) {
    switch (FEncoding) {
    case PartEncoding::Base64:
      FBase64.DecodeLine(lines);
      return;
    case PartEncoding::None:
      WritePendingBreak();
      FDestination.WriteBuffer(lines.data(), static_cast<std::int64_t>(lines.size() - 2));
      FBreakPending = true;
      return;
    case PartEncoding::QuotedPrintable:
    case PartEncoding::Uue:
      while (!lines.empty()) {
        const size_t lf = lines.find('\n');
        Line(lines.substr(0, lf - 1));
        lines.remove_prefix(lf + 1);
      }
      return;
    }
  }

  void Finish(bool atMessageEnd) {
    if (FEncoding == PartEncoding::Base64)
      FBase64.Finish();
    if (atMessageEnd)
      WritePendingBreak();
  }

private:
  void WritePendingBreak() {
    if (FBreakPending)
      FDestination.WriteString("\r\n");
    FBreakPending = false;
  }

  TIdStream &FDestination;
  const PartEncoding FEncoding;
  mv::Base64PartDecoder FBase64;
  TIdDecoderQuotedPrintable FQuotedPrintable;
  std::unique_ptr<mv::UuBlockDecoder> FUue;
  bool FBreakPending = false;
};

void AddPartHeaderLine(std::vector<std::string> &headers, std::string_view line) {
  const size_t sep = line.find(": ");
  if (sep == std::string_view::npos)
    headers.emplace_back(line);
  else
    headers.push_back(std::string(line.substr(0, sep)).append("=").append(line.substr(sep + 2)));
}
} // namespace

namespace mv {
void Base64PartDecoder::DecodeLine(std::string_view line) {
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

} // namespace mv

TIdMessageDecoderMIME::TIdMessageDecoderMIME(TIdMessage &owner, mv::MessageReadContext &context,
                                             std::optional<std::string> firstLine)
    : TIdMessageDecoder(owner, context), Boundary(context.Boundaries.Current()),
      FirstLine(std::move(firstLine)) {
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

void TIdMessageDecoderMIME::Classify(const std::string &givenType, const std::string &disposition) {
  const std::string contentType = IsReadableContentType(givenType) ? givenType : std::string("text/plain");
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
  std::string_view line;
  for (;;) {
    const bool more = ReadLine(line);
    if (!more || line.empty()) {
      // A header cut off by the message's end still tells what the part was;
      // its body is empty. Without a single header line there is no part.
      if (!more && PartHeaders.empty())
        return;
      const std::string contentType = PartHeaderValue("Content-Type");
      const std::string nested = TIdMIMEBoundary::BoundaryOf(contentType);
      if (more && !nested.empty() && Context().PushBoundary(nested))
        Boundary = nested;
      Classify(contentType, PartHeaderValue("Content-Disposition"));
      return;
    }
    if (line[0] == ' ' || line[0] == '\t') {
      if (PartHeaders.empty())
        AddPartHeaderLine(PartHeaders, line.substr(1));
      else
        PartHeaders.back().append(" ").append(line.substr(1));
    } else {
      AddPartHeaderLine(PartHeaders, line);
    }
  }
}

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderMIME::ReadPartBody(TIdStream &destination, bool &ended) {
  ended = false;
  TIdMessage &message = Owner();
  mv::MessageReadContext &context = Context();
  const std::string encoding = BodyEncoded || WholeBody ? message.ContentTransferEncoding
                                                        : PartHeaderValue("Content-Transfer-Encoding");
  PartBodyWriter writer(destination, EncodingOf(encoding));
  std::unique_ptr<TIdMessageDecoder> next;
  // The first line is held here while it is decoded: a view of it must not
  // outlive the string.
  const std::string firstLine = FirstLine.value_or(std::string());
  const bool keepsBody = !Boundary.empty() || WholeBody;
  for (;;) {
    std::string_view line;
    if (FirstLine) {
      line = firstLine;
      FirstLine.reset();
    } else if (const std::string_view lines = context.NextPlainLines(); !lines.empty()) {
      if (keepsBody)
        writer.Lines(lines);
      continue;
    } else if (!ReadLine(line)) {
      ended = true;
      break;
    }
    if (!keepsBody)
      continue;
    // A boundary of this part or of any enclosing multipart ends the part, so
    // a missing closing line of an inner level loses nothing that follows.
    bool closing = false;
    const int level = mv::MatchBoundaryLine(context.Boundaries, line, closing);
    if (level >= 0) {
      context.Boundaries.PopAbove(level);
      if (closing)
        context.Boundaries.Pop();
      else
        next = std::make_unique<TIdMessageDecoderMIME>(message, context);
      break;
    }
    writer.Line(line);
  }
  writer.Finish(ended);
  return next;
}

namespace {
// A message whose body is one encoded piece, read from its first line on.
bool EncodedSinglePart(const TIdMessage &message) {
  const std::string &cte = message.ContentTransferEncoding;
  return (SameAscii(cte, "base64") || SameAscii(cte, "quoted-printable")) && !IsMultipart(message);
}

// A message that is itself a file: its type or disposition makes it an
// attachment. Text, multipart and embedded messages stay in Body; so does a
// message without a content type (plain text by default).
bool IsSinglePartAttachment(TIdMessage &message, mv::MessageReadContext &context) {
  const std::string type = Trim(message.ContentType);
  if (type.empty() || StartsAscii(type, "message/") || StartsAscii(type, "multipart/"))
    return false;
  TIdMessageDecoderMIME probe(message, context);
  probe.Classify(type, message.ContentDisposition);
  return probe.PartKind == pkAttachment;
}
} // namespace

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderInfoMIME::TryStart(TIdMessage &message,
                                                                       mv::MessageReadContext &context,
                                                                       std::string_view line) const {
  if (context.Boundaries.Count() == 0) {
    if (!context.BodyIsAttachment)
      context.BodyIsAttachment = IsSinglePartAttachment(message, context);
    if (!*context.BodyIsAttachment)
      return nullptr;
    auto decoder = std::make_unique<TIdMessageDecoderMIME>(message, context, std::string(line));
    decoder->WholeBody = true;
    return decoder;
  }
  bool closing = false;
  if (mv::MatchBoundaryLine(context.Boundaries, line, closing) == context.Boundaries.Count() - 1 && !closing)
    return std::make_unique<TIdMessageDecoderMIME>(message, context);
  if (EncodedSinglePart(message))
    return std::make_unique<TIdMessageDecoderMIME>(message, context, std::string(line));
  return nullptr;
}

std::optional<std::string> TIdMessageDecoderInfoMIME::StartBytes(TIdMessage &message,
                                                                 mv::MessageReadContext &context) const {
  if (context.Boundaries.Count() == 0) {
    // Until the first line has decided it, any line may be the start.
    if (!context.BodyIsAttachment || *context.BodyIsAttachment)
      return std::nullopt;
    return std::string();
  }
  if (EncodedSinglePart(message))
    return std::nullopt;
  return std::string("-"); // a delimiter line
}
