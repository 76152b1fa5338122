#include "platform/LargeBlocks.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

namespace mv {
namespace {
constexpr std::size_t kHugePage = 2 * 1024 * 1024;

std::size_t MappedSize(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}
} // namespace

void *AllocateBlock(std::size_t bytes) {
  if (bytes < kLargeBlockMinimum) {
    if (void *block = std::malloc(bytes ? bytes : 1))
      return block;
    throw std::bad_alloc();
  }
  // A huge page needs a 2 MiB-aligned range: map one piece more and give
  // back what lies before and after the aligned part.
  const std::size_t size = MappedSize(bytes);
  void *mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED)
    throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start)
    munmap(mapped, aligned - start);
  if (const std::size_t tail = start + kHugePage - aligned)
    munmap(reinterpret_cast<void *>(aligned + size), tail);
  void *block = reinterpret_cast<void *>(aligned);
  // Only advice: without huge pages the block works the same, page by page.
  madvise(block, size, MADV_HUGEPAGE);
  return block;
}

void FreeBlock(void *block, std::size_t bytes) noexcept {
  if (!block)
    return;
  if (bytes < kLargeBlockMinimum)
    std::free(block);
  else
    munmap(block, MappedSize(bytes));
}
} // namespace mv
