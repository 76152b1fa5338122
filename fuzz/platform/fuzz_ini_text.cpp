// The INI reader on arbitrary file text: no crash, no overrun, and the rules
// the settings rely on hold for whatever a hand edit left in the file.
#include "platform/Errors.h"
#include "platform/IniText.h"

#include <cstdlib>
#include <string>

namespace {
void Check(bool condition) {
  if (!condition)
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, std::size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  mv::IniText text(input);

  // What a write stores reads back as the same file.
  const std::string stored = text.ToFileText();
  Check(mv::IniText(stored).ToFileText() == stored);

  // Every key a section lists reads as something, within the length limit.
  for (const char *section : {"FilePath", "Count", "Interval", "Pop3", ""})
    for (const std::string &key : text.ReadSection(section)) {
      Check(text.ReadString(section, key, "\x01").size() <= mv::IniText::kMaxValueLength);
      text.ReadInteger(section, key, 0);
      text.ReadBool(section, key, false);
    }
  try {
    text.ReadStrictInteger("Count", "CNT", "");
  } catch (const EConvertError &) {
  }

  // A write of the tail of the input reads back trimmed, or is refused for a
  // line break without changing the text; an erasure removes the section.
  const std::string value = input.substr(size / 2);
  try {
    text.WriteString("Count", "CNT", value);
    Check(!mv::HasLineBreak(value));
    const std::string read = text.ReadString("count", "cnt", "\x01");
    Check(value.find(read) != std::string::npos && read.size() <= mv::IniText::kMaxValueLength);
    Check(mv::IniText(text.ToFileText()).ReadString("Count", "CNT", "\x01") == read);
  } catch (const EIniFileException &) {
    Check(mv::HasLineBreak(value) && text.ToFileText() == stored);
  }
  text.EraseSection("COUNT");
  Check(!text.SectionExists("count") && text.ReadSection("Count").empty());
  return 0;
}
