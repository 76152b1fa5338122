// The streaming deflate decoder against zlib as the reference: every packing
// decodes to its data however the input is cut into reads, damaged and
// truncated streams give exactly the bytes zlib gives before the break, and
// an entry at the whole-buffer size limit decodes the same on both paths.
#include "ZipTestKit.h"
#include "archive/Crc32.h"
#include "archive/Inflate.h"

#include <gtest/gtest.h>

#include <random>

using namespace ziptest;

namespace {
class StringSink : public mv::zip::ByteSink {
public:
  void Write(const unsigned char *data, std::size_t size) override {
    EXPECT_TRUE(size > 0 && size <= 32768); // the pump runs per block of at most this
    out.append(reinterpret_cast<const char *>(data), size);
  }
  std::string out;
};

class CrcSink : public mv::zip::ByteSink {
public:
  void Write(const unsigned char *data, std::size_t size) override {
    crc.Update(data, size);
    bytes += size;
  }
  mv::Crc32 crc;
  std::uint64_t bytes = 0;
};

std::string Decode(const std::string &packed, std::size_t step = SIZE_MAX) {
  ChunkedSource in(packed, step);
  StringSink out;
  mv::zip::InflateStream(in, out);
  return out.out;
}

// What zlib writes before the data ends or breaks.
std::string ZlibDecode(const std::string &packed) {
  z_stream zs{};
  inflateInit2(&zs, -MAX_WBITS);
  std::string out;
  zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.data()));
  zs.avail_in = static_cast<uInt>(packed.size());
  char buf[65536];
  int ret = Z_OK;
  do {
    zs.next_out = reinterpret_cast<Bytef *>(buf);
    zs.avail_out = sizeof buf;
    ret = inflate(&zs, Z_NO_FLUSH);
    out.append(buf, sizeof buf - zs.avail_out);
  } while (ret == Z_OK && zs.avail_out == 0);
  inflateEnd(&zs);
  return out;
}

std::string Repeat(const std::string &unit, std::size_t size) {
  std::string out;
  while (out.size() < size)
    out += unit;
  out.resize(size);
  return out;
}

std::string Random(std::size_t size, unsigned seed) {
  std::mt19937 rnd(seed);
  std::string out(size, '\0');
  for (char &c : out)
    c = static_cast<char>(rnd());
  return out;
}
} // namespace

TEST(ZipInflateStream, EveryPackingDecodesHoweverTheInputIsCut) {
  struct Data {
    const char *what;
    std::string bytes;
  };
  const Data data[] = {
      {"nothing", ""},
      {"one byte", "a"},
      {"text past the output chunk", MixedData(2500000, 11)},
      {"zeros (matches one byte back)", std::string(1300000, '\0')},
      {"a period of five (short overlapping matches)", Repeat("abcde", 200000)},
      {"random bytes (stored blocks)", Random(300000, 5)},
  };
  struct Packing {
    const char *what;
    int level, strategy;
  };
  const Packing packings[] = {
      {"stored", 0, Z_DEFAULT_STRATEGY},   {"fastest", 1, Z_DEFAULT_STRATEGY},
      {"default", 6, Z_DEFAULT_STRATEGY},  {"fixed codes", 6, Z_FIXED},
      {"Huffman only", 6, Z_HUFFMAN_ONLY}, {"runs", 6, Z_RLE},
  };
  for (const Data &d : data) {
    for (const Packing &p : packings) {
      const std::string packed = RawDeflate(d.bytes, p.level, p.strategy);
      for (const std::size_t step : {std::size_t{1}, std::size_t{4093}, SIZE_MAX}) {
        if (step == 1 && d.bytes.size() > 400000)
          continue; // a byte per read adds nothing to the smaller cases but time
        EXPECT_TRUE(Decode(packed, step) == d.bytes) << d.what << ", " << p.what << ", reads of " << step;
      }
    }
  }
}

TEST(ZipInflateStream, BrokenDataGivesWhatZlibGives) {
  const std::string text = MixedData(200000, 3);
  const std::string streams[] = {RawDeflate(text, 9), RawDeflate(text, 6, Z_FIXED), RawDeflate(text, 0),
                                 RawDeflate(Repeat("xy", 50000), 6)};
  std::mt19937 rnd(42);
  for (const std::string &packed : streams) {
    std::vector<std::pair<std::string, std::string>> cases;
    for (const std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{6},
                                  packed.size() / 3, packed.size() - 1})
      cases.emplace_back("cut at " + std::to_string(cut), packed.substr(0, cut));
    for (int i = 0; i < 40; ++i) {
      std::string flipped = packed;
      // Half the flips fall in the first bytes, where the first block's
      // code tables are.
      const std::size_t at =
          (i % 2 ? rnd() % packed.size() : rnd() % std::min<std::size_t>(packed.size(), 60));
      flipped[at] = static_cast<char>(flipped[at] ^ (1 << (rnd() % 8)));
      cases.emplace_back("bit flipped at " + std::to_string(at), flipped);
    }
    cases.emplace_back("not deflate at all", std::string(5000, '\xFF'));
    for (const auto &[what, bytes] : cases)
      EXPECT_TRUE(Decode(bytes, 777) == ZlibDecode(bytes)) << what << " of a stream of " << packed.size();
  }
}

// An entry of exactly the whole-buffer limit goes in one piece, one byte
// more streams; both must write the same bytes.
TEST(ZipInflateStream, EntriesAtTheWholeBufferLimit) {
  const std::string block = MixedData(1 << 20, 9);
  for (const std::uint64_t size : {mv::zip::kWholeInflateLimit, mv::zip::kWholeInflateLimit + 1}) {
    std::string data = Repeat(block, static_cast<std::size_t>(size));
    const std::string packed = RawDeflate(data, 1);
    mv::Crc32 expected;
    expected.Update(data.data(), data.size());
    data.clear();
    data.shrink_to_fit();
    mv::zip::Inflater inflater;
    ChunkedSource in(packed, SIZE_MAX);
    CrcSink out;
    inflater.Inflate(in, out, packed.size(), size);
    EXPECT_EQ(out.bytes, size);
    EXPECT_EQ(out.crc.Value(), expected.Value()) << size;
  }
}
