// Deflate64: the deflate format (RFC 1951) with a 64 KiB window, length code
// 285 meaning 3 + 16 extra bits, and distance codes 30 and 31 in use.
#include "archive/Huffman.h"
#include "archive/OutWindow.h"
#include "archive/ZipDecoders.h"

#include <cstdint>

namespace mv::zip {
namespace {
constexpr int kLengthCodes = 29;
constexpr std::uint16_t kLengthBase[kLengthCodes] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                     15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                     67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr std::uint8_t kLengthExtra[kLengthCodes] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr int kDistanceCodes = 32;
constexpr std::uint32_t kDistanceBase[kDistanceCodes] = {
    1,   2,   3,   4,   5,    7,    9,    13,   17,   25,   33,   49,    65,    97,    129,   193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::uint8_t kDistanceExtra[kDistanceCodes] = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr int kLiteralSymbols = 288;
constexpr int kEndOfBlock = 256;

class Inflater {
public:
  Inflater(ByteSource &in, ByteSink &out) : in_(in), window_(out) {}

  DecodeOutcome Run() {
    try {
      bool last = false;
      while (!last) {
        last = in_.Bit() != 0;
        const std::uint32_t type = in_.Bits(2);
        bool ok = false;
        if (type == 0)
          ok = StoredBlock();
        else if (type == 1)
          ok = FixedBlock();
        else if (type == 2)
          ok = DynamicBlock();
        if (!ok)
          break;
        if (last) {
          window_.Flush();
          return DecodeOutcome::Done;
        }
      }
    } catch (const InputExhausted &) {
    }
    window_.Flush(); // what was decoded before the data broke
    return DecodeOutcome::DataBroken;
  }

private:
  bool StoredBlock() {
    in_.AlignToByte();
    const std::uint32_t length = in_.Bits(16);
    if ((in_.Bits(16) ^ 0xFFFF) != length)
      return false;
    for (std::uint32_t i = 0; i < length; ++i)
      window_.Put(static_cast<unsigned char>(in_.Bits(8)));
    return true;
  }

  bool FixedBlock() {
    std::uint8_t lengths[kLiteralSymbols + kDistanceCodes];
    int s = 0;
    for (; s < 144; ++s)
      lengths[s] = 8;
    for (; s < 256; ++s)
      lengths[s] = 9;
    for (; s < 280; ++s)
      lengths[s] = 7;
    for (; s < kLiteralSymbols; ++s)
      lengths[s] = 8;
    for (int d = 0; d < kDistanceCodes; ++d)
      lengths[kLiteralSymbols + d] = 5;
    return literals_.Build(lengths, kLiteralSymbols) &&
           distances_.Build(lengths + kLiteralSymbols, kDistanceCodes) && Codes();
  }

  bool DynamicBlock() {
    static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                11, 4,  12, 3, 13, 2, 14, 1, 15};
    const int literalCount = static_cast<int>(in_.Bits(5)) + 257;
    const int distanceCount = static_cast<int>(in_.Bits(5)) + 1;
    const int lengthCount = static_cast<int>(in_.Bits(4)) + 4;
    if (literalCount > 286)
      return false;
    std::uint8_t lengths[kLiteralSymbols + kDistanceCodes] = {};
    for (int i = 0; i < lengthCount; ++i)
      lengths[kOrder[i]] = static_cast<std::uint8_t>(in_.Bits(3));
    HuffmanCode lengthCode;
    if (!lengthCode.Build(lengths, 19))
      return false;
    const int total = literalCount + distanceCount;
    int index = 0;
    while (index < total) {
      const int symbol = lengthCode.Decode(in_);
      if (symbol < 0)
        return false;
      if (symbol < 16) {
        lengths[index++] = static_cast<std::uint8_t>(symbol);
        continue;
      }
      std::uint8_t value = 0;
      int repeat = 0;
      if (symbol == 16) {
        if (index == 0)
          return false;
        value = lengths[index - 1];
        repeat = 3 + static_cast<int>(in_.Bits(2));
      } else if (symbol == 17) {
        repeat = 3 + static_cast<int>(in_.Bits(3));
      } else {
        repeat = 11 + static_cast<int>(in_.Bits(7));
      }
      if (index + repeat > total)
        return false;
      while (repeat-- > 0)
        lengths[index++] = value;
    }
    if (lengths[kEndOfBlock] == 0)
      return false;
    return literals_.Build(lengths, literalCount) &&
           distances_.Build(lengths + literalCount, distanceCount) && Codes();
  }

  // Literals and matches up to the end-of-block code.
  bool Codes() {
    for (;;) {
      const int symbol = literals_.Decode(in_);
      if (symbol < 0)
        return false;
      if (symbol < 256) {
        window_.Put(static_cast<unsigned char>(symbol));
        continue;
      }
      if (symbol == kEndOfBlock)
        return true;
      const int lengthIndex = symbol - 257;
      if (lengthIndex >= kLengthCodes)
        return false;
      const std::uint32_t length = kLengthBase[lengthIndex] + in_.Bits(kLengthExtra[lengthIndex]);
      const int distanceSymbol = distances_.Decode(in_);
      if (distanceSymbol < 0 || distanceSymbol >= kDistanceCodes)
        return false;
      const std::uint32_t distance = kDistanceBase[distanceSymbol] + in_.Bits(kDistanceExtra[distanceSymbol]);
      if (!window_.Copy(distance, length, false))
        return false;
    }
  }

  BitInput in_;
  OutWindow window_;
  HuffmanCode literals_;
  HuffmanCode distances_;
};
} // namespace

DecodeOutcome Inflate64(ByteSource &in, ByteSink &out) {
  return Inflater(in, out).Run();
}
} // namespace mv::zip
