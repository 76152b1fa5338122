#pragma once
// Shared by the decoder fuzz targets: input as a byte source, and a sink that
// checks the block size and stops a run after a bounded amount of output.
#include "archive/ZipDecoders.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace fuzzzip {
struct Stop {};

class Source : public mv::zip::ByteSource {
public:
  Source(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Read(unsigned char *buffer, std::size_t size) override {
    // Odd-sized reads, so that refills happen in the middle of codes.
    const std::size_t n = std::min({size, size_ - pos_, std::size_t(4093)});
    std::copy_n(data_ + pos_, n, buffer);
    pos_ += n;
    return n;
  }

private:
  const std::uint8_t *data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

class Sink : public mv::zip::ByteSink {
public:
  void Write(const unsigned char *data, std::size_t size) override {
    if (size == 0 || size > 32768)
      __builtin_trap();
    volatile unsigned char touch = data[0] ^ data[size - 1]; // every block must be readable
    (void)touch;
    total += size;
    if (total > (std::size_t(64) << 20))
      throw Stop{};
  }
  std::size_t total = 0;
};

// The first bytes of the input choose the decoder's parameters.
inline std::uint32_t Take(const std::uint8_t *&data, std::size_t &size, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes && size > 0; ++i, ++data, --size)
    v = v << 8 | *data;
  return v;
}
} // namespace fuzzzip
