#include "archive/Inflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <new>

namespace mv::zip {
namespace {
// Output goes to the sink in blocks of this size, so the pump between blocks
// runs as often on the whole-buffer path as on the stream.
constexpr std::size_t kSinkBlock = 32768;

class MemorySource : public ByteSource {
public:
  MemorySource(const unsigned char *data, std::size_t size) : data_(data), left_(size) {}
  std::size_t Read(unsigned char *buffer, std::size_t size) override {
    const std::size_t n = std::min(size, left_);
    std::copy(data_, data_ + n, buffer);
    data_ += n;
    left_ -= n;
    return n;
  }

private:
  const unsigned char *data_;
  std::size_t left_;
};

// Grows a buffer without initialising it: it is overwritten before use.
unsigned char *Reserve(std::unique_ptr<unsigned char[]> &buffer, std::size_t &capacity, std::size_t size) {
  if (size > capacity) {
    buffer.reset();
    buffer.reset(new unsigned char[size]);
    capacity = size;
  }
  return buffer.get();
}
} // namespace

Inflater::Inflater() : decompressor_(libdeflate_alloc_decompressor()) {
  if (!decompressor_)
    throw std::bad_alloc();
}

Inflater::~Inflater() {
  libdeflate_free_decompressor(decompressor_);
}

void Inflater::Inflate(ByteSource &in, ByteSink &out, std::uint64_t compressedSize, std::uint64_t size) {
  const bool whole =
      compressedSize > 0 && size > 0 && size <= kWholeInflateLimit && compressedSize <= kWholeInflateLimit;
  if (whole)
    InflateWhole(in, out, static_cast<std::size_t>(compressedSize), static_cast<std::size_t>(size));
  else
    InflateStream(in, out);
}

// Data libdeflate rejects (damaged, or longer than declared) goes through the
// stream from memory, so the sink sees exactly what the stream alone gives.
void Inflater::InflateWhole(ByteSource &in, ByteSink &out, std::size_t compressedSize, std::size_t size) {
  unsigned char *input = Reserve(input_, inputCapacity_, compressedSize);
  std::size_t got = 0;
  while (got < compressedSize) {
    const std::size_t n = in.Read(input + got, compressedSize - got);
    if (n == 0)
      break; // the archive ends early
    got += n;
  }
  unsigned char *output = Reserve(output_, outputCapacity_, size);
  std::size_t produced = 0;
  if (libdeflate_deflate_decompress(decompressor_, input, got, output, size, &produced) !=
      LIBDEFLATE_SUCCESS) {
    MemorySource again(input, got);
    InflateStream(again, out);
    return;
  }
  for (std::size_t done = 0; done < produced; done += kSinkBlock)
    out.Write(output + done, std::min(kSinkBlock, produced - done));
}
} // namespace mv::zip
