// Deflate64 decoding of arbitrary bytes: ends cleanly, output in valid blocks.
#include "FuzzSink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzzzip::Source in(data, size);
  fuzzzip::Sink out;
  try {
    mv::zip::Inflate64(in, out);
  } catch (const fuzzzip::Stop &) {
  }
  return 0;
}
