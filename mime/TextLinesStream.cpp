#include "mime/TextLinesStream.h"

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mv {
namespace {
// The first LF, CR or NUL in [p, end): sixteen bytes to a step where the
// processor has SSE2 (every x86-64 one), eight elsewhere.
const char *FindStop(const char *p, const char *const end) {
#ifdef __SSE2__
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i nul = _mm_setzero_si128();
  for (; end - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i hits =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, nul));
    if (const int mask = _mm_movemask_epi8(hits))
      return p + __builtin_ctz(static_cast<unsigned>(mask));
  }
#else
  constexpr std::uint64_t ones = 0x0101010101010101u;
  constexpr std::uint64_t highs = 0x8080808080808080u;
  const auto hasZeroByte = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
  for (; end - p >= 8; p += 8) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if (hasZeroByte(v) | hasZeroByte(v ^ (ones * '\n')) | hasZeroByte(v ^ (ones * '\r')))
      break;
  }
#endif
  while (p < end && *p != '\n' && *p != '\r' && *p != '\0')
    ++p;
  return p;
}
} // namespace

std::int64_t TextLinesStream::Write(const void *buffer, std::int64_t count) {
  if (count <= 0)
    return 0;
  const char *p = static_cast<const char *>(buffer);
  const char *const end = p + count;
  FWritten = true;
  FLastByte = end[-1];
  if (FEnded)
    return count;
  if (FAfterCR && *p == '\n')
    ++p;
  FAfterCR = false;
  while (p < end) {
    const char *stop = FindStop(p, end);
    if (stop > p) {
      FLines.Extend(std::string_view(p, static_cast<std::size_t>(stop - p)));
      FOpenLine = true;
    }
    if (stop == end)
      break;
    if (*stop == '\0') {
      FEnded = true;
      break;
    }
    FLines.EndLine();
    FOpenLine = false;
    if (*stop == '\r') {
      if (stop + 1 == end)
        FAfterCR = true;
      else if (stop[1] == '\n')
        ++stop;
    }
    p = stop + 1;
  }
  return count;
}

void TextLinesStream::Finish() {
  if (FOpenLine)
    FLines.EndLine();
  FOpenLine = false;
}
} // namespace mv
