#pragma once
// The text of one INI file in memory, with the reading and editing rules of
// IniFile.h. Sections and keys are indexed, so reading or writing one key
// does not scan the file: routing reads three keys per rule, and saving the
// rules writes three per rule.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mv {
// Values are stored verbatim, so a CR or LF in a key, section or value would
// end its line and start a forged key or section: such writes are refused
// with EIniFileException(kLineBreakRefused) before anything is stored.
inline constexpr const char *kLineBreakRefused = "A setting cannot hold a line break";

bool HasLineBreak(std::string_view text);
// Raises EIniFileException(kLineBreakRefused) when text holds CR or LF; for
// the windows where settings are typed, so the refusal comes where the text
// was entered.
void RefuseLineBreak(std::string_view text);

class IniText {
public:
  static constexpr std::size_t kMaxValueLength = 2047;

  IniText() = default;
  explicit IniText(std::string_view fileText);
  // The file text as a write stores it (CRLF lines).
  std::string ToFileText() const;

  std::string ReadString(const std::string &section, const std::string &key, const std::string &def) const;
  int ReadInteger(const std::string &section, const std::string &key, int def) const;
  int ReadStrictInteger(const std::string &section, const std::string &key, const std::string &defText) const;
  bool ReadBool(const std::string &section, const std::string &key, bool def) const;
  bool SectionExists(const std::string &section) const;
  std::vector<std::string> ReadSection(const std::string &section) const;

  void WriteString(const std::string &section, const std::string &key, const std::string &value);
  void WriteInteger(const std::string &section, const std::string &key, int value);
  void WriteBool(const std::string &section, const std::string &key, bool value);
  // Removes every section of that name with all its lines.
  void EraseSection(const std::string &section);

  // True once an edit has changed the text (an erasure of nothing has not).
  bool Changed() const { return changed_; }

private:
  struct Line {
    std::string text;
    std::string key; // the key's name as written; empty for any other line
    std::string value;
  };
  // The lines from one header to the next; the first section holds the lines
  // before any header and has none.
  struct Section {
    std::vector<Line> lines;
    std::unordered_map<std::string, std::size_t> keys; // folded name -> its first line
  };

  const Line *FindKey(const std::string &section, const std::string &key) const;
  Section *FindSection(const std::string &section);
  const Section *FindSection(const std::string &section) const;
  void AppendLine(std::string text);
  void IndexSections();

  std::vector<Section> sections_{1};
  std::unordered_map<std::string, std::size_t> firstSection_; // folded name -> first section of it
  bool changed_ = false;
};
} // namespace mv
