#pragma once
// Bits taken least significant first from a ByteSource, as every ZIP method
// packs them. Reading past the end of the data throws InputExhausted, which
// the decoders turn into DataBroken.
#include "archive/ZipDecoders.h"

#include <cstdint>
#include <vector>

namespace mv::zip {
struct InputExhausted {};

class BitInput {
public:
  explicit BitInput(ByteSource &source) : source_(source), buffer_(kBufferSize) {}

  // n <= 24
  std::uint32_t Bits(int n) {
    while (count_ < n) {
      hold_ |= static_cast<std::uint32_t>(NextByte()) << count_;
      count_ += 8;
    }
    const std::uint32_t value = hold_ & ((1u << n) - 1);
    hold_ >>= n;
    count_ -= n;
    return value;
  }
  std::uint32_t Bit() { return Bits(1); }
  // Drops the bits left in the current byte.
  void AlignToByte() {
    hold_ >>= count_ % 8;
    count_ -= count_ % 8;
  }

private:
  static constexpr std::size_t kBufferSize = 32768;

  unsigned char NextByte() {
    if (pos_ == end_) {
      end_ = source_.Read(buffer_.data(), buffer_.size());
      pos_ = 0;
      if (end_ == 0)
        throw InputExhausted{};
    }
    return buffer_[pos_++];
  }

  ByteSource &source_;
  std::vector<unsigned char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::uint32_t hold_ = 0;
  int count_ = 0;
};
} // namespace mv::zip
