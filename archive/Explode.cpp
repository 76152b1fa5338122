// Imploding (method 6): LZ77 with a 4 or 8 KiB window whose literals, match
// lengths and distance high bits are coded with Shannon-Fano trees stored in
// front of the data.
#include "archive/Huffman.h"
#include "archive/OutWindow.h"
#include "archive/ZipDecoders.h"

#include <cstdint>

namespace mv::zip {
namespace {
constexpr std::uint16_t kFlag8KWindow = 0x02;
constexpr std::uint16_t kFlagLiteralTree = 0x04;

// A tree is stored as a count of bytes less one, then bytes that each give a
// code length (low nibble + 1) and how many consecutive symbols have it (high
// nibble + 1). The codes are canonical with their bits inverted.
bool ReadTree(BitInput &in, HuffmanCode &code, int symbolCount) {
  std::uint8_t lengths[256] = {};
  const int bytes = static_cast<int>(in.Bits(8)) + 1;
  int symbol = 0;
  for (int i = 0; i < bytes; ++i) {
    const std::uint32_t byte = in.Bits(8);
    const int length = static_cast<int>(byte & 0x0F) + 1;
    int repeat = static_cast<int>(byte >> 4) + 1;
    if (symbol + repeat > symbolCount)
      return false;
    while (repeat-- > 0)
      lengths[symbol++] = static_cast<std::uint8_t>(length);
  }
  return symbol == symbolCount && code.Build(lengths, symbolCount);
}
} // namespace

DecodeOutcome Explode(ByteSource &source, ByteSink &out, std::uint16_t flags, std::uint64_t size) {
  BitInput in(source);
  OutWindow window(out);
  const bool literalTree = (flags & kFlagLiteralTree) != 0;
  const int distanceLowBits = (flags & kFlag8KWindow) != 0 ? 7 : 6;
  const std::uint32_t minMatch = literalTree ? 3 : 2;
  try {
    HuffmanCode literals, lengths, distances;
    if ((literalTree && !ReadTree(in, literals, 256)) || !ReadTree(in, lengths, 64) ||
        !ReadTree(in, distances, 64)) {
      window.Flush();
      return DecodeOutcome::DataBroken;
    }
    while (window.Total() < size) {
      if (in.Bit() != 0) {
        int literal = literalTree ? literals.Decode(in, true) : static_cast<int>(in.Bits(8));
        if (literal < 0)
          break;
        window.Put(static_cast<unsigned char>(literal));
        continue;
      }
      const std::uint32_t low = in.Bits(distanceLowBits);
      const int high = distances.Decode(in, true);
      if (high < 0)
        break;
      const std::uint32_t distance = ((static_cast<std::uint32_t>(high) << distanceLowBits) | low) + 1;
      const int lengthSymbol = lengths.Decode(in, true);
      if (lengthSymbol < 0)
        break;
      std::uint32_t length = static_cast<std::uint32_t>(lengthSymbol);
      if (length == 63)
        length += in.Bits(8);
      length += minMatch;
      // The last match may reach past the stated size; the output stops there.
      if (window.Total() + length > size)
        length = static_cast<std::uint32_t>(size - window.Total());
      window.Copy(distance, length, true);
    }
  } catch (const InputExhausted &) {
  }
  window.Flush();
  return window.Total() >= size ? DecodeOutcome::Done : DecodeOutcome::DataBroken;
}
} // namespace mv::zip
