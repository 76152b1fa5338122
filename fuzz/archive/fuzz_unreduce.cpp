// Unreducing arbitrary bytes: byte 0 gives the factor, bytes 1-3 the stated
// size; output never exceeds it.
#include "FuzzSink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const int factor = static_cast<int>(fuzzzip::Take(data, size, 1) % 4) + 1;
  const std::uint32_t stated = fuzzzip::Take(data, size, 3);
  fuzzzip::Source in(data, size);
  fuzzzip::Sink out;
  try {
    mv::zip::Unreduce(in, out, factor, stated);
  } catch (const fuzzzip::Stop &) {
  }
  if (out.total > stated)
    __builtin_trap();
  return 0;
}
