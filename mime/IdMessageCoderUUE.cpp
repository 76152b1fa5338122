#include "mime/IdMessageCoderUUE.h"

#include "mime/IdCoderUUE.h"
#include "mime/IdException.h"
#include "mime/IdMessage.h"
#include "mime/IdMessageStrings.h"

#include <memory>

using namespace mv::msg;

namespace {
constexpr char XXETable[] = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

bool IsUUEChar(char c) {
  return c >= 0x20 && c <= 0x60;
}
bool IsXXEChar(char c) {
  return c != '\0' && std::string_view(XXETable).find(c) != std::string_view::npos;
}

int UUEValue(char c) {
  return c == ' ' || c == '`' ? 0 : c - 0x20;
}
int XXEValue(char c) {
  return static_cast<int>(std::string_view(XXETable).find(c));
}

// A line that announces n bytes needs 4 * ceil(n / 3) characters after its
// length character.
bool LengthFits(std::string_view line, int n) {
  return n > 0 && static_cast<int>(line.size()) - 1 >= (n + 2) / 3 * 4;
}
} // namespace

namespace mv {
UUScheme DetectUUScheme(std::string_view line) {
  if (line.empty())
    return UUScheme::None;
  if (line[0] == 'M')
    return UUScheme::UUE;
  if (line[0] == 'h')
    return UUScheme::XXE;
  bool uue = true, xxe = true;
  for (char c : line) {
    uue = uue && IsUUEChar(c);
    xxe = xxe && IsXXEChar(c);
  }
  if (uue && LengthFits(line, UUEValue(line[0])))
    return UUScheme::UUE;
  if (xxe && LengthFits(line, XXEValue(line[0])))
    return UUScheme::XXE;
  return UUScheme::None;
}

UuBlockDecoder::UuBlockDecoder(TIdStream &destination, bool waitForBegin)
    : FDestination(destination), FStage(waitForBegin ? Stage::BeforeBegin : Stage::BeforeData) {}

UuBlockDecoder::~UuBlockDecoder() = default;

bool UuBlockDecoder::DecodeLine(std::string_view line) {
  const std::string_view trimmed = mv::idtext::TrimView(line);
  switch (FStage) {
  case Stage::BeforeBegin:
    if (StartsAscii(line, "begin "))
      FStage = Stage::BeforeData;
    return true;
  case Stage::BeforeData:
    // Blank lines choose nothing; an "end" here is an empty file.
    if (trimmed.empty())
      return true;
    if (SameAscii(trimmed, "end"))
      break;
    switch (DetectUUScheme(line)) {
    case UUScheme::UUE:
      FDecoder = std::make_unique<TIdDecoderUUE>();
      break;
    case UUScheme::XXE:
      FDecoder = std::make_unique<TIdDecoderXXE>();
      break;
    case UUScheme::None:
      throw EIdException("Unrecognized UUE encoding scheme.");
    }
    FStage = Stage::Data;
    FDecoder->DecodeToStream(line, FDestination);
    return true;
  case Stage::Data:
    if (SameAscii(trimmed, "end"))
      break;
    if (!trimmed.empty() && line != "~")
      FDecoder->DecodeToStream(line, FDestination);
    return true;
  case Stage::Done:
    return false;
  }
  FStage = Stage::Done;
  return false;
}
} // namespace mv

TIdMessageDecoderUUE::TIdMessageDecoderUUE(TIdMessage &owner, mv::MessageReadContext &context,
                                           const std::string &filename)
    : TIdMessageDecoder(owner, context) {
  Filename = filename;
  PartKind = pkAttachment;
}

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderUUE::ReadPartBody(TIdStream &destination, bool &ended) {
  // The block ends at its "end" line, or unfinished at the message's end.
  mv::UuBlockDecoder block(destination, false);
  std::string_view line;
  while (ReadLine(line))
    if (!block.DecodeLine(line)) {
      ended = false;
      return nullptr;
    }
  ended = true;
  return nullptr;
}

std::optional<std::string> TIdMessageDecoderInfoUUE::StartBytes(TIdMessage &,
                                                                mv::MessageReadContext &) const {
  return std::string("bB"); // "begin "
}

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderInfoUUE::TryStart(TIdMessage &message,
                                                                      mv::MessageReadContext &context,
                                                                      std::string_view line) const {
  if (line.size() < 10 || !StartsAscii(line, "begin ") || line[9] != ' ')
    return nullptr;
  int mode = 0;
  for (int i = 6; i < 9; ++i) {
    if (line[i] < '0' || line[i] > '9')
      return nullptr;
    mode = mode * 10 + (line[i] - '0');
  }
  if (mode <= 0)
    return nullptr;
  return std::make_unique<TIdMessageDecoderUUE>(message, context, std::string(line.substr(10)));
}
