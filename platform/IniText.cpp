#include "platform/IniText.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Numbers.h"

#include <optional>
#include <utility>

namespace mv {
namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin]))
    ++begin;
  while (end > begin && IsBlank(text[end - 1]))
    --end;
  return text.substr(begin, end - begin);
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string> SectionName(std::string_view line) {
  const std::string_view text = Trim(line);
  if (text.empty() || text.front() != '[')
    return std::nullopt;
  const std::size_t close = text.find(']');
  return std::string(Trim(text.substr(1, close == std::string_view::npos ? close : close - 1)));
}

struct KeyLine {
  std::string name;
  std::string value;
};

// "name = value" lines; comments (';') and lines without a name are not keys.
std::optional<KeyLine> ParseKey(std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos)
    return std::nullopt;
  const std::string_view name = Trim(line.substr(0, eq));
  if (name.empty() || name.front() == ';' || name.front() == '[')
    return std::nullopt;
  return KeyLine{std::string(name), std::string(Trim(line.substr(eq + 1)))};
}
} // namespace

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

void RefuseLineBreak(std::string_view text) {
  if (HasLineBreak(text))
    throw EIniFileException(kLineBreakRefused);
}

IniText::IniText(std::string_view fileText) {
  while (!fileText.empty()) {
    const std::size_t end = fileText.find('\n');
    std::string_view line = fileText.substr(0, end);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    AppendLine(std::string(line));
    fileText.remove_prefix(end == std::string_view::npos ? fileText.size() : end + 1);
  }
}

void IniText::AppendLine(std::string text) {
  if (auto name = SectionName(text)) {
    firstSection_.emplace(UpperCase1251(*name), sections_.size());
    sections_.emplace_back().lines.push_back(Line{std::move(text), {}, {}});
    return;
  }
  Section &section = sections_.back();
  Line line{std::move(text), {}, {}};
  if (auto entry = ParseKey(line.text)) {
    section.keys.emplace(UpperCase1251(entry->name), section.lines.size());
    line.key = std::move(entry->name);
    line.value = std::move(entry->value);
  }
  section.lines.push_back(std::move(line));
}

void IniText::IndexSections() {
  firstSection_.clear();
  for (std::size_t i = 1; i < sections_.size(); ++i)
    firstSection_.emplace(UpperCase1251(*SectionName(sections_[i].lines.front().text)), i);
}

std::string IniText::ToFileText() const {
  std::string text;
  for (const Section &section : sections_)
    for (const Line &line : section.lines)
      text.append(line.text).append("\r\n");
  return text;
}

const IniText::Section *IniText::FindSection(const std::string &section) const {
  const auto found = firstSection_.find(UpperCase1251(section));
  return found == firstSection_.end() ? nullptr : &sections_[found->second];
}

IniText::Section *IniText::FindSection(const std::string &section) {
  return const_cast<Section *>(std::as_const(*this).FindSection(section));
}

const IniText::Line *IniText::FindKey(const std::string &section, const std::string &key) const {
  const Section *found = FindSection(section);
  if (!found)
    return nullptr;
  const auto line = found->keys.find(UpperCase1251(key));
  return line == found->keys.end() ? nullptr : &found->lines[line->second];
}

std::string IniText::ReadString(const std::string &section, const std::string &key,
                                const std::string &def) const {
  const Line *line = FindKey(section, key);
  return line ? line->value.substr(0, kMaxValueLength) : def;
}

int IniText::ReadInteger(const std::string &section, const std::string &key, int def) const {
  return StrToIntDef(ReadString(section, key, ""), def);
}

int IniText::ReadStrictInteger(const std::string &section, const std::string &key,
                               const std::string &defText) const {
  return StrToInt(ReadString(section, key, defText));
}

bool IniText::ReadBool(const std::string &section, const std::string &key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> IniText::ReadSection(const std::string &section) const {
  std::vector<std::string> keys;
  if (const Section *found = FindSection(section))
    for (const Line &line : found->lines)
      if (!line.key.empty())
        keys.push_back(line.key);
  return keys;
}

bool IniText::SectionExists(const std::string &section) const {
  const Section *found = FindSection(section);
  return found && !found->keys.empty();
}

void IniText::WriteString(const std::string &section, const std::string &key, const std::string &value) {
  for (const std::string *text : {&section, &key, &value})
    RefuseLineBreak(*text);
  changed_ = true;
  const std::string entry = key + "=" + value;
  Section *target = FindSection(section);
  if (!target) {
    AppendLine("[" + section + "]");
    AppendLine(entry);
    return;
  }
  std::optional<KeyLine> parsed = ParseKey(entry);
  Line line{entry, parsed ? parsed->name : std::string(), parsed ? parsed->value : std::string()};
  if (const auto found = target->keys.find(UpperCase1251(key)); found != target->keys.end()) {
    target->lines[found->second] = std::move(line);
    return;
  }
  // A new key goes after the section's last line that is not blank; only
  // blank lines move, so the indexed key positions stay valid.
  std::size_t at = target->lines.size();
  while (at > 1 && Trim(target->lines[at - 1].text).empty())
    --at;
  if (!line.key.empty())
    target->keys.emplace(UpperCase1251(line.key), at);
  target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void IniText::WriteInteger(const std::string &section, const std::string &key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniText::WriteBool(const std::string &section, const std::string &key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniText::EraseSection(const std::string &section) {
  const std::string folded = UpperCase1251(section);
  bool erased = false;
  for (std::size_t i = sections_.size(); i-- > 1;)
    if (UpperCase1251(*SectionName(sections_[i].lines.front().text)) == folded) {
      sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(i));
      erased = true;
    }
  if (erased) {
    changed_ = true;
    IndexSections();
  }
}
} // namespace mv
