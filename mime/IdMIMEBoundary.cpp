#include "mime/IdMIMEBoundary.h"

#include "mime/IdMessageStrings.h"
#include "mime/MimeParameters.h"

using namespace mv::msg;

std::string TIdMIMEBoundary::BoundaryOf(const std::string &contentType) {
  // Upper case: boundary lines are matched with letter case ignored.
  return UpperAscii(mv::MimeParameterValue(contentType, "boundary"));
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
