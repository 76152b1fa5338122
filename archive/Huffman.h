#pragma once
// Canonical prefix codes built from code lengths, decoded one bit at a time
// (the methods that use this are rare enough that simplicity wins over a
// table-driven decoder).
#include "archive/BitInput.h"

#include <array>
#include <cstdint>

namespace mv::zip {
class HuffmanCode {
public:
  static constexpr int kMaxBits = 16;

  // lengths[i] is the code length of symbol i (0: unused). False for an
  // over-subscribed set of lengths; an incomplete set is accepted, and its
  // unused codes fail when decoded.
  bool Build(const std::uint8_t *lengths, int symbolCount);

  // The next symbol, or -1 for a code that no symbol has. invertBits: the
  // code's bits are stored inverted (implode's Shannon-Fano trees).
  int Decode(BitInput &in, bool invertBits = false) const {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxBits; ++len) {
      code |= static_cast<int>(in.Bit() ^ (invertBits ? 1u : 0u));
      const int count = count_[len];
      if (code - first < count)
        return symbol_[index + (code - first)];
      index += count;
      first = (first + count) << 1;
      code <<= 1;
    }
    return -1;
  }

private:
  std::array<int, kMaxBits + 1> count_{};
  std::array<int, 320> symbol_{};
};
} // namespace mv::zip
