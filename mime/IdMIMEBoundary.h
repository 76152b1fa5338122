#pragma once
// The stack of multipart boundaries met while reading a message; the top is
// the boundary that ends the current part.
#include <string>
#include <vector>

class TIdMIMEBoundary {
public:
  // The boundary parameter of a content type, upper-cased ("" when none).
  static std::string BoundaryOf(const std::string &contentType);

  // Empty boundaries and a repeat of the current top are not pushed.
  void Push(const std::string &boundary);
  void Pop();
  std::string Current() const { return FStack.empty() ? std::string() : FStack.back(); }
  void Clear() { FStack.clear(); }
  int Count() const { return static_cast<int>(FStack.size()); }
  // The boundary at depth `index` counted from the bottom.
  const std::string &At(int index) const { return FStack[index]; }
  // Depth of `boundary` counted from the bottom (0-based), -1 when absent.
  int IndexOf(const std::string &boundary) const;
  // Pops every boundary above the one at `index`, leaving it on top.
  void PopAbove(int index);

private:
  std::vector<std::string> FStack;
};
