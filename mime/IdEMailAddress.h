#pragma once
// E-mail addresses with display names, and lists of them, in their header
// text forms ("Ivan Petrov <ivan@example.org>", comma-separated lists).
#include "mime/IdException.h"

#include <memory>
#include <string>
#include <vector>

class TIdEMailAddressItem {
public:
  std::string Address;
  std::string Name; // the display name

  // The header form built from Address and Name.
  std::string Text() const;
  // Parses a header form into Address and Name; raises EIdEmailParseError
  // "@ Outside address" (the fields keep what was parsed up to there).
  void SetText(const std::string &text);
};

// Owns its items; references returned by Add and Items stay valid until the
// item is deleted or the list is cleared.
class TIdEMailAddressList {
public:
  TIdEMailAddressList() = default;
  TIdEMailAddressList(const TIdEMailAddressList &other) { Assign(other); }
  TIdEMailAddressList &operator=(const TIdEMailAddressList &other);

  int Count() const { return static_cast<int>(items_.size()); }
  TIdEMailAddressItem &Items(int index) { return *items_.at(index); }
  const TIdEMailAddressItem &Items(int index) const { return *items_.at(index); }
  TIdEMailAddressItem &Add();
  void Delete(int index);
  void Clear() { items_.clear(); }
  void Assign(const TIdEMailAddressList &other);

  // The items' Text joined with ", ".
  std::string AddressesText() const;
  // Empties the list and parses a header list into items (group names and
  // empty entries are dropped). A failing item propagates and leaves the
  // items made so far.
  void SetAddressesText(const std::string &text);

private:
  std::vector<std::unique_ptr<TIdEMailAddressItem>> items_;
};
