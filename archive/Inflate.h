#pragma once
// Deflated ZIP data (method 8). An entry whose sizes the archive states, up
// to kWholeInflateLimit bytes unpacked, is read and inflated in one piece by
// libdeflate, faster still than the stream; larger entries and entries of
// unknown size go through the stream decoder in bounded memory. Both paths
// write the same bytes to the sink: damaged data (or more data than declared)
// is re-run through the stream, which writes what it can decode before the
// break.
#include "archive/ZipDecoders.h"

#include <cstdint>
#include <memory>
#include <vector>

struct libdeflate_decompressor;

namespace mv::zip {
// Peak memory of one whole-buffer inflate is this plus the compressed bytes.
constexpr std::uint64_t kWholeInflateLimit = 64ULL * 1024 * 1024;

// Raw deflate in bounded memory (InflateStream.cpp); stops where the data
// breaks, after writing everything decoded before it.
void InflateStream(ByteSource &in, ByteSink &out);

// Inflates entry after entry, keeping its buffers between them.
class Inflater {
public:
  Inflater();
  ~Inflater();
  Inflater(const Inflater &) = delete;
  Inflater &operator=(const Inflater &) = delete;

  // compressedSize and size as the archive states them; 0 for either means
  // unknown (a data descriptor the listing did not see).
  void Inflate(ByteSource &in, ByteSink &out, std::uint64_t compressedSize, std::uint64_t size);

private:
  void InflateWhole(ByteSource &in, ByteSink &out, std::size_t compressedSize, std::size_t size);

  libdeflate_decompressor *decompressor_ = nullptr;
  std::unique_ptr<unsigned char[]> input_, output_;
  std::size_t inputCapacity_ = 0, outputCapacity_ = 0;
};
} // namespace mv::zip
