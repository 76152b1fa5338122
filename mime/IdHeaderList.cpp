#include "mime/IdHeaderList.h"

#include "mime/IdMessageStrings.h"

using namespace mv::msg;

namespace {
bool IsBreakChar(char c) {
  return c == ' ' || c == '\t' || c == ',';
}

// The cutting of one line of text into pieces joined by CR LF space: a piece
// ends at a break character once the column passes the limit, never inside
// double quotes.
std::string CutAtBreaks(const std::string &s, int maxCol) {
  const std::string breakString = "\r\n ";
  const int len = static_cast<int>(s.size());
  std::string result;
  int col = 1, pos = 1, lineStart = 1, breakPos = 0;
  bool inQuote = false;
  auto at = [&](int p) { return s[p - 1]; };
  while (pos <= len) {
    const char ch = at(pos);
    if (ch == '"')
      inQuote = !inQuote;
    else if (!inQuote && IsBreakChar(ch))
      breakPos = pos;
    ++pos;
    ++col;
    if (!inQuote && col > maxCol && breakPos > lineStart) {
      result.append(s, lineStart - 1, breakPos - lineStart + 1);
      col = pos - breakPos;
      if (ch != '"')
        while (pos <= len && (IsBreakChar(at(pos)) || at(pos) == '\r' || at(pos) == '\n'))
          ++pos;
      if (pos < len)
        result += breakString;
      lineStart = breakPos + 1;
    }
  }
  if (lineStart <= len)
    result.append(s, lineStart - 1, std::string::npos);
  return result;
}

std::vector<std::string> SplitAtCrLf(const std::string &text) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    size_t p = text.find("\r\n", start);
    if (p == std::string::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, p - start));
    start = p + 2;
  }
}

// Splits a value at any line break (CR LF, CR or LF).
std::vector<std::string> SplitAtLineBreaks(const std::string &text) {
  std::vector<std::string> segments(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
      segments.emplace_back();
    } else {
      segments.back() += text[i];
    }
  }
  return segments;
}

void AppendFolded(const std::string &text, int foldLength, std::vector<std::string> &out) {
  for (const std::string &piece : SplitAtCrLf(CutAtBreaks(text, foldLength))) {
    std::string line = TrimRight(piece);
    // A blank line would end the header block; an empty piece holds nothing.
    if (line.empty() && !out.empty())
      continue;
    out.push_back(line);
  }
}
} // namespace

namespace mv {
bool IsContinuationLine(const std::string &line) {
  return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

std::vector<std::string> FoldHeaderLine(const std::string &text, int foldLength) {
  // Header-word encoders separate their runs by CR LF tab: each such segment
  // is folded on its own and stays a continuation line of the same header.
  std::vector<std::string> out;
  const std::vector<std::string> segments = SplitAtLineBreaks(text);
  for (size_t i = 0; i < segments.size(); ++i) {
    std::string segment = segments[i];
    if (i > 0) {
      if (Trim(segment).empty())
        continue;
      if (!IsContinuationLine(segment))
        segment.insert(0, " ");
    }
    AppendFolded(segment, foldLength, out);
  }
  return out;
}
} // namespace mv

void TIdHeaderList::AddStrings(const TIdHeaderList &other) {
  FLines.insert(FLines.end(), other.FLines.begin(), other.FLines.end());
}

std::string TIdHeaderList::NameFromLine(int index) const {
  if (index < 0 || index >= Count())
    return {};
  const std::string &line = FLines[index];
  size_t colon = line.find(':');
  if (colon == std::string::npos)
    return {};
  return UpperAscii(std::string_view(line).substr(0, colon));
}

int TIdHeaderList::FindHeader(const std::string &name) const {
  const std::string wanted = UpperAscii(name);
  for (int i = 0; i < Count(); ++i)
    if (NameFromLine(i) == wanted)
      return i;
  return -1;
}

std::string TIdHeaderList::ValueFromLine(int index) const {
  if (index < 0 || index >= Count())
    return {};
  const std::string &line = FLines[index];
  size_t colon = line.find(':');
  // Joining each piece trimmed, one blank between non-empty pieces, is what
  // trimming the whole value again at every continuation line comes to; the
  // value is built once, so a header of many thousand lines reads in time
  // proportional to its length.
  std::string value =
      colon == std::string::npos ? std::string() : Trim(std::string_view(line).substr(colon + 1));
  for (int next = index + 1; next < Count() && mv::IsContinuationLine(FLines[next]); ++next) {
    const std::string piece = Trim(FLines[next]);
    if (piece.empty())
      continue;
    if (!value.empty())
      value += ' ';
    value += piece;
  }
  return value;
}

void TIdHeaderList::DeleteContinuationsAfter(int index) {
  auto first = FLines.begin() + index + 1;
  auto last = first;
  while (last != FLines.end() && mv::IsContinuationLine(*last))
    ++last;
  FLines.erase(first, last);
}

void TIdHeaderList::SetValue(const std::string &name, const std::string &value) {
  int index = FindHeader(name);
  if (value.empty()) {
    if (index >= 0) {
      DeleteContinuationsAfter(index);
      FLines.erase(FLines.begin() + index);
    }
    return;
  }
  if (index < 0) {
    FLines.emplace_back();
    index = Count() - 1;
  }
  DeleteContinuationsAfter(index);
  std::vector<std::string> pieces = mv::FoldHeaderLine(name + NameSeparator + value);
  FLines[index] = pieces.front();
  FLines.insert(FLines.begin() + index + 1, pieces.begin() + 1, pieces.end());
}

void TIdHeaderList::AddPlainValues(const std::vector<std::string> &entries) {
  for (const std::string &entry : entries) {
    size_t eq = entry.find('=');
    if (eq == std::string::npos)
      FLines.push_back(entry);
    else
      FLines.push_back(entry.substr(0, eq) + NameSeparator + entry.substr(eq + 1));
  }
}
