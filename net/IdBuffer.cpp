#include "net/IdBuffer.h"

#include <cstring>

void TIdSimpleBuffer::Append(const void *bytes, std::size_t count) {
  FData.append(static_cast<const char *>(bytes), count);
}

void TIdSimpleBuffer::Clear() {
  FData.clear();
  FOffset = 0;
}

void TIdManagedBuffer::Remove(std::size_t count) {
  if (count >= Size()) {
    Clear();
    return;
  }
  FOffset += count;
  if (FOffset >= CompactThreshold) {
    FData.erase(0, FOffset);
    FOffset = 0;
  }
}

std::string TIdManagedBuffer::Extract(std::size_t count) {
  if (count > Size())
    count = Size();
  std::string bytes(Data(), count);
  Remove(count);
  return bytes;
}

std::size_t TIdManagedBuffer::Find(char c, std::size_t from) const {
  if (from >= Size())
    return std::string::npos;
  const void *hit = std::memchr(Data() + from, c, Size() - from);
  return hit ? static_cast<const char *>(hit) - Data() : std::string::npos;
}
