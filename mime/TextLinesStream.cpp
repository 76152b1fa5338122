#include "mime/TextLinesStream.h"

#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace mv {
namespace {
// Whether the byte at `p` breaks the run of ordinary lines: a NUL, or a CR
// that is not the first half of CR LF (a break of its own; at the end of the
// bytes it may still be, which the next write tells).
bool IsIrregular(const char *p, const char *end) {
  return *p == '\0' || p + 1 == end || p[1] != '\n';
}

// The first NUL or lone CR in [p, end), or end: up to there the bytes are
// lines ended by LF or CR LF, which go to the line list as they stand.
// Sixteen bytes to a step where the processor has SSE2 (every x86-64 one).
const char *FindIrregular(const char *p, const char *const end) {
#ifdef __SSE2__
  // A block passes without a branch per line when each CR in it has an LF
  // right after it and it holds no NUL.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  for (; end - p > 16; p += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 1));
    const auto crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, cr)));
    const auto lfsAfter = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(next, lf)));
    const auto nuls = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(here, nul)));
    if (const unsigned odd = (crs & ~lfsAfter) | nuls)
      return p + __builtin_ctz(odd);
  }
#endif
  for (; p < end; ++p)
    if ((*p == '\r' || *p == '\0') && IsIrregular(p, end))
      return p;
  return end;
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
    const char *const odd = FindIrregular(p, end);
    // Whole lines before it in one piece; what follows the last LF opens a
    // line (it holds no CR: one there would not be followed by LF).
    const auto *lastLf = static_cast<const char *>(memrchr(p, '\n', static_cast<std::size_t>(odd - p)));
    if (lastLf) {
      FLines.AppendLines(std::string_view(p, static_cast<std::size_t>(lastLf + 1 - p)));
      FOpenLine = false;
      p = lastLf + 1;
    }
    if (odd > p) {
      FLines.Extend(std::string_view(p, static_cast<std::size_t>(odd - p)));
      FOpenLine = true;
      p = odd;
    }
    if (p == end)
      break;
    if (*p == '\0') {
      FEnded = true;
      break;
    }
    // A CR that is a break of its own; one at the end waits to see whether
    // the next write begins with its LF.
    FLines.EndLine();
    FOpenLine = false;
    if (++p == end)
      FAfterCR = true;
  }
  return count;
}

void TextLinesStream::Finish() {
  if (FOpenLine)
    FLines.EndLine();
  FOpenLine = false;
}
} // namespace mv
