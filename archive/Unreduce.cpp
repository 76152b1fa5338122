// Reducing (methods 2 to 5): bytes coded through follower sets (for each
// byte, up to 32 likely successors addressed by a short index), followed by
// a run-length/back-copy expansion keyed on the byte 144 (DLE).
#include "archive/BitInput.h"
#include "archive/OutWindow.h"
#include "archive/ZipDecoders.h"

#include <cstdint>

namespace mv::zip {
namespace {
constexpr unsigned char kDle = 144;
constexpr int kMaxFollowers = 32;

// Bits needed to index a follower set of n entries.
int IndexBits(int n) {
  int bits = 1;
  while ((1 << bits) < n)
    ++bits;
  return bits;
}
} // namespace

DecodeOutcome Unreduce(ByteSource &source, ByteSink &out, int factor, std::uint64_t size) {
  if (factor < 1 || factor > 4)
    return DecodeOutcome::DataBroken;
  BitInput in(source);
  OutWindow window(out);
  const std::uint32_t lengthMask = 0xFFu >> factor; // 127, 63, 31, 15
  try {
    unsigned char followers[256][kMaxFollowers];
    int followerCount[256];
    for (int c = 255; c >= 0; --c) {
      followerCount[c] = static_cast<int>(in.Bits(6));
      if (followerCount[c] > kMaxFollowers) {
        window.Flush();
        return DecodeOutcome::DataBroken;
      }
      for (int i = 0; i < followerCount[c]; ++i)
        followers[c][i] = static_cast<unsigned char>(in.Bits(8));
    }
    unsigned char last = 0;
    int state = 0;
    std::uint32_t v = 0, length = 0;
    while (window.Total() < size) {
      unsigned char c;
      if (followerCount[last] == 0 || in.Bit() != 0) {
        c = static_cast<unsigned char>(in.Bits(8));
      } else {
        const int index = static_cast<int>(in.Bits(IndexBits(followerCount[last])));
        if (index >= followerCount[last])
          break;
        c = followers[last][index];
      }
      last = c;
      switch (state) {
      case 0:
        if (c != kDle)
          window.Put(c);
        else
          state = 1;
        break;
      case 1:
        if (c == 0) {
          window.Put(kDle);
          state = 0;
        } else {
          v = c;
          length = v & lengthMask;
          state = length == lengthMask ? 2 : 3;
        }
        break;
      case 2:
        length += c;
        state = 3;
        break;
      default: {
        const std::uint32_t distance = ((v >> (8 - factor)) << 8) + c + 1;
        length += 3;
        if (window.Total() + length > size)
          length = static_cast<std::uint32_t>(size - window.Total());
        window.Copy(distance, length, true);
        state = 0;
        break;
      }
      }
    }
  } catch (const InputExhausted &) {
  }
  window.Flush();
  return window.Total() >= size ? DecodeOutcome::Done : DecodeOutcome::DataBroken;
}
} // namespace mv::zip
