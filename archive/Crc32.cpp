#include "archive/Crc32.h"

#include <libdeflate.h>

namespace mv {
void Crc32::Update(const void *data, std::size_t size) {
  value_ = libdeflate_crc32(value_, data, size);
}
} // namespace mv
