// Code-page conversions, whole-number parsing and wildcard matching on
// arbitrary bytes: no crash, no overrun, and the properties that must hold.
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Numbers.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  // Every Windows-1251 text survives a trip through UTF-8.
  if (mv::Utf8ToWin1251(mv::Win1251ToUtf8(input)) != input)
    std::abort();
  mv::Utf8ToWin1251(input);
  mv::Cp866ToWin1251(input);
  if (mv::CompareText1251(input, mv::UpperCase1251(input)) != 0)
    std::abort();
  mv::ParseInt(input);
  // First half the text, second half the mask.
  const std::size_t half = size / 2;
  const std::string text = input.substr(0, half), mask = input.substr(half);
  MatchMask(text, mask);
  if (!text.empty() && !MatchMask(text, text.find_first_of("*?") == std::string::npos ? text : "*"))
    std::abort();
  return 0;
}
