// Raw deflate (RFC 1951) in bounded memory: compressed bytes are pulled from
// the source through a buffer, output gathers behind a 32 KiB window and goes
// to the sink in blocks. The decoder reads the bit stream 64 bits at a time
// and decodes through two-level lookup tables, so the common symbol costs one
// table load; it takes about half the time of a byte-fed stream decoder,
// which matters for entries too large to inflate in one piece.
#include "archive/Inflate.h"
#include "archive/InflateTables.h"
#include "archive/LittleEndian.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

namespace mv::zip {
namespace {
constexpr std::size_t kWindow = 32768;     // the farthest a match reaches back
constexpr std::size_t kMaxMatch = 258;     // the longest a match runs
constexpr std::size_t kCopySlack = 16;     // word copies may write this far past a match
constexpr std::size_t kOutChunk = 1 << 20; // output gathered between flushes
constexpr std::size_t kInBuffer = 256 * 1024;
// Output goes to the sink in blocks of this size, so the pump between blocks
// runs at the same pace on every path.
constexpr std::size_t kSinkBlock = 32768;

std::uint64_t Load64(const unsigned char *p) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  } else {
    return Le64(p);
  }
}

class StreamDecoder {
public:
  StreamDecoder(ByteSource &in, ByteSink &out)
      : source_(in), sink_(out), input_(new unsigned char[kInBuffer]),
        output_(new unsigned char[kWindow + kOutChunk + kCopySlack]) {
    in_ = inEnd_ = input_.get();
    out_ = flushed_ = output_.get();
    outEnd_ = output_.get() + kWindow + kOutChunk;
  }

  // Decodes block after block up to the last one or up to where the data
  // breaks; everything decoded before a break reaches the sink.
  void Run() {
    bool last = false;
    do {
      Refill();
      last = Take(1) != 0;
      const std::uint32_t type = Take(2);
      if (Overrun())
        break;
      bool ok = false;
      if (type == 0)
        ok = StoredBlock();
      else if (type == 1)
        ok = litlen_.BuildFixedLitLen() && distance_.BuildFixedDistance() && CodedBlock();
      else if (type == 2)
        ok = DynamicTables() && CodedBlock();
      if (!ok)
        break;
    } while (!last);
    Flush();
  }

private:
  // The bit buffer. After Refill() it holds at least 56 bits, enough for a
  // whole match (15 + 5 + 15 + 13 bits). Past the end of the data it is fed
  // zero bits, counted in padBits_: a symbol that took any of them was cut
  // off, and decoding stops before it is written.
  void Refill() {
    if (inEnd_ - in_ >= 8) {
      bits_ |= Load64(in_) << count_;
      in_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    FillInput();
    if (inEnd_ - in_ >= 8)
      return Refill();
    while (count_ <= 55) {
      if (in_ < inEnd_)
        bits_ |= static_cast<std::uint64_t>(*in_++) << count_;
      else
        padBits_ += 8;
      count_ += 8;
    }
  }
  bool Overrun() const { return padBits_ > count_; }
  std::uint32_t Take(unsigned n) {
    const auto v = static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
    bits_ >>= n;
    count_ -= n;
    return v;
  }
  std::uint32_t Decode(const DecodeTable &table) {
    std::uint32_t e = table.Primary(bits_);
    if (EntryKind(e) == kSubtableEntry) {
      Take(EntryBits(e));
      e = table.Secondary(e, bits_);
    }
    Take(EntryBits(e));
    return e;
  }

  void FillInput() {
    if (sourceEnded_ || inEnd_ - in_ >= 8)
      return;
    const std::size_t kept = static_cast<std::size_t>(inEnd_ - in_);
    std::memmove(input_.get(), in_, kept);
    in_ = input_.get();
    inEnd_ = in_ + kept;
    while (!sourceEnded_ && inEnd_ < input_.get() + kInBuffer) {
      const std::size_t got =
          source_.Read(inEnd_, static_cast<std::size_t>(input_.get() + kInBuffer - inEnd_));
      sourceEnded_ = got == 0;
      inEnd_ += got;
    }
  }

  // Hands the output not yet written to the sink, and keeps the last window
  // of it for the matches to come.
  void Flush() {
    for (const unsigned char *p = flushed_; p < out_; p += kSinkBlock)
      sink_.Write(p, std::min<std::size_t>(kSinkBlock, static_cast<std::size_t>(out_ - p)));
    if (static_cast<std::size_t>(out_ - output_.get()) > kWindow) {
      std::memmove(output_.get(), out_ - kWindow, kWindow);
      out_ = output_.get() + kWindow;
    }
    flushed_ = out_;
  }
  void MakeRoom() {
    if (static_cast<std::size_t>(outEnd_ - out_) < kMaxMatch)
      Flush();
  }

  bool StoredBlock() {
    Take(count_ & 7);
    Refill();
    std::uint32_t length = Take(16);
    if (Overrun() || (Take(16) ^ 0xFFFFu) != length)
      return false;
    // Whole bytes still in the bit buffer come first; what they do not
    // cover is copied straight from the input.
    for (; length > 0 && count_ >= padBits_ + 8; --length) {
      MakeRoom();
      *out_++ = static_cast<unsigned char>(Take(8));
    }
    if (length == 0)
      return true;
    if (padBits_ > 0)
      return false; // the data ends inside the block
    bits_ = 0;
    count_ = 0;
    while (length > 0) {
      FillInput();
      if (in_ == inEnd_)
        return false;
      MakeRoom();
      const std::size_t n =
          std::min({static_cast<std::size_t>(length), static_cast<std::size_t>(inEnd_ - in_),
                    static_cast<std::size_t>(outEnd_ - out_)});
      std::memcpy(out_, in_, n);
      in_ += n;
      out_ += n;
      length -= static_cast<std::uint32_t>(n);
    }
    return true;
  }

  bool DynamicTables() {
    static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                11, 4,  12, 3, 13, 2, 14, 1, 15};
    Refill();
    const unsigned litlenCount = Take(5) + 257, distanceCount = Take(5) + 1, lengthCount = Take(4) + 4;
    if (litlenCount > kLitLenCodes || distanceCount > kDistanceCodes)
      return false;
    std::uint8_t lengths[kLitLenSymbols + kDistanceSymbols] = {};
    for (unsigned i = 0; i < lengthCount; ++i) {
      Refill();
      lengths[kOrder[i]] = static_cast<std::uint8_t>(Take(3));
    }
    if (Overrun() || !lengthCode_.BuildCodeLengths(lengths))
      return false;
    std::fill(std::begin(lengths), std::end(lengths), 0);
    const unsigned total = litlenCount + distanceCount;
    for (unsigned i = 0; i < total;) {
      Refill();
      const std::uint32_t e = Decode(lengthCode_);
      if (EntryKind(e) != kValueEntry)
        return false;
      const std::uint32_t symbol = EntryValue(e);
      if (symbol < 16) {
        lengths[i++] = static_cast<std::uint8_t>(symbol);
        continue;
      }
      if (symbol == 16 && i == 0)
        return false;
      const std::uint8_t value = symbol == 16 ? lengths[i - 1] : 0;
      const unsigned repeat = symbol == 16 ? 3 + Take(2) : symbol == 17 ? 3 + Take(3) : 11 + Take(7);
      if (i + repeat > total)
        return false;
      std::fill_n(lengths + i, repeat, value);
      i += repeat;
    }
    if (Overrun() || lengths[kEndOfBlock] == 0)
      return false;
    return litlen_.BuildLitLen(lengths, litlenCount) &&
           distance_.BuildDistance(lengths + litlenCount, distanceCount);
  }

  // Literals and matches up to the end-of-block code: the fast loop while
  // the input and output have room for a whole symbol, one careful step
  // (which refills, flushes and watches the end of the data) where not.
  bool CodedBlock() {
    for (;;) {
      if (inEnd_ - in_ >= 8 && static_cast<std::size_t>(outEnd_ - out_) >= kMaxMatch) {
        const Step step = FastCodes();
        if (step != Step::NoRoom)
          return step == Step::BlockEnd;
      }
      MakeRoom();
      Refill();
      std::uint32_t e = Decode(litlen_);
      if (EntryKind(e) == kLiteralEntry) {
        if (Overrun())
          return false;
        *out_++ = static_cast<unsigned char>(EntryValue(e));
        continue;
      }
      if (EntryKind(e) != kValueEntry)
        return EntryKind(e) == kEndEntry && !Overrun();
      const std::uint32_t length = EntryValue(e) + Take(EntryExtra(e));
      e = Decode(distance_);
      if (EntryKind(e) != kValueEntry)
        return false;
      const std::uint32_t distance = EntryValue(e) + Take(EntryExtra(e));
      if (Overrun() || distance > static_cast<std::size_t>(out_ - output_.get()))
        return false;
      out_ = CopyMatch(out_, distance, length);
    }
  }

  enum class Step { NoRoom, BlockEnd, Broken };
  // The hot loop keeps the decoder's state in locals: stores through the
  // output pointer could alias the members, which would otherwise be
  // reloaded after every byte. Past the end of the data it never runs, so
  // it needs no check for padding bits. A literal leaves enough bits for a
  // second one, which is taken without a refill.
  Step FastCodes() {
    std::uint64_t bits = bits_;
    unsigned count = count_;
    unsigned char *in = in_;
    unsigned char *out = out_;
    const unsigned char *const inLimit = inEnd_ - 8;
    unsigned char *const outLimit = outEnd_ - kMaxMatch;
    unsigned char *const history = output_.get();
    const DecodeTable &litlen = litlen_, &distance = distance_;
    Step step = Step::NoRoom;
    auto take = [&](unsigned n) {
      const auto v = static_cast<std::uint32_t>(bits & ((std::uint64_t{1} << n) - 1));
      bits >>= n;
      count -= n;
      return v;
    };
    auto decode = [&](const DecodeTable &table) {
      std::uint32_t e = table.Primary(bits);
      if (EntryKind(e) == kSubtableEntry) {
        take(EntryBits(e));
        e = table.Secondary(e, bits);
      }
      take(EntryBits(e));
      return e;
    };
    while (in <= inLimit && out <= outLimit) {
      bits |= Load64(in) << count;
      in += (63 - count) >> 3;
      count |= 56;
      std::uint32_t e = decode(litlen);
      if (EntryKind(e) == kLiteralEntry) {
        *out++ = static_cast<unsigned char>(EntryValue(e));
        e = litlen.Primary(bits);
        if (EntryKind(e) == kLiteralEntry) {
          take(EntryBits(e));
          *out++ = static_cast<unsigned char>(EntryValue(e));
        }
        continue;
      }
      if (EntryKind(e) != kValueEntry) {
        step = EntryKind(e) == kEndEntry ? Step::BlockEnd : Step::Broken;
        break;
      }
      const std::uint32_t length = EntryValue(e) + take(EntryExtra(e));
      e = decode(distance);
      const std::uint32_t back = EntryValue(e) + take(EntryExtra(e));
      if (EntryKind(e) != kValueEntry || back > static_cast<std::size_t>(out - history)) {
        step = Step::Broken;
        break;
      }
      out = CopyMatch(out, back, length);
    }
    bits_ = bits;
    count_ = count;
    in_ = in;
    out_ = out;
    return step;
  }

  // Copies sixteen or eight bytes at a time where the match lies at least
  // that far back (each word then reads only bytes already written); the
  // buffer's slack takes the overshoot.
  static unsigned char *CopyMatch(unsigned char *out, std::uint32_t distance, std::uint32_t length) {
    unsigned char *dst = out;
    const unsigned char *src = out - distance;
    unsigned char *const end = out + length;
    if (distance >= 16) {
      do {
        std::memcpy(dst, src, 16);
        dst += 16;
        src += 16;
      } while (dst < end);
    } else if (distance >= 8) {
      do {
        std::memcpy(dst, src, 8);
        dst += 8;
        src += 8;
      } while (dst < end);
    } else if (distance == 1) {
      std::memset(dst, *src, length);
    } else {
      do
        *dst++ = *src++;
      while (dst < end);
    }
    return end;
  }

  ByteSource &source_;
  ByteSink &sink_;
  std::unique_ptr<unsigned char[]> input_, output_;
  unsigned char *in_, *inEnd_;
  unsigned char *out_, *flushed_, *outEnd_;
  bool sourceEnded_ = false;
  std::uint64_t bits_ = 0;
  unsigned count_ = 0, padBits_ = 0;
  DecodeTable litlen_{kLitLenPrimaryBits}, distance_{kDistancePrimaryBits}, lengthCode_{kCodeLengthBits};
};
} // namespace

void InflateStream(ByteSource &in, ByteSink &out) {
  StreamDecoder(in, out).Run();
}
} // namespace mv::zip
