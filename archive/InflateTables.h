#pragma once
// The lookup tables of the streaming deflate decoder. A table maps the next
// bits of the stream (least significant first) to an entry that says what
// the code means and how many bits it takes: codes up to the primary width
// resolve in one load, longer ones through a link to a subtable.
#include <cstdint>
#include <vector>

namespace mv::zip {
constexpr unsigned kLitLenSymbols = 288; // the fixed code defines all of them
constexpr unsigned kLitLenCodes = 286;   // a dynamic block may send this many
constexpr unsigned kDistanceSymbols = 32;
constexpr unsigned kDistanceCodes = 30;
constexpr unsigned kCodeLengthSymbols = 19;
constexpr unsigned kEndOfBlock = 256;
// Wide enough for nearly every literal of real data, small enough to stay in
// the first-level cache with the distance table.
constexpr unsigned kLitLenPrimaryBits = 11;
constexpr unsigned kDistancePrimaryBits = 8;
constexpr unsigned kCodeLengthBits = 7; // the longest code-length code

// An entry: the kind in bits 28-31, a value in bits 12-27 (the literal, the
// base of a length or distance, a subtable's offset), its extra bits (or a
// subtable's width) in bits 8-11, the code bits to take in bits 0-7.
enum EntryKindCode : std::uint32_t {
  kInvalidEntry = 0, // a code no symbol has, or a symbol no stream may use
  kLiteralEntry,
  kValueEntry, // a length, a distance, or a code-length symbol
  kEndEntry,
  kSubtableEntry,
};
inline std::uint32_t EntryKind(std::uint32_t e) {
  return e >> 28;
}
inline std::uint32_t EntryValue(std::uint32_t e) {
  return (e >> 12) & 0xFFFF;
}
inline unsigned EntryExtra(std::uint32_t e) {
  return (e >> 8) & 0xF;
}
inline unsigned EntryBits(std::uint32_t e) {
  return e & 0xFF;
}

class DecodeTable {
public:
  explicit DecodeTable(unsigned primaryBits);

  // lengths[i] is the code length of symbol i (0: unused). False for an
  // over-subscribed set, or an incomplete one other than a single code of
  // one bit (which a packer sends for a block that uses one distance).
  bool BuildLitLen(const std::uint8_t *lengths, unsigned count);
  bool BuildDistance(const std::uint8_t *lengths, unsigned count);
  bool BuildCodeLengths(const std::uint8_t *lengths); // 19 lengths
  bool BuildFixedLitLen();
  bool BuildFixedDistance();

  std::uint32_t Primary(std::uint64_t bits) const { return entries_[bits & mask_]; }
  // The entry a subtable link leads to, for the bits after the primary ones.
  std::uint32_t Secondary(std::uint32_t link, std::uint64_t bits) const {
    return entries_[EntryValue(link) + (bits & ((1u << EntryExtra(link)) - 1))];
  }

private:
  bool Build(const std::uint8_t *lengths, unsigned count, const std::uint32_t *symbolEntries,
             bool singleCodeAllowed);

  unsigned primaryBits_;
  std::uint32_t mask_;
  std::vector<std::uint32_t> entries_;
  bool holdsFixed_ = false; // the fixed code is built: a run of fixed blocks builds it once
};
} // namespace mv::zip
