#include "platform/IniFile.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Numbers.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace mv {
namespace {
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string Trim(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin]))
    ++begin;
  while (end > begin && IsBlank(text[end - 1]))
    --end;
  return std::string(text.substr(begin, end - begin));
}

// The section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string> SectionName(const std::string &line) {
  const std::string text = Trim(line);
  if (text.empty() || text.front() != '[')
    return std::nullopt;
  const std::size_t close = text.find(']');
  return Trim(std::string_view(text).substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

struct KeyLine {
  std::string name;
  std::string value;
};

// "name = value" lines; comments (';') and lines without a name are not keys.
std::optional<KeyLine> ParseKey(const std::string &line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string::npos)
    return std::nullopt;
  std::string name = Trim(std::string_view(line).substr(0, eq));
  if (name.empty() || name.front() == ';' || name.front() == '[')
    return std::nullopt;
  return KeyLine{std::move(name), Trim(std::string_view(line).substr(eq + 1))};
}

// Index of the first header line of the section, or npos.
std::size_t FindSection(const std::vector<std::string> &lines, const std::string &section) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (auto name = SectionName(lines[i]); name && SameText1251(*name, section))
      return i;
  return std::string::npos;
}

// One past the last line of the section whose header is at index header.
std::size_t SectionEnd(const std::vector<std::string> &lines, std::size_t header) {
  std::size_t i = header + 1;
  while (i < lines.size() && !SectionName(lines[i]))
    ++i;
  return i;
}

// The process umask, read without changing it (umask() itself would, for a
// moment, for every thread).
int ProcessUmask() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<int>(std::strtol(line.c_str() + 6, nullptr, 8));
  return 022;
}
} // namespace

IniFile::IniFile(std::string path, int createMode) : path_(std::move(path)), createMode_(createMode) {}

std::vector<std::string> IniFile::ReadLines() const {
  std::vector<std::string> lines;
  std::ifstream in(ToDiskPath(path_), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

void IniFile::WriteLines(const std::vector<std::string> &lines) const {
  const auto fail = [this]() { throw EIniFileException("Unable to write to " + path_); };
  std::string target = ToDiskPath(path_);
  // Replace the file a symbolic link names, not the link itself.
  if (char resolved[PATH_MAX]; realpath(target.c_str(), resolved))
    target = resolved;

  struct stat st {};
  const bool exists = stat(target.c_str(), &st) == 0;
  // A file without any write permission is read-only, also for root.
  if (exists && (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || access(target.c_str(), W_OK) != 0))
    fail();
  const int mode = exists ? static_cast<int>(st.st_mode & 07777)
                          : (createMode_ >= 0 ? createMode_ : 0666 & ~ProcessUmask());

  std::string text;
  for (const std::string &line : lines)
    text += line + "\r\n";

  std::string temp = target + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0)
    fail();
  bool ok = fchmod(fd, static_cast<mode_t>(mode)) == 0;
  for (std::size_t done = 0; ok && done < text.size();) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    ok = n > 0;
    if (ok)
      done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), target.c_str()) != 0) {
    unlink(temp.c_str());
    fail();
  }
}

std::string IniFile::ReadString(const std::string &section, const std::string &key,
                                const std::string &def) const {
  const std::vector<std::string> lines = ReadLines();
  const std::size_t header = FindSection(lines, section);
  if (header == std::string::npos)
    return def;
  const std::size_t end = SectionEnd(lines, header);
  for (std::size_t i = header + 1; i < end; ++i)
    if (auto entry = ParseKey(lines[i]); entry && SameText1251(entry->name, key))
      return entry->value.substr(0, kMaxValueLength);
  return def;
}

int IniFile::ReadInteger(const std::string &section, const std::string &key, int def) const {
  return StrToIntDef(ReadString(section, key, ""), def);
}

int IniFile::ReadStrictInteger(const std::string &section, const std::string &key,
                               const std::string &defText) const {
  return StrToInt(ReadString(section, key, defText));
}

bool IniFile::ReadBool(const std::string &section, const std::string &key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string &section, const std::string &key, const std::string &value) {
  std::vector<std::string> lines = ReadLines();
  const std::string entry = key + "=" + value;
  const std::size_t header = FindSection(lines, section);
  if (header == std::string::npos) {
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
    WriteLines(lines);
    return;
  }
  const std::size_t end = SectionEnd(lines, header);
  std::size_t lastFilled = header;
  for (std::size_t i = header + 1; i < end; ++i) {
    if (auto found = ParseKey(lines[i]); found && SameText1251(found->name, key)) {
      lines[i] = entry;
      WriteLines(lines);
      return;
    }
    if (!Trim(lines[i]).empty())
      lastFilled = i;
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastFilled + 1), entry);
  WriteLines(lines);
}

void IniFile::WriteInteger(const std::string &section, const std::string &key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string &section, const std::string &key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(const std::string &section) {
  std::vector<std::string> lines = ReadLines();
  bool erased = false;
  for (std::size_t header; (header = FindSection(lines, section)) != std::string::npos;) {
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(lines, header)));
    erased = true;
  }
  if (erased)
    WriteLines(lines);
}

std::vector<std::string> IniFile::ReadSection(const std::string &section) const {
  std::vector<std::string> keys;
  const std::vector<std::string> lines = ReadLines();
  const std::size_t header = FindSection(lines, section);
  if (header == std::string::npos)
    return keys;
  const std::size_t end = SectionEnd(lines, header);
  for (std::size_t i = header + 1; i < end; ++i)
    if (auto entry = ParseKey(lines[i]))
      keys.push_back(entry->name);
  return keys;
}

bool IniFile::SectionExists(const std::string &section) const {
  return !ReadSection(section).empty();
}
} // namespace mv
