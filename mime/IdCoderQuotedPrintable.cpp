#include "mime/IdCoderQuotedPrintable.h"
#include "mime/IdChars.h"

#include <vector>

namespace {
using mv::idtext::HexDigitValue;
// A line is broken (with a soft "=") once more than this many characters
// have been added since its start, so no line exceeds 76 with its "=".
constexpr int MaxColumn = 71;

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

void AddEscape(std::string &line, unsigned char byte) {
  static const char Hex[] = "0123456789ABCDEF";
  line += '=';
  line += Hex[byte >> 4];
  line += Hex[byte & 15];
}

} // namespace

std::string TIdEncoderQuotedPrintable::Encode(TIdStream &source, std::int64_t byteCount) {
  const std::string bytes = source.ReadString(byteCount);
  std::vector<std::string> lines;
  std::string current;
  int column = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    const auto byte = static_cast<unsigned char>(c);
    const std::size_t before = current.size();
    if (c == ' ' || c == '\t') {
      // A blank before a line break, or at the very end of the input, would
      // be stripped as trailing white space by the reader: escape it.
      if (i + 1 == bytes.size() || IsLineBreak(bytes[i + 1]))
        AddEscape(current, byte);
      else
        current += c;
    } else if (c == '.') {
      // A dot that begins a line could end the data of a mail transfer.
      if (column == 0)
        AddEscape(current, byte);
      else
        current += c;
    } else if (c == '=') {
      AddEscape(current, byte);
    } else if (byte >= 0x21 && byte <= 0x7E) {
      current += c;
    } else if (IsLineBreak(c)) {
      current += c;
    } else {
      AddEscape(current, byte);
    }
    column = IsLineBreak(c) ? 0 : column + static_cast<int>(current.size() - before);
    if (column > MaxColumn) {
      current += '=';
      lines.push_back(std::move(current));
      current.clear();
      column = 0;
    }
  }
  if (!current.empty())
    lines.push_back(std::move(current));

  std::string text;
  for (const std::string &line : lines)
    text += line + "\r\n";
  if (text.size() > 2)
    text.resize(text.size() - 2);
  return text;
}

void TIdDecoderQuotedPrintable::DecodeToStream(std::string_view text, TIdStream &destination) {
  // Trailing blanks are padding added in transit; the line break stays.
  std::size_t end = text.size();
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || IsLineBreak(text[end - 1])))
    --end;
  std::string line(text.substr(0, end));
  for (std::size_t i = end; i < text.size(); ++i)
    if (IsLineBreak(text[i]))
      line += text[i];

  std::string output;
  std::size_t pos = 0;
  const auto dropLineBreaks = [&] {
    for (int k = 0; k < 2 && pos < line.size() && IsLineBreak(line[pos]); ++k)
      ++pos;
  };
  while (pos < line.size()) {
    const std::size_t equals = line.find('=', pos);
    if (equals == std::string::npos) {
      output.append(line, pos);
      break;
    }
    output.append(line, pos, equals - pos);
    pos = equals + 1;
    if (pos >= line.size())
      break;
    int value = 0;
    int digits = 0;
    while (digits < 2 && pos < line.size() && HexDigitValue(line[pos]) >= 0) {
      value = value * 16 + HexDigitValue(line[pos]);
      ++pos;
      ++digits;
    }
    if (digits == 0) { // a soft line break
      dropLineBreaks();
      continue;
    }
    if (value == ' ' && pos < line.size() && IsLineBreak(line[pos])) {
      output += " \r\n";
      dropLineBreaks();
      continue;
    }
    output += static_cast<char>(value);
  }
  if (!output.empty())
    destination.WriteString(output);
}
