#include "archive/Crc32.h"

#include <zlib.h>

#include <algorithm>

namespace mv {
void Crc32::Update(const void *data, std::size_t size) {
  const auto *bytes = static_cast<const Bytef *>(data);
  while (size > 0) { // zlib takes 32-bit lengths
    const uInt chunk = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
    value_ = static_cast<std::uint32_t>(crc32(value_, bytes, chunk));
    bytes += chunk;
    size -= chunk;
  }
}
} // namespace mv
