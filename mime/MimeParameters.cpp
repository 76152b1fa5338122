#include "mime/MimeParameters.h"

#include "mime/HeaderText.h"
#include "mime/IdChars.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace mv {
namespace {
using idtext::HexDigitValue;

// RFC 2231 section numbers beyond this are no real file name: ignoring them
// keeps a hostile header from buying a huge table.
constexpr unsigned kMaxSection = 999;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back()))
    text.remove_suffix(1);
  return text;
}

// A cursor over the text after the type: parameter = name "=" value, with
// blanks allowed around each, separated by ';'.
class ParameterScanner {
public:
  explicit ParameterScanner(std::string_view text) : text_(text) {}

  bool Next(MimeParameter &out) {
    for (;;) {
      SkipBlanksAnd(';');
      if (pos_ >= text_.size())
        return false;
      const std::size_t nameStart = pos_;
      while (pos_ < text_.size() && text_[pos_] != '=' && text_[pos_] != ';')
        ++pos_;
      const std::string_view name = TrimBlanks(text_.substr(nameStart, pos_ - nameStart));
      if (pos_ >= text_.size() || text_[pos_] == ';' || name.empty()) {
        SkipValue();
        continue;
      }
      ++pos_; // '='
      SkipBlanks();
      out.name.clear();
      for (char c : name)
        out.name += LowerAscii(c);
      out.value = ReadValue();
      return true;
    }
  }

private:
  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_]))
      ++pos_;
  }
  void SkipBlanksAnd(char separator) {
    while (pos_ < text_.size() && (IsBlank(text_[pos_]) || text_[pos_] == separator))
      ++pos_;
  }
  void SkipValue() {
    if (pos_ < text_.size() && text_[pos_] == '=')
      ++pos_;
    SkipBlanks();
    ReadValue();
  }

  std::string ReadValue() {
    std::string value;
    if (pos_ < text_.size() && text_[pos_] == '"') {
      ++pos_;
      while (pos_ < text_.size() && text_[pos_] != '"') {
        // Only the quote and the backslash are taken as escaped: Windows
        // mailers write paths such as "C:\dir\a.doc" unescaped.
        if (text_[pos_] == '\\' && pos_ + 1 < text_.size() &&
            (text_[pos_ + 1] == '"' || text_[pos_ + 1] == '\\'))
          ++pos_;
        value += text_[pos_++];
      }
      if (pos_ < text_.size())
        ++pos_; // closing quote
      // Anything between the closing quote and the next ';' is no value.
      while (pos_ < text_.size() && text_[pos_] != ';')
        ++pos_;
      return value;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ';')
      ++pos_;
    return std::string(TrimBlanks(text_.substr(start, pos_ - start)));
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool SameName(std::string_view lowerName, std::string_view name) {
  if (lowerName.size() != name.size())
    return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (lowerName[i] != LowerAscii(name[i]))
      return false;
  return true;
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
        HexDigitValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

struct ExtendedValue {
  std::string charset;
  std::string bytes;
};

// charset'language'percent-encoded; a value without the two quotes is taken
// as percent-encoded text without a charset.
ExtendedValue SplitExtended(std::string_view value) {
  const std::size_t first = value.find('\'');
  const std::size_t second = first == std::string_view::npos ? first : value.find('\'', first + 1);
  if (second == std::string_view::npos)
    return {{}, PercentDecoded(value)};
  return {std::string(value.substr(0, first)), PercentDecoded(value.substr(second + 1))};
}

std::string ToWin1251(const ExtendedValue &value, char unmappable) {
  if (value.charset.empty())
    return DecodeHeaderText(value.bytes, unmappable);
  if (IsKnownCharset(value.charset) || IsMultiByteUtf8(value.bytes))
    return BytesToWin1251(value.bytes, value.charset, unmappable);
  // A charset this program does not know: its 8-bit bytes would only pass
  // for unrelated Cyrillic letters.
  std::string out = value.bytes;
  for (char &c : out)
    if (static_cast<unsigned char>(c) >= 0x80)
      c = unmappable;
  return out;
}

// The section number and encoded flag of "name*N" or "name*N*"; false for
// other names.
bool ParseSection(std::string_view parameterName, std::string_view name, unsigned &number, bool &encoded) {
  if (parameterName.size() < name.size() + 2 || !SameName(parameterName.substr(0, name.size()), name) ||
      parameterName[name.size()] != '*')
    return false;
  std::string_view rest = parameterName.substr(name.size() + 1);
  encoded = !rest.empty() && rest.back() == '*';
  if (encoded)
    rest.remove_suffix(1);
  if (rest.empty() || rest.size() > 3)
    return false;
  number = 0;
  for (char c : rest) {
    if (c < '0' || c > '9')
      return false;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  return number <= kMaxSection;
}
} // namespace

MimeHeaderValue ParseMimeHeaderValue(std::string_view value) {
  MimeHeaderValue result;
  const std::size_t semicolon = value.find(';');
  result.type = std::string(TrimBlanks(value.substr(0, semicolon)));
  if (semicolon == std::string_view::npos)
    return result;
  ParameterScanner scanner(value.substr(semicolon + 1));
  MimeParameter parameter;
  while (scanner.Next(parameter))
    result.parameters.push_back(parameter);
  return result;
}

std::string MimeParameterValue(std::string_view headerValue, std::string_view name) {
  for (const MimeParameter &p : ParseMimeHeaderValue(headerValue).parameters)
    if (SameName(p.name, name))
      return p.value;
  return {};
}

std::string DecodedMimeParameter(const MimeHeaderValue &header, std::string_view name, char unmappable) {
  const MimeParameter *plain = nullptr;
  std::map<unsigned, const MimeParameter *> sections; // first of each number wins
  std::map<unsigned, bool> encodedSections;
  const std::string extendedName = std::string(name) + "*";
  for (const MimeParameter &p : header.parameters) {
    if (SameName(p.name, extendedName))
      return ToWin1251(SplitExtended(p.value), unmappable);
    unsigned number = 0;
    bool encoded = false;
    if (ParseSection(p.name, name, number, encoded)) {
      if (sections.emplace(number, &p).second)
        encodedSections[number] = encoded;
    } else if (plain == nullptr && SameName(p.name, name)) {
      plain = &p;
    }
  }
  if (sections.empty())
    return plain == nullptr ? std::string() : DecodeHeaderText(plain->value, unmappable);

  // The charset is only in section 0; encoded sections are bytes in it,
  // plain sections are ASCII text.
  ExtendedValue joined;
  for (const auto &[number, parameter] : sections) {
    if (!encodedSections[number]) {
      joined.bytes += parameter->value;
    } else if (number == 0) {
      joined = SplitExtended(parameter->value);
    } else {
      joined.bytes += PercentDecoded(parameter->value);
    }
  }
  return ToWin1251(joined, unmappable);
}

std::string DecodedMimeParameter(std::string_view headerValue, std::string_view name, char unmappable) {
  return DecodedMimeParameter(ParseMimeHeaderValue(headerValue), name, unmappable);
}
} // namespace mv
