#include "mime/IdMIMEBoundary.h"

#include "mime/IdMessageStrings.h"

using namespace mv::msg;

std::string TIdMIMEBoundary::BoundaryOf(const std::string &contentType) {
  const std::string upper = UpperAscii(contentType);
  const std::string key = "BOUNDARY=";
  size_t p = upper.find(key);
  if (p == std::string::npos)
    return {};
  std::string rest = upper.substr(p + key.size());
  if (rest.empty())
    return {};
  if (rest[0] == '"') {
    rest.erase(0, 1);
    return rest.substr(0, rest.find('"'));
  }
  return rest;
}

void TIdMIMEBoundary::Push(const std::string &boundary) {
  if (boundary.empty() || SameAscii(boundary, Current()))
    return;
  FStack.push_back(boundary);
}

void TIdMIMEBoundary::Pop() {
  if (!FStack.empty())
    FStack.pop_back();
}

int TIdMIMEBoundary::IndexOf(const std::string &boundary) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (SameAscii(FStack[i], boundary))
      return i;
  return -1;
}

void TIdMIMEBoundary::PopAbove(int index) {
  if (index >= 0 && index < Count())
    FStack.resize(index + 1);
}
