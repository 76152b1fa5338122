#pragma once
// The running CRC-32 of extracted data (reflected polynomial 0xEDB88320,
// initial value 0xFFFFFFFF), computed by libdeflate
// (carry-less multiplication where the processor has it).
#include <cstddef>
#include <cstdint>

namespace mv {
class Crc32 {
public:
  void Reset() { value_ = 0; }
  void Update(const void *data, std::size_t size);
  // The finished CRC (inverted register), as archives store it.
  std::uint32_t Value() const { return value_; }
  // Archives store the finished CRC; some packers stored its complement.
  bool Matches(std::uint32_t stored) const { return stored == value_ || stored == ~value_; }

private:
  std::uint32_t value_ = 0;
};
} // namespace mv
