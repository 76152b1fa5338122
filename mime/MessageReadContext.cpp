#include "mime/MessageReadContext.h"

#include "mime/IdException.h"
#include "mime/IdMessageStrings.h"
#include "net/DotStuffing.h"
#include "net/IdTCPConnection.h"

#include <cstring>

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
  if (FEnded)
    return {};
  const TIdManagedBuffer &input = FConnection.InputBuffer();
  const char *const begin = input.Data();
  const char *const end = begin + input.Size();
  const std::size_t limit =
      FConnection.MaxLineLength > 0 ? static_cast<std::size_t>(FConnection.MaxLineLength) : std::string::npos;
  const bool boundariesOpen = Boundaries.Count() > 0;
  const char *p = begin;
  while (p < end) {
    const char first = *p;
    if (first == '.' || (first == '-' && boundariesOpen) || startBytes.find(first) != std::string_view::npos)
      break;
    const auto *lf = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    if (!lf || lf == p || lf[-1] != '\r' || static_cast<std::size_t>(lf - p) > limit ||
        std::string_view(p, static_cast<std::size_t>(lf - 1 - p)) == FEndLine)
      break;
    p = lf + 1;
  }
  if (p == begin)
    return {};
  return FConnection.ConsumeBuffered(static_cast<std::size_t>(p - begin));
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
