#pragma once
// Decoders of the legacy ZIP methods (deflate64, implode, shrink, reduce).
// Each reads the compressed bytes of one entry from a source and writes its
// output in blocks of 32768 bytes to a sink; a sink may throw to stop early.
// None trusts its input: broken data ends the output, never a read outside a
// buffer or an endless loop.
#include <cstddef>
#include <cstdint>

namespace mv::zip {
class ByteSource {
public:
  virtual ~ByteSource() = default;
  // Up to size bytes; 0 at the end of the compressed data.
  virtual std::size_t Read(unsigned char *buffer, std::size_t size) = 0;
};

class ByteSink {
public:
  virtual ~ByteSink() = default;
  virtual void Write(const unsigned char *data, std::size_t size) = 0;
};

enum class DecodeOutcome {
  Done,          // the data ended where it should
  DataBroken,    // corrupt or truncated data: the output stops there
  BadBlock,      // shrink: a code the table cannot hold
  StackOverflow, // shrink: a string longer than any the table can make
};

// Deflate64 ("enhanced deflate", method 9): deflate with a 64 KiB window,
// length code 285 taking 16 extra bits and distance codes 30 and 31.
DecodeOutcome Inflate64(ByteSource &in, ByteSink &out);
// Imploding (method 6); flags are the entry's general purpose flags (bit 1:
// 8 KiB window, bit 2: literal tree). Stops after size bytes.
DecodeOutcome Explode(ByteSource &in, ByteSink &out, std::uint16_t flags, std::uint64_t size);
// Shrinking (method 1, dynamic LZW with partial clearing). Stops after size bytes.
DecodeOutcome Unshrink(ByteSource &in, ByteSink &out, std::uint64_t size);
// Reducing with factor 1 to 4 (methods 2 to 5). Stops after size bytes.
DecodeOutcome Unreduce(ByteSource &in, ByteSink &out, int factor, std::uint64_t size);
} // namespace mv::zip
