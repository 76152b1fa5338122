#include "archive/Huffman.h"

namespace mv::zip {
bool HuffmanCode::Build(const std::uint8_t *lengths, int symbolCount) {
  if (symbolCount < 0 || symbolCount > static_cast<int>(symbol_.size()))
    return false;
  count_.fill(0);
  for (int s = 0; s < symbolCount; ++s) {
    if (lengths[s] > kMaxBits)
      return false;
    ++count_[lengths[s]];
  }
  count_[0] = 0;
  int left = 1; // codes of the current length still free
  for (int len = 1; len <= kMaxBits; ++len) {
    left <<= 1;
    left -= count_[len];
    if (left < 0)
      return false;
  }
  std::array<int, kMaxBits + 2> offset{};
  for (int len = 1; len <= kMaxBits; ++len)
    offset[len + 1] = offset[len] + count_[len];
  for (int s = 0; s < symbolCount; ++s) {
    if (lengths[s] != 0)
      symbol_[offset[lengths[s]]++] = s;
  }
  return true;
}
} // namespace mv::zip
