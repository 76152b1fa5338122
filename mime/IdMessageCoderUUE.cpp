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
bool LengthFits(const std::string &line, int n) {
  return n > 0 && static_cast<int>(line.size()) - 1 >= (n + 2) / 3 * 4;
}
} // namespace

namespace mv {
UUScheme DetectUUScheme(const std::string &line) {
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
} // namespace mv

TIdMessageDecoderUUE::TIdMessageDecoderUUE(TIdMessage &owner, const std::string &filename)
    : TIdMessageDecoder(owner) {
  Filename = filename;
  PartKind = pkAttachment;
}

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderUUE::ReadPartBody(TIdStream &destination, bool &ended) {
  ended = false;
  // Lines are read as they came off the connection: a server dot-stuffs a
  // UUE line that begins with '.', and the message's end line ends the block.
  auto nextLine = [&](std::string &line) {
    line = ReadLine();
    if (line == ".") {
      ended = true;
      return false;
    }
    if (line.size() > 1 && line[0] == '.' && line[1] == '.')
      line.erase(0, 1);
    return true;
  };
  auto isEnd = [](const std::string &line) { return SameAscii(Trim(line), "end"); };

  std::string line;
  // Blank lines before the first data line choose nothing; an "end" there is
  // an empty file.
  do {
    if (!nextLine(line))
      return nullptr;
  } while (Trim(line).empty());
  if (isEnd(line))
    return nullptr;

  std::unique_ptr<TIdDecoder> decoder;
  switch (mv::DetectUUScheme(line)) {
  case mv::UUScheme::UUE:
    decoder = std::make_unique<TIdDecoderUUE>();
    break;
  case mv::UUScheme::XXE:
    decoder = std::make_unique<TIdDecoderXXE>();
    break;
  case mv::UUScheme::None:
    throw EIdException("Unrecognized UUE encoding scheme.");
  }
  for (;;) {
    if (!Trim(line).empty() && line != "~")
      decoder->DecodeToStream(line, destination);
    if (!nextLine(line) || isEnd(line))
      break;
  }
  return nullptr;
}

std::unique_ptr<TIdMessageDecoder> TIdMessageDecoderInfoUUE::TryStart(TIdMessage &message,
                                                                      const std::string &line) const {
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
  return std::make_unique<TIdMessageDecoderUUE>(message, line.substr(10));
}
