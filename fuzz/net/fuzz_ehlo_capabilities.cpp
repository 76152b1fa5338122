// Reads arbitrary lines as an EHLO reply; every mechanism found must be one
// non-empty upper-case word, listed once.
#include "net/IdSMTPCapabilities.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n')
      lines.emplace_back();
    else
      lines.back() += static_cast<char>(data[i]);
  }
  const TIdEhloCapabilities found = ParseEhloCapabilities(lines);
  for (std::size_t i = 0; i < found.AuthSchemes.size(); ++i) {
    const std::string &word = found.AuthSchemes[i];
    if (word.empty() || word.find_first_of(" \t\r\n\v\f=") != std::string::npos ||
        std::any_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; }) ||
        std::count(found.AuthSchemes.begin(), found.AuthSchemes.end(), word) != 1)
      __builtin_trap();
  }
  return 0;
}
