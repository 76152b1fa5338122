#include "net/IdRFCReply.h"

#include "mime/IdTrim.h"
#include "platform/CodePage.h"
#include "platform/Numbers.h"

namespace {
// The text from the fifth character on (after a three-character code and its separator).
std::string AfterCode(const std::string &line) {
  return line.size() > 4 ? line.substr(4) : std::string();
}
} // namespace

void TIdRFCReply::SetNumericCode(int code) {
  FNumericCode = code;
  if (code > 0)
    FTextCode = std::to_string(code);
}

void TIdRFCReply::SetTextCode(const std::string &code) {
  FTextCode = code;
  if (!code.empty())
    FNumericCode = mv::StrToIntDef(code, 0);
}

void TIdRFCReply::Clear() {
  FNumericCode = 0;
  FTextCode.clear();
  Text.clear();
}

void TIdRFCReply::ParseLines(const std::vector<std::string> &lines) {
  Clear();
  if (lines.empty())
    return;
  const std::string &first = lines.front();
  std::string code = mv::idtext::Trim(first.substr(0, 4));
  if (code.size() == 4 && code[3] == '-')
    code.resize(3);
  SetTextCode(code);
  Text.push_back(AfterCode(first));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string &line = lines[i];
    if (mv::SameText1251(line.substr(0, 3), code))
      Text.push_back(AfterCode(line));
    else
      Text.push_back(mv::idtext::TrimLeft(line));
  }
}
