#include "net/IdBuffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

void TIdSimpleBuffer::Append(const void *bytes, std::size_t count) {
  if (count == 0)
    return;
  std::memcpy(AppendSpace(count), bytes, count);
  CommitAppend(count);
}

char *TIdSimpleBuffer::AppendSpace(std::size_t count) {
  Compact();
  if (FCapacity - FEnd < count) {
    const std::size_t capacity = std::max(FCapacity * 2, FEnd + count);
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    if (FEnd > 0)
      std::memcpy(bytes.get(), FBytes.get(), FEnd);
    FBytes = std::move(bytes);
    FCapacity = capacity;
  }
  return FBytes.get() + FEnd;
}

void TIdSimpleBuffer::Clear() {
  FEnd = 0;
  FOffset = 0;
}

void TIdManagedBuffer::Compact() {
  if (FOffset == 0)
    return;
  if (FOffset == FEnd) {
    Clear();
  } else if (FOffset >= CompactThreshold) {
    std::memmove(FBytes.get(), FBytes.get() + FOffset, FEnd - FOffset);
    FEnd -= std::exchange(FOffset, 0);
  }
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
