#include "archive/InflateTables.h"

#include <algorithm>
#include <array>

namespace mv::zip {
namespace {
constexpr unsigned kMaxCodeBits = 15;

constexpr std::uint32_t Entry(std::uint32_t kind, std::uint32_t value, unsigned extra = 0) {
  return kind << 28 | value << 12 | extra << 8;
}

constexpr std::array<std::uint32_t, kLitLenSymbols> LitLenEntries() {
  constexpr std::uint16_t kBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  constexpr std::uint8_t kExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  std::array<std::uint32_t, kLitLenSymbols> e{}; // 286 and 287 stay invalid
  for (unsigned s = 0; s < 256; ++s)
    e[s] = Entry(kLiteralEntry, s);
  e[kEndOfBlock] = Entry(kEndEntry, 0);
  for (unsigned i = 0; i < 29; ++i)
    e[257 + i] = Entry(kValueEntry, kBase[i], kExtra[i]);
  return e;
}

constexpr std::array<std::uint32_t, kDistanceSymbols> DistanceEntries() {
  std::array<std::uint32_t, kDistanceSymbols> e{}; // 30 and 31 stay invalid
  std::uint32_t base = 1;
  for (unsigned i = 0; i < kDistanceCodes; ++i) {
    const unsigned extra = i < 4 ? 0 : i / 2 - 1;
    e[i] = Entry(kValueEntry, base, extra);
    base += 1u << extra;
  }
  return e;
}

constexpr std::array<std::uint32_t, kCodeLengthSymbols> CodeLengthEntries() {
  std::array<std::uint32_t, kCodeLengthSymbols> e{};
  for (unsigned s = 0; s < kCodeLengthSymbols; ++s)
    e[s] = Entry(kValueEntry, s);
  return e;
}

constexpr auto kLitLenEntries = LitLenEntries();
constexpr auto kDistanceEntries = DistanceEntries();
constexpr auto kCodeLengthEntries = CodeLengthEntries();

std::uint32_t Reverse(std::uint32_t code, unsigned bits) {
  std::uint32_t r = 0;
  for (unsigned i = 0; i < bits; ++i, code >>= 1)
    r = (r << 1) | (code & 1);
  return r;
}
} // namespace

// A code longer than the primary width lives in the subtable of its first
// primary-width bits; each subtable is as wide as the longest code needs, so
// the total stays within 2^15 entries however the lengths fall.
DecodeTable::DecodeTable(unsigned primaryBits)
    : primaryBits_(primaryBits), mask_((1u << primaryBits) - 1),
      entries_((std::size_t{1} << primaryBits) + (std::size_t{1} << kMaxCodeBits)) {}

bool DecodeTable::BuildLitLen(const std::uint8_t *lengths, unsigned count) {
  return Build(lengths, count, kLitLenEntries.data(), true);
}

bool DecodeTable::BuildDistance(const std::uint8_t *lengths, unsigned count) {
  return Build(lengths, count, kDistanceEntries.data(), true);
}

bool DecodeTable::BuildCodeLengths(const std::uint8_t *lengths) {
  return Build(lengths, kCodeLengthSymbols, kCodeLengthEntries.data(), false);
}

bool DecodeTable::BuildFixedLitLen() {
  if (holdsFixed_)
    return true;
  std::uint8_t lengths[kLitLenSymbols];
  std::fill(lengths, lengths + 144, 8);
  std::fill(lengths + 144, lengths + 256, 9);
  std::fill(lengths + 256, lengths + 280, 7);
  std::fill(lengths + 280, lengths + kLitLenSymbols, 8);
  return holdsFixed_ = Build(lengths, kLitLenSymbols, kLitLenEntries.data(), false);
}

bool DecodeTable::BuildFixedDistance() {
  if (holdsFixed_)
    return true;
  std::uint8_t lengths[kDistanceSymbols];
  std::fill(lengths, lengths + kDistanceSymbols, 5);
  return holdsFixed_ = Build(lengths, kDistanceSymbols, kDistanceEntries.data(), false);
}

bool DecodeTable::Build(const std::uint8_t *lengths, unsigned count, const std::uint32_t *symbolEntries,
                        bool singleCodeAllowed) {
  holdsFixed_ = false;
  unsigned perLength[kMaxCodeBits + 1] = {};
  for (unsigned s = 0; s < count; ++s)
    ++perLength[lengths[s]];
  perLength[0] = 0;
  unsigned maxLength = 0;
  for (unsigned len = 1; len <= kMaxCodeBits; ++len)
    if (perLength[len] > 0)
      maxLength = len;
  std::fill_n(entries_.begin(), std::size_t{1} << primaryBits_, 0u);
  if (maxLength == 0)
    return true; // no codes at all: any use of the table fails
  int left = 1;
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
    left = left * 2 - static_cast<int>(perLength[len]);
    if (left < 0)
      return false; // over-subscribed
  }
  if (left > 0 && !(singleCodeAllowed && maxLength == 1))
    return false; // incomplete

  // The symbols in canonical order: by code length, then by value.
  unsigned start[kMaxCodeBits + 2] = {};
  for (unsigned len = 1; len <= kMaxCodeBits; ++len)
    start[len + 1] = start[len] + perLength[len];
  std::uint16_t sorted[kLitLenSymbols];
  for (unsigned s = 0; s < count; ++s)
    if (lengths[s] > 0)
      sorted[start[lengths[s]]++] = static_cast<std::uint16_t>(s);

  std::size_t used = std::size_t{1} << primaryBits_;
  std::uint32_t code = 0;
  unsigned next = 0;
  for (unsigned len = 1; len <= maxLength; ++len, code <<= 1) {
    for (unsigned k = 0; k < perLength[len]; ++k, ++code) {
      const std::uint32_t entry = symbolEntries[sorted[next++]];
      const std::uint32_t reversed = Reverse(code, len);
      if (len <= primaryBits_) {
        for (std::uint32_t i = reversed; i <= mask_; i += 1u << len)
          entries_[i] = entry | len;
        continue;
      }
      std::uint32_t &link = entries_[reversed & mask_];
      if (EntryKind(link) != kSubtableEntry) {
        const unsigned width = maxLength - primaryBits_;
        link = Entry(kSubtableEntry, static_cast<std::uint32_t>(used), width) | primaryBits_;
        std::fill_n(entries_.begin() + static_cast<std::ptrdiff_t>(used), std::size_t{1} << width, 0u);
        used += std::size_t{1} << width;
      }
      const std::uint32_t subLength = len - primaryBits_;
      for (std::uint32_t i = reversed >> primaryBits_; i < (1u << EntryExtra(link)); i += 1u << subLength)
        entries_[EntryValue(link) + i] = entry | subLength;
    }
  }
  return true;
}
} // namespace mv::zip
