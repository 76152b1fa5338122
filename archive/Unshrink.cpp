// Shrinking (method 1): LZW with codes of 9 to 13 bits. Code 256 escapes a
// control code: 1 widens the codes by one bit, 2 frees every string that no
// other string extends (partial clearing), and freed codes are reused from
// the lowest up.
#include "archive/BitInput.h"
#include "archive/ZipDecoders.h"

#include <cstdint>
#include <vector>

namespace mv::zip {
namespace {
constexpr int kMinBits = 9;
constexpr int kMaxBits = 13;
constexpr int kCodes = 1 << kMaxBits;
constexpr int kControl = 256;
constexpr int kFirstFree = 257;
constexpr std::int16_t kFree = -1;
constexpr std::size_t kBlock = 32768;

class Unshrinker {
public:
  Unshrinker(ByteSource &in, ByteSink &out) : in_(in), out_(out), parent_(kCodes, kFree), value_(kCodes) {
    for (int c = 0; c < 256; ++c) {
      parent_[c] = kNoParent;
      value_[c] = static_cast<unsigned char>(c);
    }
    block_.reserve(kBlock);
    stack_.reserve(kCodes);
  }

  DecodeOutcome Run(std::uint64_t size) {
    DecodeOutcome outcome = DecodeOutcome::Done;
    try {
      outcome = Decode(size);
    } catch (const InputExhausted &) {
      outcome = DecodeOutcome::DataBroken;
    }
    if (!block_.empty())
      out_.Write(block_.data(), block_.size());
    if (outcome == DecodeOutcome::Done && written_ < size)
      outcome = DecodeOutcome::DataBroken;
    return outcome;
  }

private:
  static constexpr std::int16_t kNoParent = -2; // a single-byte string

  DecodeOutcome Decode(std::uint64_t size) {
    int bits = kMinBits;
    int previous = -1;
    int nextFree = kFirstFree;
    while (written_ < size) {
      const int code = static_cast<int>(in_.Bits(bits));
      if (code == kControl) {
        const std::uint32_t control = in_.Bits(bits);
        if (control == 1) {
          if (++bits > kMaxBits)
            return DecodeOutcome::BadBlock;
        } else if (control == 2) {
          PartialClear();
          nextFree = FindFree(kFirstFree);
        } else {
          return DecodeOutcome::BadBlock;
        }
        continue;
      }
      if (previous < 0) { // the first code is a byte of its own
        if (code > 255)
          return DecodeOutcome::BadBlock;
        Emit(static_cast<unsigned char>(code), size);
        previous = code;
        continue;
      }
      // Spell the string of code backwards onto the stack. A code not yet
      // defined can only be the one about to be defined (previous string +
      // its own first byte).
      stack_.clear();
      int walk = code;
      if (parent_[code] == kFree) {
        if (code != nextFree)
          return DecodeOutcome::BadBlock;
        walk = previous;
      }
      for (;;) {
        if (stack_.size() >= kCodes)
          return DecodeOutcome::StackOverflow; // a chain that loops
        stack_.push_back(value_[walk]);
        const std::int16_t parent = parent_[walk];
        if (parent == kNoParent)
          break;
        if (parent == kFree)
          return DecodeOutcome::BadBlock;
        walk = parent;
      }
      const unsigned char first = stack_.back();
      if (parent_[code] == kFree)
        stack_.insert(stack_.begin(), first);
      for (auto it = stack_.rbegin(); it != stack_.rend() && written_ < size; ++it)
        Emit(*it, size);
      if (nextFree < kCodes) {
        parent_[nextFree] = static_cast<std::int16_t>(previous);
        value_[nextFree] = first;
        nextFree = FindFree(nextFree + 1);
      }
      previous = code;
    }
    return DecodeOutcome::Done;
  }

  void Emit(unsigned char byte, std::uint64_t size) {
    if (written_ >= size)
      return;
    block_.push_back(byte);
    ++written_;
    if (block_.size() == kBlock) {
      out_.Write(block_.data(), block_.size());
      block_.clear();
    }
  }

  // Frees every code above the byte range that is no other code's parent.
  void PartialClear() {
    std::vector<bool> isParent(kCodes, false);
    for (int c = kFirstFree; c < kCodes; ++c) {
      if (parent_[c] >= kFirstFree)
        isParent[static_cast<std::size_t>(parent_[c])] = true;
    }
    for (int c = kFirstFree; c < kCodes; ++c) {
      if (!isParent[static_cast<std::size_t>(c)])
        parent_[c] = kFree;
    }
  }

  int FindFree(int from) const {
    while (from < kCodes && parent_[from] != kFree)
      ++from;
    return from;
  }

  BitInput in_;
  ByteSink &out_;
  std::vector<std::int16_t> parent_; // kFree, kNoParent or the prefix code
  std::vector<unsigned char> value_; // the last byte of each code's string
  std::vector<unsigned char> stack_;
  std::vector<unsigned char> block_;
  std::uint64_t written_ = 0;
};
} // namespace

DecodeOutcome Unshrink(ByteSource &in, ByteSink &out, std::uint64_t size) {
  return Unshrinker(in, out).Run(size);
}
} // namespace mv::zip
