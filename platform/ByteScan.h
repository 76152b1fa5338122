#pragma once
// Finding every place of one byte in a block, sixteen bytes to a step where
// the processor has SSE2 (every x86-64 one): for blocks of many short lines,
// where a library search call per line costs more than the search itself.
#include <cstddef>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mv {
// Calls visit(offset) for each `c` in `bytes`, in order, until it returns false.
template <class Visit> void ForEachByte(std::string_view bytes, char c, Visit visit) {
  const char *const data = bytes.data();
  const std::size_t size = bytes.size();
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i needle = _mm_set1_epi8(c);
  for (; i + 16 <= size; i += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
    for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, needle))); mask != 0;
         mask &= mask - 1)
      if (!visit(i + static_cast<std::size_t>(__builtin_ctz(mask))))
        return;
  }
#endif
  for (; i < size; ++i)
    if (data[i] == c && !visit(i))
      return;
}
} // namespace mv
