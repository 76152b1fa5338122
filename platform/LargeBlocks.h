#pragma once
// Memory for big blocks of bytes that are filled once and kept (the lines of
// a long text read from a message). Blocks of kLargeBlockMinimum bytes or
// more are mapped from the system in whole 2 MiB pieces the kernel may back
// with huge pages: filling 14 MB then costs 7 page faults instead of 3,500,
// which was a third of the time of reading a long text. Smaller requests go
// to the ordinary heap, so a short text never holds 2 MiB.
#include <cstddef>
#include <new>

namespace mv {
constexpr std::size_t kLargeBlockMinimum = 1024 * 1024;

// Raises std::bad_alloc when the system has no memory to give.
void *AllocateBlock(std::size_t bytes);
// `bytes` is the size the block was allocated with.
void FreeBlock(void *block, std::size_t bytes) noexcept;

template <class T> struct LargeBlockAllocator {
  using value_type = T;
  LargeBlockAllocator() = default;
  template <class U> LargeBlockAllocator(const LargeBlockAllocator<U> &) noexcept {}
  T *allocate(std::size_t n) { return static_cast<T *>(AllocateBlock(n * sizeof(T))); }
  void deallocate(T *p, std::size_t n) noexcept { FreeBlock(p, n * sizeof(T)); }
  template <class U> bool operator==(const LargeBlockAllocator<U> &) const noexcept { return true; }
};
} // namespace mv
