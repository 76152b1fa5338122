#pragma once
// The sliding window of the LZ-style decoders: a 64 KiB ring that also
// collects output and hands it to the sink in blocks of 32768 bytes.
#include "archive/ZipDecoders.h"

#include <cstdint>
#include <vector>

namespace mv::zip {
class OutWindow {
public:
  static constexpr std::size_t kSize = 65536; // the largest distance (deflate64)
  static constexpr std::size_t kBlock = 32768;

  explicit OutWindow(ByteSink &sink) : sink_(sink), ring_(kSize) {}

  void Put(unsigned char byte) {
    ring_[total_ & (kSize - 1)] = byte;
    ++total_;
    if ((total_ & (kBlock - 1)) == 0)
      FlushBlock();
  }
  // Copies length bytes from distance back. A distance reaching before the
  // first byte is an error unless zeroFill says the method treats the bytes
  // before the start as zeros (implode, reduce). False on error.
  bool Copy(std::uint32_t distance, std::uint32_t length, bool zeroFill) {
    if (distance == 0 || distance > kSize || (distance > total_ && !zeroFill))
      return false;
    for (std::uint32_t i = 0; i < length; ++i) {
      const unsigned char byte = distance > total_ ? 0 : ring_[(total_ - distance) & (kSize - 1)];
      Put(byte);
    }
    return true;
  }
  std::uint64_t Total() const { return total_; }
  // At the end of the data: writes what is left of the current block.
  void Flush() {
    const std::size_t pending = total_ & (kBlock - 1);
    if (pending > 0 && flushed_ != total_) {
      sink_.Write(&ring_[(total_ - pending) & (kSize - 1)], pending);
      flushed_ = total_;
    }
  }

private:
  void FlushBlock() {
    sink_.Write(&ring_[(total_ - kBlock) & (kSize - 1)], kBlock);
    flushed_ = total_;
  }

  ByteSink &sink_;
  std::vector<unsigned char> ring_;
  std::uint64_t total_ = 0;
  std::uint64_t flushed_ = 0;
};
} // namespace mv::zip
