#include "mime/MessageReadContext.h"

#include "mime/IdException.h"
#include "mime/IdMessageStrings.h"
#include "mime/PlainLines.h"
#include "net/DotStuffing.h"
#include "net/IdTCPConnection.h"

using namespace mv::msg;

namespace mv {
MessageReadContext::MessageReadContext(TIdTCPConnection &connection, std::string endLine)
    : FConnection(connection), FEndLine(std::move(endLine)) {}

bool MessageReadContext::NextLine(std::string_view &line) {
  if (FEnded)
    return false;
  line = FConnection.ReadLineView();
  if (line == FEndLine) {
    FEnded = true;
    return false;
  }
  UnstuffDot(line);
  return true;
}

std::string_view MessageReadContext::NextPlainLines(std::string_view startBytes) {
  // An end line is told by its first byte; an empty one would be any empty line.
  if (FEnded || FEndLine.empty())
    return {};
  std::string stops(startBytes);
  stops += '.'; // a stuffed dot
  stops += FEndLine[0];
  if (Boundaries.Count() > 0)
    stops += '-';
  const TIdManagedBuffer &input = FConnection.InputBuffer();
  const std::size_t limit =
      FConnection.MaxLineLength > 0 ? static_cast<std::size_t>(FConnection.MaxLineLength) : std::string::npos;
  const std::size_t plain = PlainLinesPrefix(std::string_view(input.Data(), input.Size()), stops, limit);
  if (plain == 0)
    return {};
  return FConnection.ConsumeBuffered(plain);
}

bool MessageReadContext::PushBoundary(const std::string &boundary) {
  if (Boundaries.Count() >= kMaxNestedMultiparts)
    return false;
  Boundaries.Push(boundary);
  return true;
}

void MessageReadContext::CountPart() {
  if (++FParts > kMaxMessageParts)
    throw EIdException("Too many parts in message.");
}

int MatchBoundaryLine(const TIdMIMEBoundary &stack, std::string_view line, bool &closing) {
  closing = false;
  if (line.size() < 3 || line[0] != '-' || line[1] != '-')
    return -1;
  std::string_view rest = line.substr(2);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
    rest.remove_suffix(1);
  for (int i = stack.Count() - 1; i >= 0; --i) {
    const std::string &b = stack.At(i);
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
