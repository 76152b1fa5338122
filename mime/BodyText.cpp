#include "mime/BodyText.h"

#include "mime/IdMessageStrings.h"
#include "mime/MimeParameters.h"
#include "platform/CodePage.h"

namespace mv {
namespace {
// A <meta> tag stands in the head of a document; looking further would
// only find charsets quoted in the text.
constexpr std::size_t kMetaSearchLimit = 8192;

bool IsCharsetChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
}

std::string MetaCharset(const TIdLines &lines) {
  std::string head;
  for (std::string_view line : lines) {
    if (head.size() >= kMetaSearchLimit)
      break;
    head += msg::LowerAscii(line);
    head += ' ';
  }
  for (std::size_t meta = head.find("<meta"); meta != std::string::npos;
       meta = head.find("<meta", meta + 5)) {
    const std::size_t close = head.find('>', meta);
    const std::string_view tag =
        std::string_view(head).substr(meta, close == std::string::npos ? std::string::npos : close - meta);
    const std::size_t key = tag.find("charset");
    if (key == std::string_view::npos)
      continue;
    std::size_t i = key + 7;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t'))
      ++i;
    if (i >= tag.size() || tag[i] != '=')
      continue;
    ++i;
    while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '"' || tag[i] == '\''))
      ++i;
    const std::size_t start = i;
    while (i < tag.size() && IsCharsetChar(tag[i]))
      ++i;
    if (i > start)
      return std::string(tag.substr(start, i - start));
  }
  return {};
}
} // namespace

std::string BodyCharset(const TIdLines &lines, const std::string &contentType) {
  const MimeHeaderValue header = ParseMimeHeaderValue(contentType);
  for (const MimeParameter &p : header.parameters)
    if (p.name == "charset" && !p.value.empty())
      return p.value;
  if (msg::SameAscii(header.type, "text/html"))
    return MetaCharset(lines);
  return {};
}

std::vector<std::string> BodyLinesAsUtf8(const TIdLines &lines, const std::string &contentType) {
  std::string charset = BodyCharset(lines, contentType);
  const std::string canonical = CanonicalCharsetName(charset);
  if (canonical.empty() || canonical == "US-ASCII")
    charset = "windows-1251";
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (std::string_view line : lines)
    out.push_back(*CharsetToUtf8(line, charset));
  return out;
}

std::string BodyTextAsUtf8(const TIdLines &lines, const std::string &contentType) {
  std::string text;
  bool first = true;
  for (const std::string &line : BodyLinesAsUtf8(lines, contentType)) {
    if (!first)
      text += '\n';
    text += line;
    first = false;
  }
  return text;
}
} // namespace mv
