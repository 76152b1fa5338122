// Exploding arbitrary bytes: byte 0 gives the flags (window, literal tree),
// bytes 1-3 the stated size; output never exceeds the stated size.
#include "FuzzSink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::uint16_t flags = static_cast<std::uint16_t>(fuzzzip::Take(data, size, 1) & 0x06);
  const std::uint32_t stated = fuzzzip::Take(data, size, 3);
  fuzzzip::Source in(data, size);
  fuzzzip::Sink out;
  try {
    mv::zip::Explode(in, out, flags, stated);
  } catch (const fuzzzip::Stop &) {
  }
  if (out.total > stated)
    __builtin_trap();
  return 0;
}
