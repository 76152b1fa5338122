#pragma once
// A list of header lines with header semantics: names compare without regard
// to case, values are read with their continuation lines joined, and values
// are written folded at column 78. One entry per physical line.
#include <string>
#include <vector>

class TIdHeaderList {
public:
  static constexpr const char *NameSeparator = ": ";
  static constexpr int FoldLength = 78;

  int Count() const { return static_cast<int>(FLines.size()); }
  bool Empty() const { return FLines.empty(); }
  const std::string &operator[](int index) const { return FLines[index]; }
  std::string &operator[](int index) { return FLines[index]; }
  const std::vector<std::string> &Lines() const { return FLines; }
  std::vector<std::string> &Lines() { return FLines; }
  void Add(const std::string &line) { FLines.push_back(line); }
  void AddStrings(const TIdHeaderList &other);
  void Clear() { FLines.clear(); }

  // Index of the first line whose name equals `name` (any letter case), or -1.
  int FindHeader(const std::string &name) const;
  // The upper-cased text before the first ':' (empty without one), not trimmed.
  std::string NameFromLine(int index) const;
  // The value of line `index` with its continuation lines joined by one space.
  std::string ValueFromLine(int index) const;
  std::string ValueOf(const std::string &name) const { return ValueFromLine(FindHeader(name)); }
  // Replaces the header in place (folded), appends it when absent, and removes
  // it (with its continuation lines) when `value` is empty.
  void SetValue(const std::string &name, const std::string &value);
  // Appends "name=value" entries as "name: value".
  void AddPlainValues(const std::vector<std::string> &entries);

private:
  void DeleteContinuationsAfter(int index);
  std::vector<std::string> FLines;
};

namespace mv {
// Cuts "name: value" into header lines no longer than the fold length where
// breaks allow; every line after the first begins with a blank.
std::vector<std::string> FoldHeaderLine(const std::string &text, int foldLength = TIdHeaderList::FoldLength);
bool IsContinuationLine(const std::string &line);
} // namespace mv
