#include "mime/IdEMailAddress.h"
#include "platform/CodePage.h"

#include "mime/IdTrim.h"

#include <cstring>
#include <string_view>

using mv::idtext::Trim;
using mv::idtext::TrimLeft;

namespace {
bool IsAtomChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         (c != '\0' && std::strchr("!#$%&'*+-/=?_{}|~`", c) != nullptr);
}

bool IsNameChar(char c) {
  return c == ' ' || IsAtomChar(c);
}

bool Contains(const std::string &text, const char *chars) {
  return text.find_first_of(chars) != std::string::npos;
}

// A backslash before every backslash and double quote.
std::string QuotePairs(const std::string &text) {
  std::string result;
  for (char c : text) {
    if (c == '\\' || c == '"')
      result += '\\';
    result += c;
  }
  return result;
}

// Only blanks and tabs, as the dotted parts of a bracketed address are trimmed.
std::string TrimBlanks(const std::string &text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos)
    return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsEmptyItemText(const TIdEMailAddressItem &item) {
  const std::string text = Trim(item.Text());
  return text.empty() || text == "<>";
}

// The scanner state of one address item text.
class ItemScanner {
public:
  // The text must outlive the scanner.
  ItemScanner(TIdEMailAddressItem &item, std::string_view text) : item_(item), rest_(text) {}

  void Run() {
    for (;;) {
      const std::size_t i = rest_.find_first_of(Interesting());
      if (i == std::string::npos)
        break;
      Handle(i);
    }
    if (inAddress_ && !bracketSeen_)
      item_.Address += Trim(rest_);
  }

private:
  const char *Interesting() const {
    if (depth_ > 0)
      return "()\\";
    if (inQuotes_)
      return "\"\\";
    if (atSeen_ && bracketSeen_)
      return ".>(";
    if (atSeen_)
      return ".( ";
    if (inAddress_)
      return "\"(@>";
    return "(\"< @\t";
  }

  std::string Before(std::size_t i) const { return std::string(rest_.substr(0, i)); }
  std::string Through(std::size_t i) const { return std::string(rest_.substr(0, i + 1)); }
  // The rest is a view, so cutting is cheap however long the text.
  void CutThrough(std::size_t i) { rest_.remove_prefix(std::min(i + 1, rest_.size())); }

  // Quoted text keeps the blanks that join it to what an escaped character
  // already put into the field.
  static void AppendQuoted(std::string &field, const std::string &text) {
    field += field.empty() ? Trim(text) : mv::idtext::TrimRight(text);
  }

  void Handle(std::size_t i) {
    std::string &quotedField = inAddress_ ? item_.Address : item_.Name;
    switch (rest_[i]) {
    case ' ':
    case '\t':
      if (i == 0) {
        rest_.remove_prefix(1);
        return;
      }
      if (atSeen_)
        item_.Address += Trim(Before(i));
      else
        item_.Name += Through(i);
      CutThrough(i);
      return;
    case '"':
      if (inQuotes_) {
        AppendQuoted(bracketSeen_ ? item_.Address : item_.Name, Before(i));
        CutThrough(i);
        inQuotes_ = false;
      } else {
        // Text before an opening quote that does not begin the text stays
        // with the field instead of being garbled.
        quotedField += Before(i);
        CutThrough(i);
        inQuotes_ = true;
      }
      return;
    case '(':
      ++depth_;
      if (i == 0) {
        rest_.remove_prefix(1);
        return;
      }
      if (inAddress_)
        item_.Address += Trim(Before(i));
      else if (depth_ == 1)
        item_.Name += Before(i);
      CutThrough(i);
      return;
    case ')':
      --depth_;
      CutThrough(i); // the comment is dropped
      return;
    case '.':
      if (bracketSeen_) {
        item_.Address += TrimBlanks(Before(i)) + ".";
        CutThrough(i);
        rest_.remove_prefix(std::min(rest_.find_first_not_of(' '), rest_.size()));
      } else {
        item_.Address += Through(i);
        CutThrough(i);
      }
      return;
    case '<':
      item_.Name = TrimBlanks(item_.Name + Before(i));
      bracketSeen_ = true;
      inAddress_ = true;
      CutThrough(i);
      return;
    case '>':
      inAddress_ = false;
      atSeen_ = false;
      item_.Address += Trim(Before(i));
      CutThrough(i);
      return;
    case '@':
      atSeen_ = true;
      if (!inAddress_) {
        if (bracketSeen_)
          throw EIdEmailParseError("@ Outside address");
        inAddress_ = true;
      }
      item_.Address += Through(i);
      CutThrough(i);
      return;
    case '\\':
      if (inQuotes_ && i + 1 < rest_.size())
        quotedField += Before(i) + rest_[i + 1];
      else if (inQuotes_)
        quotedField += Before(i);
      CutThrough(i + 1);
      return;
    }
  }

  TIdEMailAddressItem &item_;
  std::string_view rest_;
  int depth_ = 0;
  bool inQuotes_ = false;
  bool inAddress_ = false;
  bool bracketSeen_ = false;
  bool atSeen_ = false;
};
} // namespace

std::string TIdEMailAddressItem::Text() const {
  std::string bracketed;
  if (!Address.empty()) {
    const std::size_t at = Address.rfind('@');
    const std::string local = at == std::string::npos ? std::string() : Address.substr(0, at);
    const std::string domain = at == std::string::npos ? std::string() : Address.substr(at);
    std::size_t odd = 0;
    while (odd < local.size() && IsAtomChar(local[odd]))
      ++odd;
    if (odd < local.size() && local[odd] != '.')
      bracketed = "<\"" + QuotePairs(local) + "\"" + domain + ">";
    else if (Name.empty())
      bracketed = local + domain;
    else
      bracketed = "<" + local + domain + ">";
  } else if (!Name.empty()) {
    bracketed = "<>";
  }

  if (Name.empty() || Name == mv::UpperAscii(Address))
    return bracketed;
  bool plainName = true;
  for (char c : Name)
    plainName = plainName && IsNameChar(c);
  if (plainName)
    return Name + " " + bracketed;
  return "\"" + QuotePairs(Name) + "\" " + bracketed;
}

void TIdEMailAddressItem::SetText(const std::string &text) {
  Address.clear();
  Name.clear();
  const std::string trimmed = Trim(text);
  if (trimmed.empty())
    return;
  if (!Contains(trimmed, "(\"< @\t")) {
    Address = trimmed;
    return;
  }
  ItemScanner(*this, trimmed).Run();
}

TIdEMailAddressList &TIdEMailAddressList::operator=(const TIdEMailAddressList &other) {
  if (this != &other)
    Assign(other);
  return *this;
}

TIdEMailAddressItem &TIdEMailAddressList::Add() {
  items_.push_back(std::make_unique<TIdEMailAddressItem>());
  return *items_.back();
}

void TIdEMailAddressList::Delete(int index) {
  items_.erase(items_.begin() + index);
}

void TIdEMailAddressList::Assign(const TIdEMailAddressList &other) {
  std::vector<std::unique_ptr<TIdEMailAddressItem>> copy;
  for (const auto &item : other.items_)
    copy.push_back(std::make_unique<TIdEMailAddressItem>(*item));
  items_ = std::move(copy);
}

std::string TIdEMailAddressList::AddressesText() const {
  std::string text;
  for (const auto &item : items_) {
    if (!text.empty())
      text += ", ";
    text += item->Text();
  }
  return text;
}

void TIdEMailAddressList::SetAddressesText(const std::string &text) {
  Clear();
  if (Trim(text).empty())
    return;
  if (!Contains(text, ":;(\", \t")) {
    Add().SetText(TrimLeft(text));
    return;
  }
  // The item is in the list before its text is parsed, so a failing item
  // stays behind with what was parsed of it, like the ones before it.
  const auto addPiece = [this](const std::string &piece) {
    TIdEMailAddressItem &item = Add();
    item.SetText(TrimLeft(piece));
    if (IsEmptyItemText(item))
      items_.pop_back();
  };

  std::string_view rest = text;
  std::string piece;
  int depth = 0;
  bool inQuotes = false;
  const auto moveThrough = [&](std::size_t i) {
    const std::size_t n = std::min(i + 1, rest.size());
    piece += rest.substr(0, n);
    rest.remove_prefix(n);
  };
  const auto moveBeforeAndDrop = [&](std::size_t i) {
    piece += rest.substr(0, i);
    rest.remove_prefix(i + 1);
  };
  for (;;) {
    const char *interesting = depth > 0 ? "(\\)" : inQuotes ? "\"\\" : ":;(\", \t";
    const std::size_t i = rest.find_first_of(interesting);
    if (i == std::string::npos)
      break;
    switch (rest[i]) {
    case ' ':
    case '\t':
      moveThrough(i);
      break;
    case '"':
      moveThrough(i);
      inQuotes = !inQuotes;
      break;
    case '(':
      moveThrough(i);
      ++depth;
      break;
    case ')':
      moveThrough(i);
      --depth;
      break;
    case ',':
      moveBeforeAndDrop(i);
      addPiece(piece);
      piece.clear();
      break;
    case ':': // a group name is dropped
      rest.remove_prefix(i + 1);
      piece.clear();
      break;
    case ';':
      moveBeforeAndDrop(i);
      if (!Trim(piece).empty()) {
        Add().SetText(TrimLeft(piece));
        piece.clear();
      }
      break;
    case '\\':
      moveThrough(i + 1);
      break;
    }
  }
  if (Trim(piece).empty() && Trim(rest).empty())
    return;
  addPiece(piece + std::string(rest));
}
