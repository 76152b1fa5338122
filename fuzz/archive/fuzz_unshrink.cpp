// Unshrinking arbitrary bytes: bytes 0-2 give the stated size; output never
// exceeds it.
#include "FuzzSink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::uint32_t stated = fuzzzip::Take(data, size, 3);
  fuzzzip::Source in(data, size);
  fuzzzip::Sink out;
  try {
    mv::zip::Unshrink(in, out, stated);
  } catch (const fuzzzip::Stop &) {
  }
  if (out.total > stated)
    __builtin_trap();
  return 0;
}
