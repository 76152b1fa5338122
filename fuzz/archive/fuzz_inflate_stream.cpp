// The streaming deflate decoder on arbitrary bytes: it ends, writes blocks of
// the agreed size, and where libdeflate decodes the bytes as a whole stream
// the decoder's output is that output (or, where it is stricter, the start
// of it).
#include "FuzzSink.h"
#include "archive/Inflate.h"

#include <libdeflate.h>

#include <cstring>
#include <memory>
#include <string>

namespace {
class KeepSink : public fuzzzip::Sink {
public:
  void Write(const unsigned char *data, std::size_t size) override {
    fuzzzip::Sink::Write(data, size);
    kept.append(reinterpret_cast<const char *>(data), size);
  }
  std::string kept;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzzzip::Source in(data, size);
  KeepSink out;
  try {
    mv::zip::InflateStream(in, out);
  } catch (const fuzzzip::Stop &) {
    return 0;
  }
  constexpr std::size_t kRoom = 4 << 20;
  static libdeflate_decompressor *whole = libdeflate_alloc_decompressor();
  static const std::unique_ptr<unsigned char[]> expected(new unsigned char[kRoom]);
  std::size_t produced = 0;
  if (libdeflate_deflate_decompress(whole, data, size, expected.get(), kRoom, &produced) ==
          LIBDEFLATE_SUCCESS &&
      (out.kept.size() > produced || std::memcmp(out.kept.data(), expected.get(), out.kept.size()) != 0))
    __builtin_trap();
  return 0;
}
