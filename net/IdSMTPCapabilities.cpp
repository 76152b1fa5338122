#include "net/IdSMTPCapabilities.h"

#include "platform/CodePage.h"

#include <algorithm>
#include <sstream>

namespace {
// The keyword of an EHLO line: up to the first blank or '='.
std::string Keyword(const std::string &line) {
  return line.substr(0, line.find_first_of(" ="));
}
} // namespace

TIdEhloCapabilities ParseEhloCapabilities(const std::vector<std::string> &lines) {
  TIdEhloCapabilities capabilities;
  for (const std::string &entry : lines) {
    const std::string line = mv::UpperCase1251(entry);
    const std::string keyword = Keyword(line);
    if (keyword == "STARTTLS") {
      capabilities.StartTLS = true;
      continue;
    }
    if (keyword != "AUTH" || line.size() == keyword.size())
      continue;
    std::string rest = line.substr(4);
    std::replace(rest.begin(), rest.end(), '=', ' ');
    std::istringstream words(rest);
    std::string word;
    while (words >> word)
      if (std::find(capabilities.AuthSchemes.begin(), capabilities.AuthSchemes.end(), word) ==
          capabilities.AuthSchemes.end())
        capabilities.AuthSchemes.push_back(word);
  }
  return capabilities;
}
