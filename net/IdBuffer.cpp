#include "net/IdBuffer.h"

#include <cstring>
#include <utility>

void TIdSimpleBuffer::Append(const void *bytes, std::size_t count) {
  Compact();
  FData.append(static_cast<const char *>(bytes), count);
}

void TIdSimpleBuffer::Clear() {
  FData.clear();
  FOffset = 0;
}

void TIdManagedBuffer::Compact() {
  if (FOffset == 0)
    return;
  if (FOffset == FData.size())
    Clear();
  else if (FOffset >= CompactThreshold)
    FData.erase(0, std::exchange(FOffset, 0));
}

void TIdManagedBuffer::Remove(std::size_t count) {
  if (count >= Size()) {
    Clear();
    return;
  }
  FOffset += count;
  Compact();
}

std::string_view TIdManagedBuffer::Consume(std::size_t count) {
  if (count > Size())
    count = Size();
  const std::string_view bytes(Data(), count);
  FOffset += count;
  return bytes;
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
